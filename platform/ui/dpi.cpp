#include "platform/ui/dpi.h"

namespace ui {

namespace {

// user32's entry `name` as a function of type Fn where this Windows has it
// (user32 is always loaded).
template <class Fn>
Fn User32Entry(const char* name) {
  auto entry = ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name);
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

}  // namespace

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  if (auto getDpi = User32Entry<GetDpiForWindowFn>("GetDpiForWindow")) {
    if (UINT dpi = getDpi(window)) return dpi;
  }
  HDC dc = ::GetDC(window);
  const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) ::ReleaseDC(window, dc);
  return dpi > 0 ? UINT(dpi) : USER_DEFAULT_SCREEN_DPI;
}

void KeepDialogLayoutOnDpiChange(HWND dialog) {
  using SetBehaviourFn = BOOL(WINAPI*)(HWND, int, int);
  constexpr int kDisableAll = 1;  // DDC_DISABLE_ALL
  if (auto set = User32Entry<SetBehaviourFn>("SetDialogDpiChangeBehavior")) set(dialog, kDisableAll, kDisableAll);
}

}  // namespace ui
