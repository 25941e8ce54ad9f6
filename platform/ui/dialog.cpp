// ui::CDialog: modal dialogs over a modeless dialog window with a message
// loop of our own, and the dialog's message dispatch with reflection.
#include "platform/ui/dialog.h"

#include <cstring>
#include <vector>

#include "platform/ui/app.h"

namespace ui {

namespace {

// Offsets of the window style in the two dialog template layouts.
constexpr size_t kExTemplateStyleOffset = 12;  // DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style
constexpr size_t kTemplateStyleOffset = 0;     // DLGTEMPLATE: style first

// A private copy of dialog resource `id` without WS_VISIBLE, so that the
// dialog is shown by DoModal only when OnInitDialog did not end it.
std::vector<BYTE> LoadHiddenTemplate(UINT id) {
  HINSTANCE module = AfxGetResourceHandle();
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
  if (!found) return {};
  DWORD size = ::SizeofResource(module, found);
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size < sizeof(DLGTEMPLATE)) return {};
  std::vector<BYTE> copy(static_cast<const BYTE*>(bytes), static_cast<const BYTE*>(bytes) + size);
  WORD signature = 0;
  std::memcpy(&signature, copy.data() + 2, sizeof(signature));
  size_t offset = signature == 0xFFFF ? kExTemplateStyleOffset : kTemplateStyleOffset;
  if (offset + sizeof(DWORD) > copy.size()) return {};
  DWORD style = 0;
  std::memcpy(&style, copy.data() + offset, sizeof(style));
  style &= ~DWORD(WS_VISIBLE);
  std::memcpy(copy.data() + offset, &style, sizeof(style));
  return copy;
}

// Messages whose answer a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

// The child control a message comes from, for the messages reflected to it.
HWND ReflectedChild(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    case WM_CTLCOLORBTN:
      return reinterpret_cast<HWND>(lParam);
    case WM_DRAWITEM:
      if (wParam == 0 || lParam == 0) return nullptr;  // a menu item
      return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
    default:
      return nullptr;
  }
}

// Tells one descendant window that the system colours changed.
BOOL CALLBACK ForwardSysColorChange(HWND child, LPARAM) {
  ::SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
  return TRUE;
}

}  // namespace

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!dx || !dx->m_pDlgWnd || control.m_hWnd) return;
  control.SubclassWindow(dx->m_pDlgWnd->GetDlgItem(id));
}

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
  if (m_hWnd && ::IsWindow(m_hWnd)) {
    // A dialog object must not outlive its window's procedure.
    ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
    ::DestroyWindow(m_hWnd);
  }
  m_hWnd = nullptr;
}

INT_PTR CDialog::DoModal() {
  std::vector<BYTE> dialogTemplate = LoadHiddenTemplate(templateId_);
  if (dialogTemplate.empty()) return -1;
  HWND owner = parent_ ? parent_->m_hWnd : nullptr;
  ending_ = false;
  result_ = -1;
  HWND hwnd =
      ::CreateDialogIndirectParamW(AfxGetResourceHandle(), reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()),
                                   owner, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd) return -1;

  // Modal: the owner takes no input while the dialog runs.
  bool ownerDisabled = false;
  if (owner && ::IsWindowEnabled(owner)) {
    ::EnableWindow(owner, FALSE);
    ownerDisabled = true;
  }
  if (!ending_) ::ShowWindow(hwnd, SW_SHOWNORMAL);

  while (!ending_ && ::IsWindow(hwnd)) {
    MSG msg;
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) ::PostQuitMessage(int(msg.wParam));  // leave WM_QUIT for the outer loop
      if (!ending_) result_ = IDCANCEL;
      break;
    }
    if (TranslateForBoundControls(&msg)) continue;
    if (!::IsDialogMessageW(hwnd, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

  // Give the activation back before the dialog disappears, as the system's
  // modal dialogs do.
  if (ownerDisabled) ::EnableWindow(owner, TRUE);
  if (::IsWindow(hwnd)) {
    ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (owner && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
    ::DestroyWindow(hwnd);
  }
  return result_;
}

void CDialog::EndDialog(INT_PTR result) {
  ending_ = true;
  result_ = result;
  // Wake the modal loop also when EndDialog runs inside a message sent
  // from another thread (GetMessage would not return for it).
  if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  UpdateData(TRUE);
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx{this, saveAndValidate};
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnPaint() {
  PAINTSTRUCT ps;
  ::BeginPaint(m_hWnd, &ps);
  ::EndPaint(m_hWnd, &ps);
}

HBRUSH CDialog::OnCtlColor(HDC, HWND, UINT) { return nullptr; }

void CDialog::OnDestroy() {}

BOOL CDialog::PreTranslateMessage(MSG*) { return FALSE; }

bool CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_PAINT:
      OnPaint();
      result = 0;
      return true;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      HBRUSH brush = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                                message - WM_CTLCOLORMSGBOX);  // CTLCOLOR_MSGBOX .. CTLCOLOR_STATIC
      if (!brush) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    case WM_SYSCOLORCHANGE:
      // Windows tells top-level windows only: the controls (the skinned
      // buttons with their background copies) hear it from their dialog.
      ::EnumChildWindows(m_hWnd, ForwardSysColorChange, 0);
      return false;
    case WM_DESTROY:
      OnDestroy();
      return false;  // the dialog manager still does its own clean-up
    case WM_CLOSE:
      // Alt+F4 and the close command end up here: the same as Cancel.
      OnCancel();
      result = 0;
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return false;
      if (LOWORD(wParam) == IDOK) {
        OnOK();
        result = 0;
        return true;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    dialog->m_hWnd = hwnd;
  } else {
    dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!dialog) return FALSE;
  INT_PTR answer = dialog->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    dialog->m_hWnd = nullptr;
  }
  return answer;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = false;
  // 1. The bound control that sent the message has the first word.
  if (HWND child = ReflectedChild(message, wParam, lParam)) {
    CWnd* control = CWnd::FromHandlePermanent(child);
    if (control && control != this && control->OnChildNotify(message, wParam, lParam, &result)) handled = true;
  }
  // 2. The dialog's message map.
  if (!handled) handled = HandleMessage(message, wParam, lParam, result);
  if (!handled) return FALSE;  // the dialog manager's default processing
  if (AnswersDirectly(message)) return INT_PTR(result);
  ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
  return TRUE;
}

bool CDialog::TranslateForBoundControls(MSG* msg) {
  // From the window the message is for up to (not including) the dialog:
  // every bound control may look at the message first.
  for (HWND hwnd = msg->hwnd; hwnd && hwnd != m_hWnd; hwnd = ::GetParent(hwnd)) {
    if (CWnd* control = CWnd::FromHandlePermanent(hwnd)) {
      if (control->PreTranslateMessage(msg)) return true;
    }
    if (!(::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) break;
  }
  return PreTranslateMessage(msg) != FALSE;
}

}  // namespace ui
