// Generated faces and masks of SkinButton, without windows.
#include <gtest/gtest.h>

#include "controls/skin_button.h"
#include "host_dialog.h"

using controls::SkinButton;
using controls_test::SolidFace;

namespace {

constexpr COLORREF kTransparent = RGB(66, 66, 66);

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  COLORREF c = ::GetPixel(dc, x, y);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return c;
}

// A 4 x 2 face: row 0 = transparent, red, a near-transparent grey, white;
// row 1 = three colours and the transparent colour.
HBITMAP PatternFace() {
  HBITMAP face = SolidFace(4, 2, RGB(0, 0, 0));
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, face);
  const COLORREF row0[] = {kTransparent, RGB(255, 0, 0), RGB(66, 66, 67), RGB(255, 255, 255)};
  const COLORREF row1[] = {RGB(10, 200, 30), RGB(200, 100, 8), RGB(0, 128, 255), kTransparent};
  for (int x = 0; x < 4; ++x) {
    ::SetPixel(dc, x, 0, row0[x]);
    ::SetPixel(dc, x, 1, row1[x]);
  }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return face;
}

}  // namespace

TEST(SkinButtonFaces, MaskMarksExactlyTheTransparentPixelsAndBlackensThem) {
  HBITMAP face = PatternFace();
  HBITMAP mask = SkinButton::MakeMaskBitmap(face, 4, 2, kTransparent);
  ASSERT_NE(mask, nullptr);
  BITMAP info = {};
  ASSERT_TRUE(::GetObjectW(mask, sizeof(info), &info));
  EXPECT_EQ(info.bmBitsPixel, 1);

  const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
  // Mask: white (1) only where the face had exactly the transparent colour.
  EXPECT_EQ(PixelOf(mask, 0, 0), white);
  EXPECT_EQ(PixelOf(mask, 1, 0), black);
  EXPECT_EQ(PixelOf(mask, 2, 0), black);  // one step off is not transparent
  EXPECT_EQ(PixelOf(mask, 3, 0), black);
  EXPECT_EQ(PixelOf(mask, 0, 1), black);
  EXPECT_EQ(PixelOf(mask, 3, 1), white);
  // Face: transparent pixels black, all others unchanged.
  EXPECT_EQ(PixelOf(face, 0, 0), black);
  EXPECT_EQ(PixelOf(face, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(face, 2, 0), RGB(66, 66, 67));
  EXPECT_EQ(PixelOf(face, 3, 0), white);
  EXPECT_EQ(PixelOf(face, 0, 1), RGB(10, 200, 30));
  EXPECT_EQ(PixelOf(face, 3, 1), black);
  ::DeleteObject(mask);
  ::DeleteObject(face);
}

TEST(SkinButtonFaces, MaskOfAFaceWithoutTransparentPixelsIsAllZero) {
  HBITMAP face = SolidFace(5, 3, RGB(120, 30, 200));
  HBITMAP mask = SkinButton::MakeMaskBitmap(face, 5, 3, kTransparent);
  ASSERT_NE(mask, nullptr);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(PixelOf(mask, x, y), RGB(0, 0, 0));
      EXPECT_EQ(PixelOf(face, x, y), RGB(120, 30, 200));
    }
  ::DeleteObject(mask);
  ::DeleteObject(face);
}

TEST(SkinButtonFaces, GrayFaceUsesTheLuminanceWeightsAndKeepsTheTransparentColour) {
  HBITMAP face = PatternFace();
  HBITMAP grey = SkinButton::MakeGrayFace(face, 4, 2, kTransparent);
  ASSERT_NE(grey, nullptr);
  EXPECT_EQ(PixelOf(grey, 0, 0), kTransparent);
  EXPECT_EQ(PixelOf(grey, 1, 0), RGB(76, 76, 76));  // 0.299 * 255 = 76.245
  EXPECT_EQ(PixelOf(grey, 2, 0), RGB(66, 66, 66));  // 66.114 truncated
  EXPECT_EQ(PixelOf(grey, 3, 0), RGB(255, 255, 255));
  EXPECT_EQ(PixelOf(grey, 0, 1), RGB(123, 123, 123));  // 123.81
  EXPECT_EQ(PixelOf(grey, 1, 1), RGB(119, 119, 119));  // 119.412
  EXPECT_EQ(PixelOf(grey, 2, 1), RGB(104, 104, 104));  // 104.206
  EXPECT_EQ(PixelOf(grey, 3, 1), kTransparent);
  // The face itself is untouched.
  EXPECT_EQ(PixelOf(face, 0, 0), kTransparent);
  EXPECT_EQ(PixelOf(face, 1, 1), RGB(200, 100, 8));
  ::DeleteObject(grey);
  ::DeleteObject(face);
}

TEST(SkinButtonFaces, DarkerFaceKeepsThreeQuartersOfEachChannel) {
  HBITMAP face = PatternFace();
  HBITMAP darker = SkinButton::MakeDarkerFace(face, 4, 2, kTransparent);
  ASSERT_NE(darker, nullptr);
  EXPECT_EQ(PixelOf(darker, 0, 0), kTransparent);
  EXPECT_EQ(PixelOf(darker, 1, 0), RGB(191, 0, 0));
  EXPECT_EQ(PixelOf(darker, 2, 0), RGB(49, 49, 50));
  EXPECT_EQ(PixelOf(darker, 3, 0), RGB(191, 191, 191));
  EXPECT_EQ(PixelOf(darker, 0, 1), RGB(7, 150, 22));
  EXPECT_EQ(PixelOf(darker, 1, 1), RGB(150, 75, 6));
  EXPECT_EQ(PixelOf(darker, 2, 1), RGB(0, 96, 191));
  EXPECT_EQ(PixelOf(darker, 3, 1), kTransparent);
  ::DeleteObject(darker);
  ::DeleteObject(face);
}

TEST(SkinButtonFaces, ScaleColorDownOnlyForFactorsInZeroToOne) {
  EXPECT_EQ(SkinButton::ScaleColorDown(RGB(200, 100, 8), 0.25), RGB(150, 75, 6));
  EXPECT_EQ(SkinButton::ScaleColorDown(RGB(200, 100, 8), 1.0), RGB(0, 0, 0));
  EXPECT_EQ(SkinButton::ScaleColorDown(RGB(3, 3, 3), 0.5), RGB(1, 1, 1));  // 1.5 truncated
  EXPECT_EQ(SkinButton::ScaleColorDown(RGB(200, 100, 8), 0.0), RGB(200, 100, 8));
  EXPECT_EQ(SkinButton::ScaleColorDown(RGB(200, 100, 8), -0.5), RGB(200, 100, 8));
  EXPECT_EQ(SkinButton::ScaleColorDown(RGB(200, 100, 8), 1.5), RGB(200, 100, 8));
}

TEST(SkinButtonFaces, SetFaceBitmapsRejectsHandlesThatAreNoBitmap) {
  // Without a window: the results and the ownership, not the painting.
  {
    SkinButton button;
    HBRUSH brush = ::CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(button.SetFaceBitmaps(reinterpret_cast<HBITMAP>(brush), kTransparent, nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(::GetObjectType(brush), 0u) << "the button took the handle over and released it";
  }
  {
    SkinButton button;
    HBITMAP hot = SolidFace(8, 8, RGB(255, 0, 0));
    HBITMAP disabledFace = SolidFace(8, 8, RGB(0, 0, 255));
    HBITMAP bogus = reinterpret_cast<HBITMAP>(INT_PTR(0x4321));
    EXPECT_EQ(button.SetFaceBitmaps(hot, kTransparent, bogus, kTransparent, disabledFace, kTransparent), 1);
    EXPECT_EQ(::GetObjectType(hot), 0u) << "the hot face is released with the failure";
    EXPECT_EQ(::GetObjectType(disabledFace), 0u) << "and so is the face not reached yet";
  }
  {
    SkinButton button;
    HBITMAP hot = SolidFace(8, 8, RGB(255, 0, 0));
    EXPECT_EQ(button.SetFaceBitmaps(hot, kTransparent, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(::GetObjectType(hot), DWORD(OBJ_BITMAP));
    // A second call replaces (and releases) the first set.
    EXPECT_EQ(button.SetFaceBitmaps(nullptr, 0, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(::GetObjectType(hot), 0u);
  }
}

TEST(SkinButtonFaces, OptionResults) {
  SkinButton button;
  EXPECT_EQ(button.SetPressedShift(2, FALSE), 6);
  EXPECT_EQ(button.SetPressedShift(1, FALSE), 0);
  EXPECT_EQ(button.SetPressedShift(0, FALSE), 0);
  EXPECT_EQ(button.SetHoverCursor(0, FALSE), 0);
  EXPECT_EQ(button.SetHoverCursor(0x7FF0, FALSE), 1) << "no such cursor resource";
  EXPECT_EQ(button.SetHoverCursor(149, FALSE), 0) << "the installer's hand cursor";
  EXPECT_EQ(button.SetHoverCursor(0, FALSE), 0);
  EXPECT_EQ(button.SetFocusRectInFlat(TRUE, FALSE), 0);
  EXPECT_EQ(button.SetBorderVisible(FALSE, FALSE), 0);
  EXPECT_EQ(button.ResetStateColors(FALSE), 0);
  // Not a check box: the check state stays off.
  EXPECT_EQ(button.SetCheckState(1, FALSE), 0);
  EXPECT_FALSE(button.GetCheckState());
}

TEST(SkinButtonFaces, InstallerFacesHaveNoTransparentPixels) {
  // Faces 142..147 are 79 x 36, 148 is 52 x 28; none holds RGB(66, 66, 66),
  // so their masks are all zero and they draw fully opaque.
  for (UINT id = 142; id <= 148; ++id) {
    HBITMAP face = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    ASSERT_NE(face, nullptr) << id;
    BITMAP info = {};
    ASSERT_TRUE(::GetObjectW(face, sizeof(info), &info));
    EXPECT_EQ(info.bmWidth, id == 148 ? 52 : 79) << id;
    EXPECT_EQ(info.bmHeight, id == 148 ? 28 : 36) << id;
    HBITMAP mask = SkinButton::MakeMaskBitmap(face, info.bmWidth, info.bmHeight, kTransparent);
    ASSERT_NE(mask, nullptr);
    int transparentPixels = 0;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, mask);
    for (int y = 0; y < info.bmHeight; ++y)
      for (int x = 0; x < info.bmWidth; ++x) transparentPixels += ::GetPixel(dc, x, y) != RGB(0, 0, 0);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    EXPECT_EQ(transparentPixels, 0) << id;
    ::DeleteObject(mask);
    ::DeleteObject(face);
  }
}
