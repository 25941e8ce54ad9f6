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
};

// Every function present from a successful ImagingStartup on (also after
// ImagingShutdown: the library stays loaded); before that all are null.
const GdiplusFunctions& Gdip();

}  // namespace controls
