// The functions of the common controls library (comctl32.dll) that the
// window layer and the skinned button use. The library is not a known DLL,
// so it is not imported: the first call loads it with LoadSystemDll (after
// the DLL search was limited at start-up) and looks the functions up. With
// the manifest's dependency on the side-by-side common controls, that is
// the version the loader takes.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace ui::commctl {

// As the functions of the same names; where the library or the function
// cannot be had they fail (FALSE), and DefSubclassProc passes the message
// to DefWindowProcW.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);
BOOL SetWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data);
BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id);
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The library's _TrackMouseEvent.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);

}  // namespace ui::commctl
