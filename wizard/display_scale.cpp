#include "wizard/display_scale.h"

namespace wizard {

int Scaled(int value, int dpi) {
  // floor((v * dpi + 48) / 96) in integers (C++ division truncates).
  const int n = value * dpi + kBaseDpi / 2;
  const int q = n / kBaseDpi;
  return q * kBaseDpi > n ? q - 1 : q;
}

Box Scaled(const Box& box, int dpi) {
  return {Scaled(box.left, dpi), Scaled(box.top, dpi), Scaled(box.right, dpi), Scaled(box.bottom, dpi)};
}

int FontPixelHeight(int pointSize10, int dpi) {
  // Tenths of a point at 96 DPI: pointSize10 * 96 / 720, to the nearest pixel.
  return Scaled((pointSize10 * kBaseDpi + 360) / 720, dpi);
}

int ArtworkDpi(int dpi) {
  constexpr int kArtworkDpis[] = {96, 144, 192};
  for (int art : kArtworkDpis) {
    if (art >= dpi) return art;
  }
  return kArtworkDpis[2];
}

}  // namespace wizard
