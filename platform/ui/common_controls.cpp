// The common controls library, loaded at first use.
#include "platform/ui/common_controls.h"

#include "platform/ui/dll_search.h"

namespace ui::commctl {

namespace {

struct Functions {
  decltype(::InitCommonControlsEx)* initCommonControlsEx = nullptr;
  decltype(::SetWindowSubclass)* setWindowSubclass = nullptr;
  decltype(::RemoveWindowSubclass)* removeWindowSubclass = nullptr;
  decltype(::DefSubclassProc)* defSubclassProc = nullptr;
  decltype(::_TrackMouseEvent)* trackMouseEvent = nullptr;
};

Functions Load() {
  HMODULE library = LoadSystemDll(L"comctl32.dll");
  Functions f;
  f.initCommonControlsEx = DllFunction<decltype(::InitCommonControlsEx)>(library, "InitCommonControlsEx");
  f.setWindowSubclass = DllFunction<decltype(::SetWindowSubclass)>(library, "SetWindowSubclass");
  f.removeWindowSubclass = DllFunction<decltype(::RemoveWindowSubclass)>(library, "RemoveWindowSubclass");
  f.defSubclassProc = DllFunction<decltype(::DefSubclassProc)>(library, "DefSubclassProc");
  f.trackMouseEvent = DllFunction<decltype(::_TrackMouseEvent)>(library, "_TrackMouseEvent");
  return f;
}

// Loaded once, on the first call (always on the user-interface thread).
const Functions& Library() {
  static const Functions functions = Load();
  return functions;
}

}  // namespace

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* classes) {
  auto* f = Library().initCommonControlsEx;
  return f ? f(classes) : FALSE;
}

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR data) {
  auto* f = Library().setWindowSubclass;
  return f ? f(window, proc, id, data) : FALSE;
}

BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC proc, UINT_PTR id) {
  auto* f = Library().removeWindowSubclass;
  return f ? f(window, proc, id) : FALSE;
}

LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* f = Library().defSubclassProc;
  return f ? f(window, message, wParam, lParam) : ::DefWindowProcW(window, message, wParam, lParam);
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  auto* f = Library().trackMouseEvent;
  return f ? f(track) : FALSE;
}

}  // namespace ui::commctl
