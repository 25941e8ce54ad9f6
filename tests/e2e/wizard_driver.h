// Drives a running installer the way a user does: through its windows and
// control ids. Starts the program, finds the wizard and message boxes of
// that process, clicks with the real mouse, types, presses keys, reads
// control visibility and texts, and takes screenshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// Pixels of a screen area, 0x00RRGGBB, row by row from the top.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  // Writes a 24-bit BMP file.
  bool Save(const std::wstring& path) const;
};

// The screen area `rect` (screen coordinates).
Screenshot CaptureScreen(const RECT& rect);

class InstallerRun {
 public:
  InstallerRun() = default;
  // Ends the program if it still runs.
  ~InstallerRun();
  InstallerRun(const InstallerRun&) = delete;
  InstallerRun& operator=(const InstallerRun&) = delete;

  bool Start(const std::wstring& exe);
  // The visible wizard window (dialog with the path field 1009), or null.
  HWND WaitForWizard(int timeoutMs = 10000);
  // A visible dialog of the process other than the wizard (message box,
  // folder picker), or null.
  HWND WaitForOtherDialog(int timeoutMs = 10000);
  HWND FindOtherDialog() const;
  // True when the program ended in time; its exit code in *code.
  bool WaitForExit(int timeoutMs, DWORD* code = nullptr);
  bool IsRunning() const;
  DWORD ProcessId() const { return processId_; }

 private:
  PROCESS_INFORMATION info_ = {};
  DWORD processId_ = 0;
};

// The texts of a message box: its caption and its message.
struct MessageBoxTexts {
  std::wstring caption;
  std::wstring text;
};
MessageBoxTexts ReadMessageBox(HWND box);
// Presses button `id` of a dialog (IDOK, IDCANCEL, ...) and waits until the
// dialog is gone.
bool AnswerDialog(HWND dialog, int id, int timeoutMs = 5000);

// Control helpers on the wizard.
bool IsControlVisible(HWND dialog, int id);
std::wstring ControlText(HWND dialog, int id);
// Moves the mouse over the control's centre and clicks the left button.
// False when the control is not visible (a user could not click it).
bool ClickControl(HWND dialog, int id);
// Replaces the text of an edit control as typing would (EN_CHANGE follows).
bool TypeText(HWND dialog, int id, const std::wstring& text);
// Key press delivered to the window that has the keyboard focus in the
// dialog's thread (or the dialog itself).
void PressKey(HWND dialog, UINT virtualKey);
// Alt+F4 as the system turns it into a command.
void PressAltF4(HWND dialog);
// Waits until `condition` holds or the time is up.
template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs = 10000) {
  for (int waited = 0;; waited += 50) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    ::Sleep(50);
  }
}

// The client area of a window in screen coordinates.
RECT ClientRectOnScreen(HWND window);
RECT WindowRectOnScreen(HWND window);

}  // namespace e2e
