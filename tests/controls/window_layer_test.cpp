// The window layer the installer's dialogs stand on: modal loop, keyboard
// routing to OnOK/OnCancel, reflection order, binding, worker start.
#include <gtest/gtest.h>

#include <atomic>

#include "host_dialog.h"
#include "platform/ui/app.h"
#include "platform/ui/button.h"
#include "platform/ui/gdi.h"
#include "platform/ui/thread.h"
#include "test_resources.h"

using controls_test::HostDialog;

namespace {

constexpr UINT WM_WORKER_DONE = WM_APP + 7;

// A plain bound button that can claim reflected clicks.
class ClaimingButton : public ui::CButton {
 public:
  bool claim = false;
  int reflected = 0;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
      ++reflected;
      return claim;
    }
    return ui::CButton::OnChildNotify(message, wParam, lParam, result);
  }
};

// Ends itself inside OnInitDialog, as the wizard does on a damaged package.
class EndsAtOnce : public ui::CDialog {
 public:
  EndsAtOnce() : ui::CDialog(IDD_CONTROLS_HOST) {}
  bool visibleAtDestroy = true;
  bool destroyed = false;

 protected:
  BOOL OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    EndDialog(IDCANCEL);
    return FALSE;
  }
  void OnDestroy() override {
    destroyed = true;
    visibleAtDestroy = IsWindowVisible();
  }
};

}  // namespace

TEST(WindowLayer, ApplicationNameIsTheExecutableName) {
  EXPECT_EQ(ui::AfxGetApp(), nullptr);
  EXPECT_STREQ(ui::AfxGetAppName(), L"controls_tests");
}

TEST(WindowLayer, EndDialogInsideOnInitDialogNeverShowsTheDialog) {
  EndsAtOnce dialog;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(dialog.destroyed);
  EXPECT_FALSE(dialog.visibleAtDestroy);
  EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(WindowLayer, MissingTemplateFailsDoModal) {
  ui::CDialog dialog(0x7FF1);
  EXPECT_EQ(dialog.DoModal(), -1);
}

TEST(WindowLayer, EnterEscapeAndCloseGoThroughOnOkAndOnCancel) {
  HostDialog host;
  host.bindButtons = false;
  host.Run({
      [](HostDialog& h) {
        HWND edit = h.GetDlgItem(IDC_HOST_EDIT);
        ::SetFocus(edit);
        ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
        h.PostMessage(WM_CLOSE);
        h.PostMessage(WM_SYSCOMMAND, SC_CLOSE);
      },
      [](HostDialog& h) {
        EXPECT_EQ(h.okCount, 1) << "Enter";
        EXPECT_EQ(h.cancelCount, 3) << "Esc, WM_CLOSE, SC_CLOSE";
        EXPECT_TRUE(h.IsWindowVisible()) << "the overrides kept the dialog open";
      },
  });
}

TEST(WindowLayer, ReflectedClickComesFirstAndMayBeClaimed) {
  HostDialog host;
  host.bindButtons = false;
  ClaimingButton back;
  host.onInit = [&](HostDialog& h) { EXPECT_TRUE(back.SubclassDlgItem(IDC_HOST_BACK, &h)); };
  const DWORD backClicked = ui::Command(IDC_HOST_BACK, BN_CLICKED);
  host.Run({
      [&](HostDialog& h) {
        EXPECT_EQ(ui::CWnd::FromHandlePermanent(h.GetDlgItem(IDC_HOST_BACK)), &back);
        ::SendMessageW(back.m_hWnd, BM_CLICK, 0, 0);
        EXPECT_EQ(back.reflected, 1);
        EXPECT_EQ(h.commands[backClicked], 1) << "not claimed: the parent gets it";
        back.claim = true;
        ::SendMessageW(back.m_hWnd, BM_CLICK, 0, 0);
        EXPECT_EQ(back.reflected, 2);
        EXPECT_EQ(h.commands[backClicked], 1) << "claimed: the parent does not";
      },
  });
  EXPECT_EQ(back.m_hWnd, nullptr);
}

// A dialog with an owner that notes whether its owner is disabled while it
// runs, then ends itself.
class OwnedDialog : public ui::CDialog {
 public:
  explicit OwnedDialog(ui::CWnd* owner) : ui::CDialog(IDD_CONTROLS_HOST, owner) {}
  bool ownerDisabledInside = false;

 protected:
  BOOL OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    ::SetTimer(m_hWnd, 1, 50, nullptr);
    return TRUE;
  }
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_TIMER) {
      ownerDisabledInside = !::IsWindowEnabled(::GetWindow(m_hWnd, GW_OWNER));
      ::KillTimer(m_hWnd, 1);
      EndDialog(77);
      return true;
    }
    return ui::CDialog::HandleMessage(message, wParam, lParam, result);
  }
};

TEST(WindowLayer, NestedModalDisablesItsOwner) {
  HostDialog outer;
  outer.bindButtons = false;
  bool ownerDisabledInside = false;
  bool ownerEnabledAfter = false;
  outer.Run({
      [&](HostDialog& o) {
        OwnedDialog child(&o);
        EXPECT_EQ(child.DoModal(), 77);
        ownerDisabledInside = child.ownerDisabledInside;
        ownerEnabledAfter = o.IsWindowEnabled();
      },
  });
  EXPECT_TRUE(ownerDisabledInside);
  EXPECT_TRUE(ownerEnabledAfter);
}

// Receives the worker's report.
class ReportingHost : public HostDialog {
 public:
  int received = 0;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message == WM_WORKER_DONE) {
      received += int(wParam);
      result = 0;
      return true;
    }
    return HostDialog::HandleMessage(message, wParam, lParam, result);
  }
};

struct WorkerReport {
  HWND window = nullptr;
  std::atomic<int> ran{0};
};

UINT ReportingWorker(LPVOID param) {
  auto* report = static_cast<WorkerReport*>(param);
  report->ran = 1;
  ::SendMessageW(report->window, WM_WORKER_DONE, 5, 0);  // synchronous, as the installer's workers report
  return 0;
}

TEST(WindowLayer, WorkerRunsDetachedAndReportsBySendMessage) {
  WorkerReport report;
  ReportingHost host;
  host.bindButtons = false;
  host.Run({
      [&](HostDialog& h) {
        report.window = h.m_hWnd;
        EXPECT_TRUE(ui::AfxBeginThread(&ReportingWorker, &report));
      },
      [](HostDialog&) {},
      [&](HostDialog&) { EXPECT_EQ(host.received, 5); },
  });
  EXPECT_EQ(report.ran.load(), 1);
  EXPECT_FALSE(ui::AfxBeginThread(nullptr, nullptr));
}

TEST(WindowLayer, PointFontHeightFollowsTheResolution) {
  ui::CFont font;
  ASSERT_TRUE(font.CreatePointFont(120, L"Tahoma"));
  LOGFONTW info = {};
  ASSERT_TRUE(::GetObjectW(font, sizeof(info), &info));
  HDC screen = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(info.lfHeight, -::MulDiv(dpi, 120, 720));
  EXPECT_STREQ(info.lfFaceName, L"Tahoma");
}
