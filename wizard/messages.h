// The private window messages through which the install workers report to
// the wizard, their step codes and the answers of the retry prompt. Plain
// numbers here so that platform-neutral code (the copy and start-menu loops)
// can name them without <windows.h>.
#pragma once

// WM_USER of <windows.h>; the private range starts there.
inline constexpr unsigned int kWmUserBase = 0x0400;

// wParam: step code; lParam: 0 = the step has ended, otherwise a pointer to
// the std::wstring naming the item just processed (valid during the send).
// The environment check (4) ends with a pointer to what it learnt of the
// package, a wizard::PackageCheck.
inline constexpr unsigned int WM_INSTALL_STEP = kWmUserBase + 321;
// wParam: pointer to std::wstring[3] (menu path, target, description) of one
// shortcut record; lParam: 0.
inline constexpr unsigned int WM_ADD_MENU_ITEM = kWmUserBase + 322;
// wParam: step code (only 8 is sent); lParam: pointer to the std::wstring
// holding the destination path. Result: one of the RetryAnswer values.
inline constexpr unsigned int WM_ASK_RETRY = kWmUserBase + 323;
static_assert(WM_INSTALL_STEP == 1345 && WM_ADD_MENU_ITEM == 1346 && WM_ASK_RETRY == 1347);

namespace wizard {

// Step codes equal the page the wizard shows while the step runs.
enum InstallStep : int {
  STEP_CHECK_ENVIRONMENT = 4,
  STEP_INSTALL_COMPONENTS = 7,
  STEP_COPY_FILES = 8,
  STEP_WRITE_REGISTRY = 10,
  STEP_CREATE_START_MENU = 11,
};

// Result of WM_ASK_RETRY.
enum RetryAnswer : int {
  RETRY_GIVE_UP = -1,  // leave the copy loop; the wizard has set installFailed
  RETRY_SKIP = 0,      // go on with the next entry (answer for codes other than 8)
  RETRY_AGAIN = 1,     // attempt the same entry again
};

}  // namespace wizard
