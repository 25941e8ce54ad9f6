// GdipImage: pictures of the usual formats land with their top-left pixel at
// the given point; undecodable bytes, reloading, and the OLE fallback.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "controls/gdip_image.h"
#include "controls/imaging.h"
#include "test_resources.h"

using controls::GdipImage;

namespace {

constexpr int kPictureWidth = 9, kPictureHeight = 7;
constexpr COLORREF kCanvas = RGB(255, 255, 255);

// The bytes of a test picture resource (data/*).
std::vector<BYTE> Picture(UINT id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const BYTE* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
  if (!data) return {};
  return std::vector<BYTE>(data, data + ::SizeofResource(module, found));
}

// A white 40 x 30 canvas in a memory context.
class Canvas {
 public:
  Canvas() {
    HDC screen = ::GetDC(nullptr);
    dc_ = ::CreateCompatibleDC(screen);
    bitmap_ = ::CreateCompatibleBitmap(screen, 40, 30);
    ::ReleaseDC(nullptr, screen);
    old_ = ::SelectObject(dc_, bitmap_);
    RECT all = {0, 0, 40, 30};
    ::FillRect(dc_, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return ::GetPixel(dc_, x, y); }
  int CountNot(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) n += At(x, y) != colour;
    return n;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

struct Format {
  const char* name;
  UINT id;
  int tolerance;  // JPEG is lossy
};

void ExpectDrawnAt(GdipImage& image, int x, int y, COLORREF colour, int tolerance) {
  Canvas canvas;
  image.DrawAt(canvas.dc(), x, y);
  EXPECT_TRUE(Near(canvas.At(x, y), colour, tolerance)) << std::hex << canvas.At(x, y);
  EXPECT_TRUE(Near(canvas.At(x + kPictureWidth - 1, y + kPictureHeight - 1), colour, tolerance));
  if (x > 0) {
    EXPECT_EQ(canvas.At(x - 1, y), kCanvas);
  }
  if (y > 0) {
    EXPECT_EQ(canvas.At(x, y - 1), kCanvas);
  }
  EXPECT_EQ(canvas.At(x + kPictureWidth, y + kPictureHeight), kCanvas);
}

}  // namespace

TEST(GdipImage, EachFormatLandsWithItsTopLeftPixelAtThePoint) {
  const Format formats[] = {
      {"png", IDR_RED_PNG, 0}, {"jpeg", IDR_RED_JPEG, 24}, {"gif", IDR_RED_GIF, 0}, {"bmp", IDR_BLUE_BMP, 0}};
  for (const Format& format : formats) {
    SCOPED_TRACE(format.name);
    const COLORREF colour = format.id == IDR_BLUE_BMP ? RGB(0, 0, 255) : RGB(255, 0, 0);
    std::vector<BYTE> bytes = Picture(format.id);
    ASSERT_FALSE(bytes.empty());
    GdipImage image;
    ASSERT_TRUE(image.LoadFromBytes(bytes.data(), int(bytes.size())));
    EXPECT_EQ(image.ByteCount(), (long long)bytes.size());
    // The caller's buffer may go at once: the image keeps its own copy.
    std::fill(bytes.begin(), bytes.end(), BYTE(0));
    ExpectDrawnAt(image, 12, 8, colour, format.tolerance);
    ExpectDrawnAt(image, 0, 0, colour, format.tolerance);
  }
}

TEST(GdipImage, BytesThatAreNoPictureLoadButDrawNothing) {
  const std::string text = "this is not a picture at all, just some words";
  GdipImage image;
  EXPECT_TRUE(image.LoadFromBytes(reinterpret_cast<const BYTE*>(text.data()), int(text.size())));
  Canvas canvas;
  image.DrawAt(canvas.dc(), 5, 5);
  EXPECT_EQ(canvas.CountNot(kCanvas), 0);
}

TEST(GdipImage, EmptyImageDrawsNothing) {
  GdipImage image;
  Canvas canvas;
  image.DrawAt(canvas.dc(), 5, 5);
  EXPECT_EQ(canvas.CountNot(kCanvas), 0);
  EXPECT_EQ(image.ByteCount(), 0);
  EXPECT_FALSE(image.LoadFromBytes(nullptr, 0));
  const BYTE one = 0;
  EXPECT_FALSE(image.LoadFromBytes(&one, 0));
  EXPECT_FALSE(image.LoadFromBytes(&one, -5));
}

TEST(GdipImage, LoadingTwiceKeepsOnlyTheSecondPicture) {
  std::vector<BYTE> red = Picture(IDR_RED_PNG);
  std::vector<BYTE> blue = Picture(IDR_BLUE_BMP);
  GdipImage image;
  ASSERT_TRUE(image.LoadFromBytes(red.data(), int(red.size())));
  ASSERT_TRUE(image.LoadFromBytes(blue.data(), int(blue.size())));
  EXPECT_EQ(image.ByteCount(), (long long)blue.size());
  ExpectDrawnAt(image, 3, 4, RGB(0, 0, 255), 0);
  // A failed reload leaves the object empty, not holding the old picture.
  EXPECT_FALSE(image.LoadFromBytes(red.data(), 0));
  Canvas canvas;
  image.DrawAt(canvas.dc(), 3, 4);
  EXPECT_EQ(canvas.CountNot(kCanvas), 0);
}

TEST(GdipImage, WithoutGdiplusTheOlePictureServiceDecodes) {
  std::vector<BYTE> bmp = Picture(IDR_GREEN_BMP);
  ASSERT_FALSE(bmp.empty());
  controls::ImagingShutdown();
  ASSERT_FALSE(controls::ImagingRunning());
  {
    GdipImage image;
    EXPECT_TRUE(image.LoadFromBytes(bmp.data(), int(bmp.size())));
    ExpectDrawnAt(image, 6, 2, RGB(0, 128, 0), 0);
    // Nothing decodes these: no picture object, the load fails.
    const std::string text = "still not a picture";
    EXPECT_FALSE(image.LoadFromBytes(reinterpret_cast<const BYTE*>(text.data()), int(text.size())));
    EXPECT_EQ(image.ByteCount(), 0);
    Canvas canvas;
    image.DrawAt(canvas.dc(), 6, 2);
    EXPECT_EQ(canvas.CountNot(kCanvas), 0);
  }
  controls::ImagingStartup();
  EXPECT_TRUE(controls::ImagingRunning());
}
