// The finish dialog (resource IDD_FINISH): tells the user that the product
// is installed and collects three choices as a bit set (desktop shortcut,
// start at log-on, run the main program). It does nothing with them itself;
// the wizard's finish step carries them out (finish_actions.h).
#pragma once

#include <string>

#include "platform/ui/dialog.h"

class FinishDlg : public ui::CDialog {
 public:
  explicit FinishDlg(ui::CWnd* parent = nullptr);
  ~FinishDlg() override;

  // messageText = the finish text with productName, then DoModal; returns
  // DoModal's result. The choices are in choiceFlags afterwards.
  virtual INT_PTR ShowFinish(const std::wstring& productName);

  // FINISH_DESKTOP_LINK | FINISH_AUTOSTART | FINISH_RUN_PROGRAM, computed by "完成".
  int choiceFlags = 0;
  // Shown in IDC_FINISH_TEXT when the dialog opens.
  std::wstring messageText;
  // Set before ShowFinish. Without a main program the three boxes are
  // unticked and disabled: there is nothing to link to or to start.
  bool hasMainProgram = true;

 protected:
  void DoDataExchange(ui::CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // "完成" (and Enter): reads the three boxes into choiceFlags, ends with IDOK.
  void OnOK() override;
  // Esc, the close box and Alt+F4 do nothing: "完成" is the only way out.
  void OnCancel() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // Once shown: the foreground window, with the keyboard focus on "完成".
  void TakeKeyboard();
};
