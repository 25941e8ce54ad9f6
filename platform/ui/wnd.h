// ui::CWnd: a window handle with the few operations the installer uses, and
// the binding of a C++ object to an existing control window by subclassing
// (what the framework's DDX_Control does).
//
// Binding: SubclassWindow(hwnd) calls PreSubclassWindow() and then installs
// a subclass procedure (SetWindowSubclass) that hands every message of that
// window to the virtual WindowProc(). A class overrides WindowProc with a
// switch over the messages it handles (its message map) and calls Default()
// for default processing (the control's own window procedure). The binding
// ends when the window is destroyed (WM_NCDESTROY) or the object dies.
//
// Reflection: the dialog base (dialog.h) offers some messages a control sends
// its parent to the bound control object first, through OnChildNotify():
// WM_COMMAND notifications, WM_CTLCOLORBTN and WM_DRAWITEM.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class CWnd {
 public:
  CWnd() = default;
  // Wraps a window without binding to it (no subclassing, no ownership).
  explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
  // Ends the binding if the window still exists; never destroys the window.
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The bound object of a window (null when the window has none).
  static CWnd* FromHandlePermanent(HWND hwnd);

  // --- binding ---
  // Binds this object to hwnd: PreSubclassWindow(), then the subclass
  // procedure. Fails (FALSE) when hwnd is null or this object is bound.
  BOOL SubclassWindow(HWND hwnd);
  // Binds to the child control `id` of parent.
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  // Removes the binding; returns the window, which lives on.
  HWND UnsubclassWindow();
  // Called once just before the binding is installed; m_hWnd is set.
  virtual void PreSubclassWindow() {}
  // Message handling of a bound window; the default is Default().
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Default processing of the message WindowProc is handling now: the
  // window's own procedure (the one that was there before the binding).
  LRESULT Default();
  // Called by the modal message loop (dialog.h) for queued messages aimed
  // at this window or its children, before the dialog manager sees them.
  // May change *msg in place. TRUE means: message consumed, do not dispatch.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // A message the parent reflects back to this control (see above).
  // Return TRUE when handled; *result then is the parent's answer.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // --- window operations (thin wrappers of the USER32 calls) ---
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  BOOL ShowWindow(int showCommand) { return ::ShowWindow(m_hWnd, showCommand); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void SetWindowText(const std::wstring& text);
  std::wstring GetWindowText() const;
  void SetDlgItemText(int id, const std::wstring& text);
  std::wstring GetDlgItemText(int id) const;
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // InvalidateRect(hwnd, NULL, erase).
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE);
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  HWND SetFocus() { return ::SetFocus(m_hWnd); }
  void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
  void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
  void ScreenToClient(RECT* rect) const;
  void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
  void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
  LONG_PTR GetStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }
  // Style bits: remove, then add; with swpFlags != 0 also SetWindowPos
  // (no move, no size, no z-order change, plus swpFlags). TRUE if changed.
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
  HICON SetIcon(HICON icon, BOOL big);
  BOOL DestroyWindow();

  // Message box owned by this window; caption null means the application
  // name (AfxGetAppName). Returns the id of the pressed button. Made with
  // the program's second manifest active (ControlsManifestScope, app.h).
  int MessageBox(const std::wstring& text, const wchar_t* caption = nullptr, UINT type = MB_OK);

 private:
  friend struct WndAccess;
  struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
  };
  CurrentMessage current_;   // message WindowProc is handling (for Default)
  bool subclassed_ = false;  // SetWindowSubclass is installed
};

}  // namespace ui
