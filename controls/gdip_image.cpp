// GdipImage: decodes encoded picture bytes with GDI+ (OLE picture service as
// fallback) and draws them at their natural size.
//
// Memory-block lifetime: the stream over the block is made with
// fDeleteOnRelease FALSE, so the stream never frees the block. The block is
// freed by this object only, exactly once, after the GDI+ image and the OLE
// picture (which may keep reading from the stream) are released.
#include "controls/gdip_image.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <new>

#include "controls/gdiplus_functions.h"
#include "controls/imaging.h"

namespace controls {

namespace {

// A GDI+ image object. It exists whenever GDI+ was asked to decode while
// running; `native` stays null when the bytes could not be decoded, and
// such an image simply draws nothing.
struct GdiplusImage {
  Gdiplus::GpImage* native = nullptr;
  ~GdiplusImage() {
    if (native) Gdip().disposeImage(native);
  }
};

constexpr int kHimetricPerInch = 2540;
constexpr int kScreenDpi = 96;

// HIMETRIC extent to device units of `dc` (the framework's HIMETRICtoDP).
SIZE HimetricToDevice(HDC dc, SIZE himetric) {
  int mapMode = ::GetMapMode(dc);
  if (mapMode < MM_ISOTROPIC && mapMode != MM_TEXT) {
    // A metric mapping mode: let GDI convert through MM_HIMETRIC.
    ::SetMapMode(dc, MM_HIMETRIC);
    POINT point = {himetric.cx, himetric.cy};
    ::LPtoDP(dc, &point, 1);
    ::SetMapMode(dc, mapMode);
    return {point.x, point.y};
  }
  return {::MulDiv(himetric.cx, ::GetDeviceCaps(dc, LOGPIXELSX), kHimetricPerInch),
          ::MulDiv(himetric.cy, ::GetDeviceCaps(dc, LOGPIXELSY), kHimetricPerInch)};
}

// The picture's extent in HIMETRIC units.
SIZE HimetricSize(IPicture* picture) {
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Width(&width);
  picture->get_Height(&height);
  return {LONG(width), LONG(height)};
}

// Draws the picture into x, y, width x height of `dc`; the source runs from
// its bottom-left corner upward, which draws it upright.
void RenderUpright(IPicture* picture, HDC dc, int x, int y, int width, int height) {
  const SIZE himetric = HimetricSize(picture);
  picture->Render(dc, x, y, width, height, 0, himetric.cy, himetric.cx, -himetric.cy, nullptr);
}

}  // namespace

struct GdipImage::Record {
  GdiplusImage* gdiplusImage = nullptr;
  HGLOBAL memoryBlock = nullptr;
  long long byteCount = 0;
  IPicture* olePicture = nullptr;

  // Back to empty: image and picture first, then the block they read from.
  void Reset() {
    byteCount = 0;
    delete gdiplusImage;
    gdiplusImage = nullptr;
    if (olePicture) olePicture->Release();
    olePicture = nullptr;
    if (memoryBlock) ::GlobalFree(memoryBlock);
    memoryBlock = nullptr;
  }
};

GdipImage::GdipImage() : record_(new Record) {}

GdipImage::~GdipImage() {
  record_->Reset();
  delete record_;
}

long long GdipImage::ByteCount() const { return record_->byteCount; }

bool GdipImage::LoadFromBytes(const BYTE* data, int size) {
  Record& r = *record_;
  r.Reset();
  if (!data || size <= 0) return false;

  r.memoryBlock = ::GlobalAlloc(GMEM_MOVEABLE, SIZE_T(size));
  if (!r.memoryBlock) return false;
  void* locked = ::GlobalLock(r.memoryBlock);
  if (!locked) {
    ::GlobalFree(r.memoryBlock);
    r.memoryBlock = nullptr;
    return false;
  }
  std::memcpy(locked, data, size_t(size));
  ::GlobalUnlock(r.memoryBlock);

  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(r.memoryBlock, FALSE, &stream)) || !stream) {
    ::GlobalFree(r.memoryBlock);
    r.memoryBlock = nullptr;
    return false;
  }

  // GDI+ first. The image object keeps its own reference to the stream.
  if (ImagingRunning()) {
    auto* image = new (std::nothrow) GdiplusImage;
    if (image) {
      Gdip().loadImageFromStream(stream, &image->native);  // status not looked at
      r.gdiplusImage = image;
      r.byteCount = size;
      stream->Release();
      return true;
    }
  }

  // No GDI+ image object: the OLE picture service.
  HRESULT loaded = ::OleLoadPicture(stream, size, TRUE, IID_IPicture, reinterpret_cast<void**>(&r.olePicture));
  stream->Release();
  if (loaded == S_OK && r.olePicture) {
    r.byteCount = size;
    return true;
  }
  if (r.olePicture) r.olePicture->Release();
  r.olePicture = nullptr;
  ::GlobalFree(r.memoryBlock);
  r.memoryBlock = nullptr;
  return false;
}

void GdipImage::DrawAt(HDC dc, int x, int y) {
  Record& r = *record_;
  if (r.gdiplusImage) {
    if (!r.gdiplusImage->native) return;
    Gdiplus::GpGraphics* graphics = nullptr;
    if (Gdip().createFromHdc(dc, &graphics) != Gdiplus::Ok || !graphics) return;
    Gdip().drawImageI(graphics, r.gdiplusImage->native, x, y);
    Gdip().deleteGraphics(graphics);
    return;
  }
  if (r.olePicture) {
    const SIZE device = HimetricToDevice(dc, HimetricSize(r.olePicture));
    RenderUpright(r.olePicture, dc, x, y, device.cx, device.cy);
  }
}

SIZE GdipImage::NaturalSize() const {
  const Record& r = *record_;
  if (r.gdiplusImage && r.gdiplusImage->native) {
    const GdiplusFunctions& gdip = Gdip();
    UINT width = 0, height = 0;
    Gdiplus::REAL dpiX = 0, dpiY = 0;
    gdip.getImageWidth(r.gdiplusImage->native, &width);
    gdip.getImageHeight(r.gdiplusImage->native, &height);
    gdip.getImageHorizontalResolution(r.gdiplusImage->native, &dpiX);
    gdip.getImageVerticalResolution(r.gdiplusImage->native, &dpiY);
    auto at96 = [](UINT pixels, Gdiplus::REAL dpi) {
      return dpi > 0 ? LONG(pixels * kScreenDpi / dpi + 0.5f) : LONG(pixels);
    };
    return {at96(width, dpiX), at96(height, dpiY)};
  }
  if (r.olePicture) {
    const SIZE himetric = HimetricSize(r.olePicture);
    return {::MulDiv(himetric.cx, kScreenDpi, kHimetricPerInch), ::MulDiv(himetric.cy, kScreenDpi, kHimetricPerInch)};
  }
  return {0, 0};
}

void GdipImage::DrawInRect(HDC dc, const RECT& rect) {
  Record& r = *record_;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (r.gdiplusImage) {
    const GdiplusFunctions& gdip = Gdip();
    Gdiplus::GpImage* image = r.gdiplusImage->native;
    Gdiplus::GpGraphics* graphics = nullptr;
    if (!image || gdip.createFromHdc(dc, &graphics) != Gdiplus::Ok || !graphics) return;
    UINT sourceWidth = 0, sourceHeight = 0;
    gdip.getImageWidth(image, &sourceWidth);
    gdip.getImageHeight(image, &sourceHeight);
    gdip.setInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    gdip.setPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
    // The filter reads beyond the picture's edges: it finds the edge pixels
    // mirrored there, not transparency, so the edges stay as sharp as the rest.
    Gdiplus::GpImageAttributes* edges = nullptr;
    if (gdip.createImageAttributes(&edges) == Gdiplus::Ok && edges)
      gdip.setImageAttributesWrapMode(edges, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    gdip.drawImageRectRectI(graphics, image, rect.left, rect.top, width, height, 0, 0, INT(sourceWidth),
                            INT(sourceHeight), Gdiplus::UnitPixel, edges, nullptr, nullptr);
    if (edges) gdip.disposeImageAttributes(edges);
    gdip.deleteGraphics(graphics);
    return;
  }
  if (r.olePicture) RenderUpright(r.olePicture, dc, rect.left, rect.top, width, height);
}

}  // namespace controls
