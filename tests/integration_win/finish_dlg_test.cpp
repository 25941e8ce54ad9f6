// The finish dialog as a user meets it: it opens with its three boxes
// ticked and the product's text, Esc, the close box and Alt+F4 leave it
// open, and "完成" (or Enter) ends it with the boxes' state as flags. A test
// thread drives the dialog while ShowFinish runs its modal loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "app/resource.h"
#include "integration/finish_actions.h"
#include "integration/win/finish_dlg.h"

namespace {

const wchar_t kCaption[] = L"安装完成";

// The visible finish dialog of this process (another program's is not ours).
HWND FindFinishDialog() {
  for (HWND dlg = FindWindowExW(nullptr, nullptr, L"#32770", kCaption); dlg != nullptr;
       dlg = FindWindowExW(nullptr, dlg, L"#32770", kCaption)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(dlg, &pid);
    if (pid == GetCurrentProcessId() && IsWindowVisible(dlg)) return dlg;
  }
  return nullptr;
}

HWND WaitForFinishDialog() {
  for (int i = 0; i < 400; ++i) {
    if (HWND dlg = FindFinishDialog()) return dlg;
    Sleep(25);
  }
  return nullptr;
}

bool IsTicked(HWND dlg, int id) { return SendDlgItemMessageW(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Click(HWND dlg, int id) { SendMessageW(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

// Runs ShowFinish on this thread while `drive` works the dialog from another.
// The driver always leaves through "完成" so that the test cannot hang.
struct Session {
  INT_PTR result = 0;
  int flags = -1;
};

Session RunDialog(const std::wstring& productName, const std::function<void(HWND)>& drive, bool hasMainProgram = true) {
  Session session;
  std::atomic<bool> found{true};
  std::thread driver([&] {
    HWND dlg = WaitForFinishDialog();
    if (dlg == nullptr) {
      found = false;
      return;
    }
    drive(dlg);
    if (IsWindow(dlg)) Click(dlg, IDOK);
  });
  FinishDlg dialog(nullptr);
  dialog.hasMainProgram = hasMainProgram;
  session.result = dialog.ShowFinish(productName);
  driver.join();
  EXPECT_TRUE(found.load()) << "the finish dialog never appeared";
  session.flags = dialog.choiceFlags;
  return session;
}

TEST(FinishDlg, OpensWithAllChoicesTickedAndTheProductText) {
  std::wstring text;
  bool run = false, desktop = false, autostart = false;
  const std::wstring product = L"岚杉爬虫系统";
  Session s = RunDialog(product, [&](HWND dlg) {
    run = IsTicked(dlg, IDC_RUN_PROGRAM);
    desktop = IsTicked(dlg, IDC_DESKTOP_LINK);
    autostart = IsTicked(dlg, IDC_AUTOSTART);
    wchar_t buffer[256] = {};
    GetDlgItemTextW(dlg, IDC_FINISH_TEXT, buffer, 256);
    text = buffer;
  });
  EXPECT_TRUE(run);
  EXPECT_TRUE(desktop);
  EXPECT_TRUE(autostart);
  EXPECT_EQ(text, L"岚杉爬虫系统已经正确安装，请点击“完成”结束操作。");
  EXPECT_EQ(s.result, IDOK);
  EXPECT_EQ(s.flags, FINISH_DESKTOP_LINK | FINISH_AUTOSTART | FINISH_RUN_PROGRAM);
}

TEST(FinishDlg, WithoutMainProgramTheBoxesAreClearedAndDisabled) {
  int ticked = 0, enabled = 0;
  Session s = RunDialog(
      L"P",
      [&](HWND dlg) {
        for (int id : {IDC_RUN_PROGRAM, IDC_DESKTOP_LINK, IDC_AUTOSTART}) {
          ticked += IsTicked(dlg, id);
          enabled += IsWindowEnabled(GetDlgItem(dlg, id)) != 0;
        }
      },
      false);
  EXPECT_EQ(ticked, 0);
  EXPECT_EQ(enabled, 0);
  EXPECT_EQ(s.result, IDOK);
  EXPECT_EQ(s.flags, 0);
}

TEST(FinishDlg, EscCloseBoxAndAltF4LeaveItOpen) {
  bool openAfterEsc = false, openAfterClose = false, openAfterAltF4 = false;
  Session s = RunDialog(L"P", [&](HWND dlg) {
    // Esc to the focused "完成" button, through the dialog manager as the keyboard delivers it.
    PostMessageW(GetDlgItem(dlg, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(GetDlgItem(dlg, IDOK), WM_KEYUP, VK_ESCAPE, 0);
    Sleep(200);
    openAfterEsc = IsWindow(dlg) && IsWindowVisible(dlg);
    SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);  // the caption's close box
    Sleep(50);
    openAfterClose = IsWindow(dlg) && IsWindowVisible(dlg);
    SendMessageW(dlg, WM_CLOSE, 0, 0);  // Alt+F4
    SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    Sleep(50);
    openAfterAltF4 = IsWindow(dlg) && IsWindowVisible(dlg);
  });
  EXPECT_TRUE(openAfterEsc);
  EXPECT_TRUE(openAfterClose);
  EXPECT_TRUE(openAfterAltF4);
  // Only "完成" ended it, with the choices untouched.
  EXPECT_EQ(s.result, IDOK);
  EXPECT_EQ(s.flags, 7);
}

struct ClearCase {
  const char* name;
  int cleared[3];  // ids of the boxes the user clears (0: none)
  int flags;
};

class FinishChoices : public ::testing::TestWithParam<ClearCase> {};

TEST_P(FinishChoices, DoneComputesTheFlagsOfTheTickedBoxes) {
  const ClearCase& c = GetParam();
  Session s = RunDialog(L"P", [&](HWND dlg) {
    for (int id : c.cleared)
      if (id != 0) Click(dlg, id);
  });
  EXPECT_EQ(s.result, IDOK);
  EXPECT_EQ(s.flags, c.flags);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FinishChoices,
    ::testing::Values(ClearCase{"AllCleared", {IDC_RUN_PROGRAM, IDC_DESKTOP_LINK, IDC_AUTOSTART}, 0},
                      ClearCase{"OnlyRunProgram", {IDC_DESKTOP_LINK, IDC_AUTOSTART, 0}, FINISH_RUN_PROGRAM},
                      ClearCase{"OnlyDesktop", {IDC_RUN_PROGRAM, IDC_AUTOSTART, 0}, FINISH_DESKTOP_LINK},
                      ClearCase{"OnlyAutostart", {IDC_RUN_PROGRAM, IDC_DESKTOP_LINK, 0}, FINISH_AUTOSTART},
                      ClearCase{"AutostartCleared", {IDC_AUTOSTART, 0, 0}, FINISH_DESKTOP_LINK | FINISH_RUN_PROGRAM}),
    [](const ::testing::TestParamInfo<ClearCase>& info) { return std::string(info.param.name); });

TEST(FinishDlg, EnterIsTheDoneButton) {
  Session s = RunDialog(L"P", [&](HWND dlg) {
    Click(dlg, IDC_RUN_PROGRAM);
    HWND done = GetDlgItem(dlg, IDOK);
    PostMessageW(done, WM_KEYDOWN, VK_RETURN, 0);
    for (int i = 0; i < 100 && IsWindow(dlg); ++i) Sleep(20);
  });
  EXPECT_EQ(s.result, IDOK);
  EXPECT_EQ(s.flags, FINISH_DESKTOP_LINK | FINISH_AUTOSTART);
}

}  // namespace
