#include "integration/win/finish_dlg.h"

#include "integration/finish_actions.h"
#include "platform/ui/app.h"
#include "res/resource.h"

namespace {

// The check boxes in the order they are ticked and read, with their bits.
struct ChoiceBox {
  int id;
  int bit;
};
constexpr ChoiceBox kChoiceBoxes[] = {
    {IDC_RUN_PROGRAM, FINISH_RUN_PROGRAM},
    {IDC_AUTOSTART, FINISH_AUTOSTART},
    {IDC_DESKTOP_LINK, FINISH_DESKTOP_LINK},
};

// Posted by OnInitDialog: handled once the modal loop has shown the dialog.
constexpr UINT WM_TAKE_KEYBOARD = WM_APP + 1;

}  // namespace

FinishDlg::FinishDlg(ui::CWnd* parent) : ui::CDialog(IDD_FINISH, parent) {}

FinishDlg::~FinishDlg() = default;

INT_PTR FinishDlg::ShowFinish(const std::wstring& productName) {
  messageText = integration::FinishText(productName);
  return DoModal();
}

void FinishDlg::DoDataExchange(ui::CDataExchange* dx) { ui::CDialog::DoDataExchange(dx); }

BOOL FinishDlg::OnInitDialog() {
  ui::CDialog::OnInitDialog();
  for (const ChoiceBox& box : kChoiceBoxes) {
    SendDlgItemMessage(box.id, BM_SETCHECK,
                       hasMainProgram && (kFinishDefaults & box.bit) ? BST_CHECKED : BST_UNCHECKED);
    ::EnableWindow(GetDlgItem(box.id), hasMainProgram);
  }
  SetDlgItemText(IDC_FINISH_TEXT, messageText);
  HICON icon = ::LoadIconW(ui::AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP_ICON));
  SetIcon(icon, TRUE);
  SetIcon(icon, FALSE);
  ::BringWindowToTop(m_hWnd);
  PostMessage(WM_TAKE_KEYBOARD);
  return TRUE;
}

bool FinishDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_TAKE_KEYBOARD) {
    TakeKeyboard();
    result = 0;
    return true;
  }
  return ui::CDialog::HandleMessage(message, wParam, lParam, result);
}

void FinishDlg::TakeKeyboard() {
  // The wizard hid itself just before this dialog opened, and the system
  // may have activated another program meanwhile: Enter must reach "完成".
  ::SetForegroundWindow(m_hWnd);
  SendMessage(WM_NEXTDLGCTL, WPARAM(GetDlgItem(IDOK)), TRUE);
}

void FinishDlg::OnOK() {
  choiceFlags = 0;
  for (const ChoiceBox& box : kChoiceBoxes) {
    if (SendDlgItemMessage(box.id, BM_GETCHECK) != 0) choiceFlags |= box.bit;
  }
  ui::CDialog::OnOK();
}

void FinishDlg::OnCancel() {}
