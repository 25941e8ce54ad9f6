// ui::CButton and ui::CComboBox: thin control classes over the system's
// button and combo box. Bound to a dialog control with DDX_Control.
#pragma once

#include <windows.h>

#include <string>

#include "platform/ui/wnd.h"

namespace ui {

class CButton : public CWnd {
 public:
  // Owner-drawn buttons paint here; the dialog reflects WM_DRAWITEM to it.
  virtual void DrawItem(DRAWITEMSTRUCT* item);
  // Reflected WM_DRAWITEM -> DrawItem (answer TRUE); nothing else.
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  int GetCheck() const { return int(::SendMessageW(m_hWnd, BM_GETCHECK, 0, 0)); }
  void SetCheck(int check) { ::SendMessageW(m_hWnd, BM_SETCHECK, WPARAM(check), 0); }
};

class CComboBox : public CWnd {
 public:
  // Index of the new item (CB_ADDSTRING), or CB_ERR.
  int AddString(const std::wstring& text);
  int SetItemData(int index, DWORD_PTR data);
  DWORD_PTR GetItemData(int index) const;
  // CB_GETCURSEL: the selected index or CB_ERR (-1).
  int GetCurSel() const;
  int SetCurSel(int index);
  // CB_SELECTSTRING from the start of the list; index or CB_ERR.
  int SelectString(int startAfter, const std::wstring& text);
  int GetCount() const;
};

}  // namespace ui
