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
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    r.olePicture->get_Width(&width);
    r.olePicture->get_Height(&height);
    SIZE device = HimetricToDevice(dc, {LONG(width), LONG(height)});
    // Source from the bottom-left corner upward: the picture comes out upright.
    r.olePicture->Render(dc, x, y, device.cx, device.cy, 0, height, width, -height, nullptr);
  }
}

}  // namespace controls
