// ui::CButton and ui::CComboBox.
#include "platform/ui/button.h"

namespace ui {

void CButton::DrawItem(DRAWITEMSTRUCT*) {}

BOOL CButton::OnChildNotify(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
  if (message != WM_DRAWITEM) return FALSE;
  DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
  if (result) *result = TRUE;
  return TRUE;
}

int CComboBox::AddString(const std::wstring& text) {
  return int(::SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int CComboBox::SetItemData(int index, DWORD_PTR data) {
  return int(::SendMessageW(m_hWnd, CB_SETITEMDATA, WPARAM(index), LPARAM(data)));
}

DWORD_PTR CComboBox::GetItemData(int index) const {
  return DWORD_PTR(::SendMessageW(m_hWnd, CB_GETITEMDATA, WPARAM(index), 0));
}

int CComboBox::GetCurSel() const { return int(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }

int CComboBox::SetCurSel(int index) { return int(::SendMessageW(m_hWnd, CB_SETCURSEL, WPARAM(index), 0)); }

int CComboBox::SelectString(int startAfter, const std::wstring& text) {
  return int(::SendMessageW(m_hWnd, CB_SELECTSTRING, WPARAM(startAfter), reinterpret_cast<LPARAM>(text.c_str())));
}

int CComboBox::GetCount() const { return int(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }

}  // namespace ui
