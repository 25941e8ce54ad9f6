// The display scale a window is drawn at. The programs declare themselves
// per-monitor aware (their manifests), so the system does not stretch their
// windows: they draw at the DPI of the monitor the window is on and hear of a
// change through WM_DPICHANGED (wParam: the new DPI in both words; lParam:
// the window rectangle the system suggests for it, in screen coordinates).
#pragma once

#include <windows.h>

namespace ui {

// The window's DPI: its monitor's where the system knows per-monitor
// awareness (Windows 10 from 1607), else the system DPI.
UINT WindowDpi(HWND window);

// Lets a dialog that lays itself out at a new DPI do so alone: the dialog
// manager neither resizes its controls nor sends them new fonts (Windows 10
// from 1703; before that it does neither anyway).
void KeepDialogLayoutOnDpiChange(HWND dialog);

}  // namespace ui
