// skin-demo: the wizard's 600 x 360 background with its four skinned
// buttons, to see and drive the controls without an install package.
// Cancel (or Esc) ends it; "--seconds N" ends it after N seconds.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "app/resource.h"
#include "controls/imaging.h"
#include "controls/skin_button.h"
#include "platform/ui/app.h"
#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"

namespace {

constexpr UINT IDD_SKIN_DEMO = 400;
constexpr UINT_PTR kEndTimer = 1;
constexpr COLORREF kButtonTransparent = RGB(66, 66, 66);

HBITMAP LoadFace(UINT id) {
  return static_cast<HBITMAP>(
      ::LoadImageW(ui::AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

class SkinDemoDlg : public ui::CDialog {
 public:
  explicit SkinDemoDlg(UINT seconds) : ui::CDialog(IDD_SKIN_DEMO), seconds_(seconds) {}

 protected:
  void DoDataExchange(ui::CDataExchange* dx) override {
    ui::DDX_Control(dx, IDC_BROWSE, browseButton);
    ui::DDX_Control(dx, IDC_BACK, backButton);
    ui::DDX_Control(dx, IDCANCEL, cancelButton);
    ui::DDX_Control(dx, IDOK, nextButton);
  }

  BOOL OnInitDialog() override {
    ui::CDialog::OnInitDialog();
    int x = (::GetSystemMetrics(SM_CXSCREEN) - 600) / 2;
    int y = (::GetSystemMetrics(SM_CYSCREEN) - 360) / 2;
    MoveWindow(x, y, 600, 360);
    // Faces as the wizard gives them: the browse face loaded twice, so
    // that each slot owns its own handle.
    Configure(browseButton, IDB_BROWSE, IDB_BROWSE, FALSE);
    Place(cancelButton, 317, 282, 79, 36);
    Configure(cancelButton, IDB_CANCEL_HOT, IDB_CANCEL_IDLE, TRUE);
    Place(backButton, 408, 282, 79, 36);
    Configure(backButton, IDB_BACK_HOT, IDB_BACK_IDLE, TRUE);
    Place(nextButton, 499, 282, 79, 36);
    Configure(nextButton, IDB_NEXT_HOT, IDB_NEXT_IDLE, TRUE);
    Place(browseButton, 520, 206, 52, 28);
    if (seconds_ > 0) ::SetTimer(m_hWnd, kEndTimer, seconds_ * 1000, nullptr);
    return TRUE;
  }

  void OnPaint() override {
    ui::CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    ui::CBitmap background;
    if (background.LoadBitmap(IDB_BACKGROUND)) {
      BITMAP info = {};
      ::GetObjectW(background, sizeof(info), &info);
      ui::CMemoryDC memory(dc);
      ui::CSelectObject select(memory, background);
      ::SetStretchBltMode(dc, COLORONCOLOR);
      ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    }
    ui::CFont font;
    font.CreatePointFont(90, L"微软雅黑", dc);
    ui::CSelectObject selectFont(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    wchar_t line[128];
    std::swprintf(line, 128, L"skin-demo    上一步: %d    下一步: %d    浏览: %d", backClicks_, nextClicks_,
                  browseClicks_);
    RECT text = {20, 240, client.right - 20, 270};
    ::DrawTextW(dc, line, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  HBRUSH OnCtlColor(HDC dc, HWND, UINT) override {
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
  }

  void OnOK() override { Count(nextClicks_); }

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_TIMER:
        if (wParam == kEndTimer) {
          EndDialog(IDCANCEL);
          return true;
        }
        break;
      case WM_COMMAND:
        switch (ui::CommandKey(wParam)) {
          case ui::Command(IDC_BACK, BN_CLICKED):
            Count(backClicks_);
            return true;
          case ui::Command(IDC_BROWSE, BN_CLICKED):
            Count(browseClicks_);
            return true;
        }
        break;
    }
    return ui::CDialog::HandleMessage(message, wParam, lParam, result);
  }

 private:
  void Place(ui::CWnd& control, int x, int y, int width, int height) { control.MoveWindow(x, y, width, height); }

  void Configure(controls::SkinButton& button, UINT hot, UINT idle, BOOL repaint) {
    button.SetFaceBitmaps(LoadFace(hot), kButtonTransparent, LoadFace(idle), kButtonTransparent, nullptr, 0);
    button.UseParentBackground(repaint);
    button.SetFocusRectInFlat(FALSE, TRUE);
    button.SetBorderVisible(FALSE, TRUE);
    button.SetHoverCursor(IDC_BUTTON_HAND, TRUE);
  }

  void Count(int& counter) {
    ++counter;
    RECT line = {0, 240, 600, 270};
    InvalidateRect(&line, TRUE);
  }

  controls::SkinButton browseButton;
  controls::SkinButton backButton;
  controls::SkinButton cancelButton;
  controls::SkinButton nextButton;
  UINT seconds_;
  int backClicks_ = 0;
  int nextClicks_ = 0;
  int browseClicks_ = 0;
};

// "--seconds N" on the command line, else 0 (run until Cancel).
UINT SecondsFromCommandLine() {
  int count = 0;
  wchar_t** args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  UINT seconds = 0;
  for (int i = 1; args && i + 1 < count; ++i)
    if (std::wcscmp(args[i], L"--seconds") == 0) seconds = UINT(std::wcstoul(args[i + 1], nullptr, 10));
  ::LocalFree(args);
  return seconds;
}

class SkinDemoApp : public ui::CWinApp {
 public:
  BOOL InitInstance() override {
    ui::AfxEnableControlContainer();
    ::CoInitialize(nullptr);
    controls::ImagingStartup();
    {
      SkinDemoDlg dialog(SecondsFromCommandLine());
      m_pMainWnd = &dialog;
      dialog.DoModal();
      m_pMainWnd = nullptr;
    }
    return FALSE;
  }

  int ExitInstance() override {
    controls::ImagingShutdown();
    return ui::CWinApp::ExitInstance();
  }
};

SkinDemoApp theApp;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return ui::AfxWinMain(instance, showCommand);
}
