// Binding of C++ objects to control windows (subclassing) and the thin
// window operations of ui::CWnd.
#include "platform/ui/wnd.h"

#include "platform/ui/common_controls.h"

#include <vector>

#include "platform/ui/app.h"

namespace ui {

namespace {

// The window property that points from a bound window to its object.
constexpr const wchar_t* kBoundObjectProperty = L"ui.CWnd";
// Our id for SetWindowSubclass.
constexpr UINT_PTR kSubclassId = 0x5549;  // "UI"

}  // namespace

// Friend of CWnd: the subclass procedure needs its private state.
struct WndAccess {
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR refData) {
    CWnd* wnd = reinterpret_cast<CWnd*>(refData);
    if (message == WM_NCDESTROY) {
      // The window goes away: end the binding first, then let the
      // control finish its own clean-up.
      wnd->UnsubclassWindow();
      return commctl::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    CWnd::CurrentMessage saved = wnd->current_;
    wnd->current_ = {message, wParam, lParam};
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    wnd->current_ = saved;
    return result;
  }
};

CWnd::~CWnd() {
  if (subclassed_) UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  if (!hwnd) return nullptr;
  return static_cast<CWnd*>(::GetPropW(hwnd, kBoundObjectProperty));
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (!hwnd || subclassed_ || FromHandlePermanent(hwnd)) return FALSE;
  m_hWnd = hwnd;
  PreSubclassWindow();
  if (!::SetPropW(hwnd, kBoundObjectProperty, this)) {
    m_hWnd = nullptr;
    return FALSE;
  }
  if (!commctl::SetWindowSubclass(hwnd, &WndAccess::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
    ::RemovePropW(hwnd, kBoundObjectProperty);
    m_hWnd = nullptr;
    return FALSE;
  }
  subclassed_ = true;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  return SubclassWindow(::GetDlgItem(parent->m_hWnd, int(id)));
}

HWND CWnd::UnsubclassWindow() {
  HWND hwnd = m_hWnd;
  if (subclassed_ && hwnd) {
    commctl::RemoveWindowSubclass(hwnd, &WndAccess::SubclassProc, kSubclassId);
    ::RemovePropW(hwnd, kBoundObjectProperty);
  }
  subclassed_ = false;
  m_hWnd = nullptr;
  return hwnd;
}

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM) { return Default(); }

LRESULT CWnd::Default() {
  if (!subclassed_) return ::DefWindowProcW(m_hWnd, current_.message, current_.wParam, current_.lParam);
  return commctl::DefSubclassProc(m_hWnd, current_.message, current_.wParam, current_.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::SetWindowText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }

namespace {

std::wstring TextOf(HWND hwnd) {
  int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(size_t(length) + 1);
  int got = ::GetWindowTextW(hwnd, buffer.data(), length + 1);
  return std::wstring(buffer.data(), size_t(got > 0 ? got : 0));
}

}  // namespace

std::wstring CWnd::GetWindowText() const { return TextOf(m_hWnd); }

void CWnd::SetDlgItemText(int id, const std::wstring& text) { ::SetDlgItemTextW(m_hWnd, id, text.c_str()); }

std::wstring CWnd::GetDlgItemText(int id) const {
  HWND item = ::GetDlgItem(m_hWnd, id);
  return item ? TextOf(item) : std::wstring();
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendDlgItemMessageW(m_hWnd, id, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }

void CWnd::InvalidateRect(const RECT* rect, BOOL erase) { ::InvalidateRect(m_hWnd, rect, erase); }

void CWnd::ScreenToClient(RECT* rect) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2); }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) {
  LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
  LONG_PTR changed = (style & ~LONG_PTR(remove)) | LONG_PTR(add);
  if (changed == style) return FALSE;
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, changed);
  if (swpFlags != 0)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
  return TRUE;
}

HICON CWnd::SetIcon(HICON icon, BOOL big) {
  return reinterpret_cast<HICON>(
      ::SendMessageW(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

int CWnd::MessageBox(const std::wstring& text, const wchar_t* caption, UINT type) {
  return ::MessageBoxW(m_hWnd, text.c_str(), caption ? caption : AfxGetAppName(), type);
}

}  // namespace ui
