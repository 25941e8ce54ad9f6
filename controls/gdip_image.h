// GdipImage: a picture given as encoded bytes in memory (PNG, JPEG, GIF,
// BMP, ... whatever GDI+ decodes; the OLE picture service as fallback),
// drawn at a point of a device context at its natural size, or smoothly
// scaled into a rectangle (the wizard at a display scale other than 100 %).
#pragma once

#include <windows.h>

namespace controls {

class GdipImage {
 public:
  GdipImage();
  // Releases the image, the picture and the memory block.
  ~GdipImage();
  GdipImage(const GdipImage&) = delete;
  GdipImage& operator=(const GdipImage&) = delete;

  // Drops any previous picture, copies `size` bytes of `data` (the caller
  // keeps its buffer) and decodes them. True when a picture object exists
  // afterwards; bytes GDI+ cannot decode still give true and draw nothing.
  bool LoadFromBytes(const BYTE* data, int size);
  // Draws the picture with its top-left corner at (x, y); nothing when empty.
  void DrawAt(HDC dc, int x, int y);
  // The size DrawAt gives the picture on a 96 DPI screen (0 x 0 when empty
  // or undecodable): its pixels, at the resolution the picture names.
  SIZE NaturalSize() const;
  // Draws the picture stretched to `rect` with high-quality (bicubic)
  // interpolation, edge pixels repeated rather than faded; nothing when empty.
  void DrawInRect(HDC dc, const RECT& rect);

  // The number of bytes held (0 when empty).
  long long ByteCount() const;

 private:
  struct Record;
  Record* record_;
};

}  // namespace controls
