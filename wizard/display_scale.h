// The wizard at a display scale of dpi / 96. Every place, size and font of
// the wizard is given at 96 DPI (100 %); these functions carry them to
// another DPI with one rounding rule.
//
// The rule: a coordinate v lies at floor(v * dpi / 96 + 1/2) (half a pixel
// rounds up, also for negative coordinates). A rectangle is scaled edge by
// edge, never as position plus size, so two rectangles that share an edge at
// 100 % share it at every scale, and a rectangle's size is within a pixel
// of its exact scaled size.
#pragma once

namespace wizard {

inline constexpr int kBaseDpi = 96;

// A coordinate or length of the 100 % layout at `dpi` (the rule above).
int Scaled(int value, int dpi);

// Left, top, right, bottom (the right and bottom edges are outside).
struct Box {
  int left, top, right, bottom;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Box&) const = default;
};
// Edge by edge.
Box Scaled(const Box& box, int dpi);
// A rectangle given as x, y, width, height at 100 %.
constexpr Box Place(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

// Character height in pixels of a font of `pointSize10` tenths of a point:
// its height at 96 DPI (rounded to the nearest pixel), scaled by the rule, so
// that a font at 200 % is exactly twice its 100 % height.
int FontPixelHeight(int pointSize10, int dpi);

// The artwork for `dpi`, of the scales it is drawn at (96, 144 and 192 DPI:
// 100, 150 and 200 %): the smallest that is not smaller than needed, else the
// largest (which is then enlarged).
int ArtworkDpi(int dpi);

}  // namespace wizard
