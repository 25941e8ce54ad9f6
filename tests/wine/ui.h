// What the driver does to the windows of another process, as a user would:
// find its dialogs, click with the real mouse, type, press keys, read texts
// and photograph the screen.
#pragma once

#include <windows.h>

#include <string>

namespace wine_driver {

// A visible dialog (#32770) of process `pid`: the wizard (the dialog with the
// path field) when `wizard`, any other otherwise. Null when there is none.
HWND FindProcessDialog(DWORD pid, bool wizard);
// A visible dialog of any process whose caption is `caption`, or null.
HWND FindDialogByCaption(const std::wstring& caption);

std::wstring WindowText(HWND window);
// The texts of the dialog's static controls that have text, one a line.
std::wstring StaticTexts(HWND dialog);
bool IsControlVisible(HWND dialog, int id);

// Moves the pointer over the control's centre and clicks the left button.
// False when a user could not click it (hidden or disabled).
bool ClickControl(HWND dialog, int id);
// A real mouse button event (MOUSEEVENTF_LEFTDOWN, ...) where the pointer is.
void SendMouse(DWORD flags);
// A key press delivered to the window that has the focus in the dialog's
// thread (or the dialog itself).
void PressKey(HWND dialog, UINT virtualKey);
// Presses button `id` of a dialog and waits until the dialog is gone.
bool AnswerDialog(HWND dialog, int id);

// Writes the screen area `rect` as a 24-bit BMP file.
bool SaveScreen(const RECT& rect, const std::wstring& path);

// Polls `condition` every 50 ms until it holds or the time is up.
template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs) {
  for (int waited = 0;; waited += 50) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    ::Sleep(50);
  }
}

}  // namespace wine_driver
