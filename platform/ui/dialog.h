// ui::CDialog: a dialog from a dialog resource, run modally by DoModal.
//
// DoModal creates the dialog modeless (CreateDialogParamW), disables its
// owner like a modal dialog and runs its own message loop, so that bound
// controls get PreTranslateMessage before IsDialogMessage sees a message.
// The loop ends after EndDialog; the dialog window is then destroyed (its
// OnDestroy runs) and DoModal returns EndDialog's result.
//
// Message dispatch ("message map"), for every message of the dialog:
//   1. reflection to the bound control object (CWnd::OnChildNotify) of the
//      child that sent it: WM_COMMAND from a child, WM_CTLCOLORBTN,
//      WM_DRAWITEM. When the child reports it handled, the dialog stops there
//      (for WM_CTLCOLORBTN its brush is the answer); a reflected BN_CLICKED
//      handler that reports "not handled" lets the dialog go on.
//   2. HandleMessage(): a derived dialog overrides it with one switch over the
//      messages and commands it handles, and ends with the base's call:
//
//        bool MyDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
//        {
//            switch (message) {
//            case WM_QUERYDRAGICON: result = (LRESULT)appIcon; return true;
//            case WM_COMMAND:
//                switch (ui::CommandKey(wParam)) {
//                case ui::Command(1011, BN_CLICKED): OnBack(); return true;
//                case ui::Command(1009, EN_CHANGE): OnPathChanged(); return true;
//                }
//                break;
//            }
//            return CDialog::HandleMessage(message, wParam, lParam, result);
//        }
//
//   3. CDialog::HandleMessage: WM_INITDIALOG -> OnInitDialog, WM_PAINT ->
//      OnPaint, WM_CTLCOLOR* -> OnCtlColor, WM_DESTROY -> OnDestroy,
//      WM_SYSCOLORCHANGE -> sent on to every descendant window,
//      IDOK -> OnOK, IDCANCEL -> OnCancel, WM_CLOSE (Alt+F4, SC_CLOSE) ->
//      OnCancel; anything else gets the dialog manager's default processing.
//      Enter and Esc arrive as IDOK and IDCANCEL, so a dialog that must keep
//      them from doing anything overrides OnOK / OnCancel.
#pragma once

#include <windows.h>

#include "platform/ui/wnd.h"

namespace ui {

class CDialog;

// The state of one data exchange (DoDataExchange's argument).
struct CDataExchange {
  CDialog* m_pDlgWnd;
  BOOL m_bSaveAndValidate;  // FALSE: dialog is being initialised
};

// Binds control `id` of the dialog to `control` (subclassing, which calls
// control.PreSubclassWindow). Binding twice is a no-op.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

// WM_COMMAND keys for the switch in HandleMessage: ui::CommandKey(wParam)
// equals ui::Command(id, code) for the command `id` with notification `code`.
constexpr DWORD Command(UINT id, UINT code) { return (DWORD(code & 0xFFFF) << 16) | DWORD(id & 0xFFFF); }
constexpr DWORD CommandKey(WPARAM wParam) { return DWORD(wParam & 0xFFFFFFFFu); }

class CDialog : public CWnd {
 public:
  // templateId: dialog resource in AfxGetResourceHandle(); parent: owner
  // window (may be null: then the dialog has no owner).
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);
  ~CDialog() override;

  // Creates the dialog and runs it modally; returns EndDialog's result, or
  // -1 when the dialog could not be created.
  virtual INT_PTR DoModal();
  // Ends the modal loop with `result` (may be called inside OnInitDialog:
  // the dialog is then never shown).
  void EndDialog(INT_PTR result);

  // Calls UpdateData(FALSE) (binds the controls through DoDataExchange)
  // and returns TRUE (the dialog manager sets the focus).
  virtual BOOL OnInitDialog();
  // Next/default-button key: UpdateData(TRUE), then EndDialog(IDOK).
  virtual void OnOK();
  // Cancel, Esc, Alt+F4, WM_CLOSE: EndDialog(IDCANCEL).
  virtual void OnCancel();
  // Runs DoDataExchange; returns TRUE.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  UINT TemplateId() const { return templateId_; }

 protected:
  // Binds controls to members (DDX_Control); the base binds nothing.
  virtual void DoDataExchange(CDataExchange* dx);
  // WM_PAINT; the base only validates the window (BeginPaint/EndPaint).
  virtual void OnPaint();
  // WM_CTLCOLOR*: return a brush to colour `control` (kind CTLCOLOR_*),
  // or null for the dialog manager's default colouring (the base's answer).
  virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT controlKind);
  // WM_DESTROY; the base does nothing.
  virtual void OnDestroy();
  // The message map of the dialog (see the top of this file). Return true
  // when handled, with the message's answer in `result`; false gives the
  // dialog manager's default processing.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Called for every queued message of the modal loop before the bound
  // controls and IsDialogMessage; TRUE consumes it. Base: FALSE.
  BOOL PreTranslateMessage(MSG* msg) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  bool TranslateForBoundControls(MSG* msg);

  UINT templateId_;
  CWnd* parent_;
  bool ending_ = false;
  INT_PTR result_ = -1;
};

}  // namespace ui
