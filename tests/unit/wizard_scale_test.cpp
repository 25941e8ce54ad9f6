// The wizard at other display scales, where the screen cannot show it
// exactly: the rounding rule, the layout it gives, font heights, the choice
// of artwork and the filter that fits artwork to a size.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <tuple>

#include "wizard/display_scale.h"
#include "wizard/resample.h"
#include "wizard/wizard_layout.h"

namespace wizard {
namespace {

constexpr int kDpis[] = {96, 120, 144, 168, 192, 216, 240, 288};

TEST(WizardScale, RoundingRule) {
  // 100 % changes nothing; half a pixel rounds up, below zero too.
  for (int v = -700; v <= 700; ++v) EXPECT_EQ(Scaled(v, 96), v);
  const std::tuple<int, int, int> cases[] = {{1, 144, 2},    {3, 144, 5}, {-1, 144, -1}, {-3, 144, -4},
                                             {5, 120, 6},    {2, 120, 3}, {-2, 120, -2}, {317, 144, 476},
                                             {79, 192, 158}, {1, 72, 1},  {1, 48, 1},    {-1, 48, 0}};
  for (const auto& [value, dpi, scaled] : cases) EXPECT_EQ(Scaled(value, dpi), scaled) << value << " at " << dpi;
}

TEST(WizardScale, LayoutKeepsItsShapeAtEveryScale) {
  for (int dpi : kDpis) {
    SCOPED_TRACE(dpi);
    const double s = dpi / 96.0;
    auto near = [s](const Box& at100, const Box& scaled) {
      return std::abs(scaled.left - at100.left * s) <= 0.5 && std::abs(scaled.top - at100.top * s) <= 0.5 &&
             std::abs(scaled.Width() - at100.Width() * s) <= 1.0 &&
             std::abs(scaled.Height() - at100.Height() * s) <= 1.0;
    };
    for (const auto& places :
         {std::span<const ControlPlace>(kPushButtonPlaces), std::span<const ControlPlace>(kOtherPlaces)})
      for (const ControlPlace& p : places) EXPECT_TRUE(near(p.box, Scaled(p.box, dpi))) << ControlId(p.control);
    // The language label ends where the box begins; the buttons keep equal gaps.
    EXPECT_EQ(Scaled(kOtherPlaces[0].box, dpi).right, Scaled(kOtherPlaces[1].box, dpi).left);
    const Box cancel = Scaled(kPushButtonPlaces[0].box, dpi), back = Scaled(kPushButtonPlaces[1].box, dpi),
              next = Scaled(kPushButtonPlaces[2].box, dpi);
    EXPECT_EQ(back.left - cancel.right, next.left - back.right);
    // 200 % is exactly twice 100 %.
    if (dpi == 192) {
      EXPECT_EQ(Scaled(kWindowBox, dpi), (Box{0, 0, 1200, 720}));
      EXPECT_EQ(next, (Box{998, 564, 1156, 636}));
    }
  }
  // The painted texts keep their margin from the client's right edge.
  EXPECT_EQ(TextBox(kTitlePlace, 598, 96), (Box{15, 20, 583, 100}));
  EXPECT_EQ(TextBox(kGuidePlace, 1198, 192), (Box{240, 180, 1158, 360}));
  EXPECT_EQ(TextBox(kNoticePlace, 898, 144), (Box{30, 353, 868, 405}));
}

TEST(WizardScale, FontsAndArtwork) {
  // The heights of the wizard's three fonts at 100 %, and exactly twice that at 200 %.
  for (const auto& [points, pixels] : {std::pair{195, 26}, std::pair{120, 16}, std::pair{85, 11}}) {
    EXPECT_EQ(FontPixelHeight(points, 96), pixels);
    EXPECT_EQ(FontPixelHeight(points, 192), 2 * pixels);
  }
  EXPECT_EQ(FontPixelHeight(85, 144), 17);
  // The smallest drawing that is large enough, else the largest.
  const std::pair<int, int> choices[] = {{96, 96}, {72, 96}, {97, 192}, {144, 192}, {192, 192}, {288, 192}};
  for (const auto& [dpi, art] : choices) EXPECT_EQ(ArtworkDpi(dpi), art) << dpi;
}

Pixels Picture(int width, int height, std::uint32_t (*colour)(int x, int y)) {
  Pixels p{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.data.push_back(colour(x, y));
  return p;
}

Pixels Resample(const Pixels& source, int width, int height) {
  return wizard::Resample({source.data.data(), source.width, source.height, source.width}, width, height);
}

TEST(WizardScale, ResampleSmoothsWithoutShifting) {
  const Pixels stripes =
      Picture(8, 6, [](int x, int y) { return std::uint32_t(x % 2 ? 0xFFFF00 : 0x000000) | std::uint32_t(y); });
  // The same size is the same picture.
  EXPECT_EQ(Resample(stripes, 8, 6).data, stripes.data);
  // Halved, the stripes average to grey (no column simply dropped); at the
  // picture's edges the edge column counts for the one beyond it.
  const Pixels half = Resample(stripes, 4, 6);
  for (int y = 0; y < 6; ++y)
    for (int x = 1; x < 3; ++x) EXPECT_NEAR(int((half.data[std::size_t(y * 4 + x)] >> 16) & 0xFF), 128, 1);
  // A part of a picture is resampled alone.
  EXPECT_EQ(wizard::Resample({&stripes.data[8 + 1], 2, 3, 8}, 2, 3).data,
            (std::vector<std::uint32_t>{0xFFFF01, 0x000001, 0xFFFF02, 0x000002, 0xFFFF03, 0x000003}));
  // A flat colour stays exactly flat at any size.
  const Pixels flat = Picture(7, 5, [](int, int) { return std::uint32_t(0x2E8B57); });
  for (auto [w, h] : {std::pair{3, 2}, std::pair{11, 9}, std::pair{70, 50}})
    for (std::uint32_t p : Resample(flat, w, h).data) EXPECT_EQ(p, 0x2E8B57u);
  // A hard edge in the middle stays in the middle, enlarged or reduced, and
  // nothing comes out darker or lighter than the source.
  const Pixels edge = Picture(12, 1, [](int x, int) { return std::uint32_t(x < 6 ? 0x000000 : 0xFFFFFF); });
  for (int w : {4, 9, 18, 24}) {
    const Pixels out = Resample(edge, w, 1);
    for (int x = 0; x < w; ++x) {
      const int v = int(out.data[std::size_t(x)] & 0xFF), mirror = int(out.data[std::size_t(w - 1 - x)] & 0xFF);
      EXPECT_NEAR(v + mirror, 255, 1) << w << " at " << x;  // the middle pixel of an odd width is 128 twice
    }
  }
}

}  // namespace
}  // namespace wizard
