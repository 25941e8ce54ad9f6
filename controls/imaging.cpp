// GDI+ start-up and shutdown; the token and the functions looked up in
// gdiplus.dll are the process-wide state.
#include "controls/imaging.h"

#include "controls/gdiplus_functions.h"
#include "platform/ui/dll_search.h"

namespace controls {

namespace {

ULONG_PTR g_gdiplusToken = 0;  // written at start-up, read at shutdown
GdiplusFunctions g_gdiplus;    // filled by a successful start-up
decltype(Gdiplus::GdiplusShutdown)* g_gdiplusShutdown = nullptr;

}  // namespace

void ImagingStartup() {
  HMODULE library = ui::LoadSystemDll(L"gdiplus.dll");
  auto* startup = ui::DllFunction<decltype(Gdiplus::GdiplusStartup)>(library, "GdiplusStartup");
  auto* shutdown = ui::DllFunction<decltype(Gdiplus::GdiplusShutdown)>(library, "GdiplusShutdown");
  GdiplusFunctions found;
  found.loadImageFromStream =
      ui::DllFunction<decltype(Gdiplus::DllExports::GdipLoadImageFromStream)>(library, "GdipLoadImageFromStream");
  found.disposeImage = ui::DllFunction<decltype(Gdiplus::DllExports::GdipDisposeImage)>(library, "GdipDisposeImage");
  found.createFromHdc = ui::DllFunction<decltype(Gdiplus::DllExports::GdipCreateFromHDC)>(library, "GdipCreateFromHDC");
  found.drawImageI = ui::DllFunction<decltype(Gdiplus::DllExports::GdipDrawImageI)>(library, "GdipDrawImageI");
  found.deleteGraphics =
      ui::DllFunction<decltype(Gdiplus::DllExports::GdipDeleteGraphics)>(library, "GdipDeleteGraphics");
  if (!startup || !shutdown || !found.loadImageFromStream || !found.disposeImage || !found.createFromHdc ||
      !found.drawImageI || !found.deleteGraphics)
    return;  // as a failed start: the pictures go through the OLE picture service

  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  ULONG_PTR token = 0;
  if (startup(&token, &input, nullptr) != Gdiplus::Ok) return;
  g_gdiplus = found;
  g_gdiplusShutdown = shutdown;
  g_gdiplusToken = token;
}

void ImagingShutdown() {
  if (g_gdiplusToken != 0) g_gdiplusShutdown(g_gdiplusToken);
  g_gdiplusToken = 0;
}

bool ImagingRunning() { return g_gdiplusToken != 0; }

const GdiplusFunctions& Gdip() { return g_gdiplus; }

}  // namespace controls
