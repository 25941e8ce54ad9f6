// GDI+ start-up and shutdown; the token is the one process-wide state.
#include "controls/imaging.h"

#include <windows.h>
#include <ole2.h>  // IStream and PROPID, which GDI+ needs (lean Windows headers)
#include <gdiplus.h>

namespace controls {

namespace {

ULONG_PTR g_gdiplusToken = 0;  // written at start-up, read at shutdown

}  // namespace

void ImagingStartup() {
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) g_gdiplusToken = token;
}

void ImagingShutdown() {
  if (g_gdiplusToken != 0) Gdiplus::GdiplusShutdown(g_gdiplusToken);
  g_gdiplusToken = 0;
}

bool ImagingRunning() { return g_gdiplusToken != 0; }

}  // namespace controls
