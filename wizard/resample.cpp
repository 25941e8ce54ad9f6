#include "wizard/resample.h"

namespace wizard {

namespace {

// Each row of `source` to `width` pixels, written transposed (the result's
// rows are the source's columns), so that a second call does the columns.
Pixels ResampleRowsTransposed(const PixelArea& source, int width) {
  Pixels out{source.height, width, std::vector<std::uint32_t>(std::size_t(width) * std::size_t(source.height))};
  const float step = float(source.width) / float(width);
  const float radius = step > 1 ? step : 1;
  for (int x = 0; x < width; ++x) {
    const float centre = (float(x) + 0.5f) * step - 0.5f;
    for (int y = 0; y < source.height; ++y) {
      const std::uint32_t* row = source.data + std::size_t(y) * std::size_t(source.stride);
      float sum[3] = {0, 0, 0}, total = 0;
      for (int j = int(centre - radius) - 1; j <= int(centre + radius) + 1; ++j) {
        const float distance = float(j) - centre;
        const float weight = 1 - (distance < 0 ? -distance : distance) / radius;
        if (weight <= 0) continue;
        // Beyond the picture's edge its edge pixels count.
        const std::uint32_t pixel = row[j < 0 ? 0 : j >= source.width ? source.width - 1 : j];
        for (int c = 0; c < 3; ++c) sum[c] += weight * float((pixel >> (8 * c)) & 0xFF);
        total += weight;
      }
      std::uint32_t pixel = 0;
      for (int c = 0; c < 3; ++c) pixel |= std::uint32_t(sum[c] / total + 0.5f) << (8 * c);
      out.data[std::size_t(x) * std::size_t(source.height) + std::size_t(y)] = pixel;
    }
  }
  return out;
}

}  // namespace

Pixels Resample(const PixelArea& source, int width, int height) {
  const Pixels across = ResampleRowsTransposed(source, width);
  return ResampleRowsTransposed({across.data.data(), across.width, across.height, across.width}, height);
}

}  // namespace wizard
