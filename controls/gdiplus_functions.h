// The GDI+ functions the pictures use. GDI+ is not a known DLL, so it is
// not imported: ImagingStartup loads gdiplus.dll with ui::LoadSystemDll and
// looks them up.
#pragma once

#include <windows.h>
#include <ole2.h>  // IStream and PROPID, which GDI+ needs (lean Windows headers)
#include <gdiplus.h>

namespace controls {

struct GdiplusFunctions {
  decltype(Gdiplus::DllExports::GdipLoadImageFromStream)* loadImageFromStream = nullptr;
  decltype(Gdiplus::DllExports::GdipDisposeImage)* disposeImage = nullptr;
  decltype(Gdiplus::DllExports::GdipCreateFromHDC)* createFromHdc = nullptr;
  decltype(Gdiplus::DllExports::GdipDrawImageI)* drawImageI = nullptr;
  decltype(Gdiplus::DllExports::GdipDeleteGraphics)* deleteGraphics = nullptr;
  // The picture's size and its drawing scaled into a rectangle.
  decltype(Gdiplus::DllExports::GdipGetImageWidth)* getImageWidth = nullptr;
  decltype(Gdiplus::DllExports::GdipGetImageHeight)* getImageHeight = nullptr;
  decltype(Gdiplus::DllExports::GdipGetImageHorizontalResolution)* getImageHorizontalResolution = nullptr;
  decltype(Gdiplus::DllExports::GdipGetImageVerticalResolution)* getImageVerticalResolution = nullptr;
  decltype(Gdiplus::DllExports::GdipSetInterpolationMode)* setInterpolationMode = nullptr;
  decltype(Gdiplus::DllExports::GdipSetPixelOffsetMode)* setPixelOffsetMode = nullptr;
  decltype(Gdiplus::DllExports::GdipCreateImageAttributes)* createImageAttributes = nullptr;
  decltype(Gdiplus::DllExports::GdipSetImageAttributesWrapMode)* setImageAttributesWrapMode = nullptr;
  decltype(Gdiplus::DllExports::GdipDisposeImageAttributes)* disposeImageAttributes = nullptr;
  decltype(Gdiplus::DllExports::GdipDrawImageRectRectI)* drawImageRectRectI = nullptr;
};

// Every function present from a successful ImagingStartup on (also after
// ImagingShutdown: the library stays loaded); before that all are null.
const GdiplusFunctions& Gdip();

}  // namespace controls
