// Process-wide start and stop of GDI+. The application starts it once before
// any window exists and stops it after every GdipImage is gone.
#pragma once

namespace controls {

// GdiplusStartup (version 1); its result is not examined: without GDI+ the
// pictures simply draw nothing.
void ImagingStartup();
// GdiplusShutdown with the token of ImagingStartup.
void ImagingShutdown();
// True between a successful ImagingStartup and ImagingShutdown: only then
// can GDI+ image objects be made (GdipImage falls back to OLE otherwise).
bool ImagingRunning();

}  // namespace controls
