// Changes the size of a picture with a filter that keeps it smooth: each
// target pixel is a weighted mean of the source pixels under a tent as wide
// as one target pixel (at least one source pixel), so a picture made smaller
// averages what it drops, and one made larger is interpolated linearly. The
// wizard scales its artwork with it when no drawing of the exact size exists.
#pragma once

#include <cstdint>
#include <vector>

namespace wizard {

// Rows from the top; a pixel is 0xXXRRGGBB (the top byte comes out as 0).
// The three colour channels are filtered alike and independently.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> data;
};

// A rectangle of pixels inside a larger picture: width x height pixels from
// `data`, rows `stride` pixels apart.
struct PixelArea {
  const std::uint32_t* data;
  int width, height, stride;
};

// `source` at width x height (all sizes > 0). The same size gives the same
// pixels.
Pixels Resample(const PixelArea& source, int width, int height);

}  // namespace wizard
