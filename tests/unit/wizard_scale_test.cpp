// The display scale where the screen cannot show it exactly (scale_test.py
// shows where things land): the rounding rule, font heights, the artwork's
// choice and the filter that fits it to a size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "wizard/display_scale.h"
#include "wizard/resample.h"
#include "wizard/wizard_layout.h"

namespace wizard {
namespace {

TEST(WizardScale, RoundingRuleKeepsTheLayoutsShape) {
  // 100 % changes nothing; half a pixel rounds up, below zero too.
  for (int v = -700; v <= 700; ++v) EXPECT_EQ(Scaled(v, 96), v);
  const std::tuple<int, int, int> cases[] = {{1, 144, 2}, {3, 144, 5},   {-1, 144, -1},  {-3, 144, -4}, {5, 120, 6},
                                             {2, 120, 3}, {-2, 120, -2}, {79, 192, 158}, {1, 48, 1},    {-1, 48, 0}};
  for (const auto& [value, dpi, scaled] : cases) EXPECT_EQ(Scaled(value, dpi), scaled) << value << " at " << dpi;
  for (int dpi = 96; dpi <= 288; dpi += 6) {
    // The language label ends where its box begins; the push buttons' equal
    // gaps stay equal within a pixel.
    EXPECT_EQ(Scaled(kOtherPlaces[0].box, dpi).right, Scaled(kOtherPlaces[1].box, dpi).left) << dpi;
    const Box cancel = Scaled(kPushButtonPlaces[0].box, dpi), back = Scaled(kPushButtonPlaces[1].box, dpi),
              next = Scaled(kPushButtonPlaces[2].box, dpi);
    EXPECT_LE(std::abs((back.left - cancel.right) - (next.left - back.right)), 1) << dpi;
  }
  // The painted texts keep their margin from the client's right edge.
  EXPECT_EQ(TextBox(kTitlePlace, 598, 96), (Box{15, 20, 583, 100}));
  EXPECT_EQ(TextBox(kNoticePlace, 898, 144), (Box{30, 353, 868, 405}));
}

TEST(WizardScale, FontsAndArtwork) {
  // The wizard's three fonts at 100 %, exactly twice as high at 200 %.
  for (const auto& [points, pixels] : {std::pair{195, 26}, std::pair{120, 16}, std::pair{85, 11}}) {
    EXPECT_EQ(FontPixelHeight(points, 96), pixels);
    EXPECT_EQ(FontPixelHeight(points, 192), 2 * pixels);
  }
  EXPECT_EQ(FontPixelHeight(85, 144), 17);
  // The smallest drawing that is large enough, else the largest.
  for (const auto& [dpi, art] :
       {std::pair{96, 96}, {72, 96}, {97, 144}, {144, 144}, {145, 192}, {192, 192}, {288, 192}})
    EXPECT_EQ(ArtworkDpi(dpi), art) << dpi;
}

Pixels Fitted(const std::vector<std::uint32_t>& picture, int width, int toWidth, int toHeight) {
  const int height = int(picture.size()) / width;
  return Resample({picture.data(), width, height, width}, toWidth, toHeight);
}

TEST(WizardScale, ResampleSmoothsWithoutShifting) {
  std::vector<std::uint32_t> stripes, edge(12, 0x000000);
  for (std::uint32_t y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) stripes.push_back((x % 2 ? 0xFFFF00 : 0x000000) | y);
  for (int x = 6; x < 12; ++x) edge[std::size_t(x)] = 0xFFFFFF;
  // The same size is the same picture; a part of a picture is fitted alone.
  EXPECT_EQ(Fitted(stripes, 8, 8, 6).data, stripes);
  EXPECT_EQ(Resample({&stripes[8 + 1], 2, 3, 8}, 2, 3).data,
            (std::vector<std::uint32_t>{0xFFFF01, 0x000001, 0xFFFF02, 0x000002, 0xFFFF03, 0x000003}));
  // Halved, the stripes average to grey (no column simply dropped; at the
  // edges the edge column counts for the one beyond it).
  const Pixels half = Fitted(stripes, 8, 4, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 1; x < 3; ++x) EXPECT_NEAR(int((half.data[std::size_t(y * 4 + x)] >> 16) & 0xFF), 128, 1);
  // A flat colour stays exactly flat at any size.
  for (auto [w, h] : {std::pair{3, 2}, std::pair{11, 9}, std::pair{70, 50}})
    for (std::uint32_t p : Fitted(std::vector<std::uint32_t>(35, 0x2E8B57), 7, w, h).data) EXPECT_EQ(p, 0x2E8B57u);
  // A hard edge in the middle stays in the middle, enlarged or reduced (the
  // middle pixel of an odd width is 128 on both sides).
  for (int w : {4, 9, 18, 24}) {
    const Pixels out = Fitted(edge, 12, w, 1);
    for (int x = 0; x < w; ++x)
      EXPECT_NEAR(int(out.data[std::size_t(x)] & 0xFF) + int(out.data[std::size_t(w - 1 - x)] & 0xFF), 255, 1) << w;
  }
}

}  // namespace
}  // namespace wizard
