#include "tests/e2e/wizard_driver.h"

namespace e2e {
namespace {

constexpr int kPathFieldId = 1009;

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT is carried across processes by the system.
  int length = int(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(std::size_t(length) + 1, L'\0');
  int got = int(::SendMessageW(window, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data())));
  text.resize(std::size_t(got > 0 ? got : 0));
  return text;
}

struct Search {
  DWORD processId;
  bool wantWizard;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid != search->processId || !::IsWindowVisible(window) || ClassName(window) != L"#32770") return TRUE;
  bool isWizard = ::GetDlgItem(window, kPathFieldId) != nullptr;
  if (isWizard != search->wantWizard) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindProcessDialog(DWORD processId, bool wizard) {
  Search search{processId, wizard, nullptr};
  ::EnumWindows(FindDialog, LPARAM(&search));
  return search.found;
}

void SendMouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof(input));
}

}  // namespace

bool Screenshot::Save(const std::wstring& path) const {
  const int rowBytes = (width * 3 + 3) & ~3;
  const DWORD imageSize = DWORD(rowBytes * height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageSize;
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = imageSize;
  std::vector<std::uint8_t> rows(imageSize, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t rgb = At(x, y);
      std::size_t at = std::size_t(height - 1 - y) * rowBytes + std::size_t(x) * 3;
      rows[at] = std::uint8_t(rgb);
      rows[at + 1] = std::uint8_t(rgb >> 8);
      rows[at + 2] = std::uint8_t(rgb >> 16);
    }
  }
  HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(out, &file, sizeof(file), &written, nullptr) &&
            ::WriteFile(out, &info, sizeof(info), &written, nullptr) &&
            ::WriteFile(out, rows.data(), imageSize, &written, nullptr);
  ::CloseHandle(out);
  return ok;
}

Screenshot CaptureScreen(const RECT& rect) {
  Screenshot shot;
  shot.width = rect.right - rect.left;
  shot.height = rect.bottom - rect.top;
  if (shot.width <= 0 || shot.height <= 0) return Screenshot{};
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, shot.width, shot.height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    shot.pixels.assign(pixels, pixels + std::size_t(shot.width) * shot.height);
    for (auto& p : shot.pixels) p &= 0xFFFFFF;
    ::SelectObject(memory, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return shot;
}

InstallerRun::~InstallerRun() {
  if (info_.hProcess) {
    if (IsRunning()) {
      ::TerminateProcess(info_.hProcess, 99);
      ::WaitForSingleObject(info_.hProcess, 5000);
    }
    ::CloseHandle(info_.hProcess);
    ::CloseHandle(info_.hThread);
  }
}

bool InstallerRun::Start(const std::wstring& exe) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info_))
    return false;
  processId_ = info_.dwProcessId;
  ::WaitForInputIdle(info_.hProcess, 10000);
  return true;
}

HWND InstallerRun::WaitForWizard(int timeoutMs) {
  HWND wizard = nullptr;
  WaitUntil([&] { return (wizard = FindProcessDialog(processId_, true)) != nullptr || !IsRunning(); }, timeoutMs);
  return wizard;
}

HWND InstallerRun::FindOtherDialog() const { return FindProcessDialog(processId_, false); }

HWND InstallerRun::WaitForOtherDialog(int timeoutMs) {
  HWND dialog = nullptr;
  WaitUntil([&] { return (dialog = FindOtherDialog()) != nullptr || !IsRunning(); }, timeoutMs);
  return dialog;
}

bool InstallerRun::WaitForExit(int timeoutMs, DWORD* code) {
  if (!info_.hProcess || ::WaitForSingleObject(info_.hProcess, DWORD(timeoutMs)) != WAIT_OBJECT_0) return false;
  if (code) ::GetExitCodeProcess(info_.hProcess, code);
  return true;
}

bool InstallerRun::IsRunning() const {
  return info_.hProcess && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

MessageBoxTexts ReadMessageBox(HWND box) {
  MessageBoxTexts texts;
  texts.caption = WindowText(box);
  // The message is the static control with text (the icon's static has none).
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) continue;
    std::wstring text = WindowText(child);
    if (!text.empty()) {
      texts.text = text;
      break;
    }
  }
  return texts;
}

bool AnswerDialog(HWND dialog, int id, int timeoutMs) {
  HWND button = ::GetDlgItem(dialog, id);
  if (!button) return false;
  ::PostMessageW(button, BM_CLICK, 0, 0);
  return WaitUntil([&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); }, timeoutMs);
}

bool IsControlVisible(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  return control && ::IsWindowVisible(control);
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  return control ? WindowText(control) : std::wstring();
}

bool ClickControl(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control || !::IsWindowVisible(control) || !::IsWindowEnabled(control)) return false;
  RECT rect;
  ::GetWindowRect(control, &rect);
  ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  ::Sleep(60);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  ::Sleep(40);
  SendMouse(MOUSEEVENTF_LEFTUP);
  ::Sleep(150);
  return true;
}

bool TypeText(HWND dialog, int id, const std::wstring& text) {
  HWND control = ::GetDlgItem(dialog, id);
  if (!control || !::IsWindowVisible(control)) return false;
  return ::SendMessageW(control, WM_SETTEXT, 0, LPARAM(text.c_str())) != 0;
}

void PressKey(HWND dialog, UINT virtualKey) {
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof(gui);
  HWND target = dialog;
  if (::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &gui) && gui.hwndFocus &&
      (gui.hwndFocus == dialog || ::IsChild(dialog, gui.hwndFocus)))
    target = gui.hwndFocus;
  UINT scan = ::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
  ::PostMessageW(target, WM_KEYDOWN, virtualKey, LPARAM(1 | (scan << 16)));
  ::PostMessageW(target, WM_KEYUP, virtualKey, LPARAM(1 | (scan << 16) | (1u << 30) | (1u << 31)));
  ::Sleep(200);
}

void PressAltF4(HWND dialog) {
  ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  ::Sleep(200);
}

RECT ClientRectOnScreen(HWND window) {
  RECT rect;
  ::GetClientRect(window, &rect);
  ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT WindowRectOnScreen(HWND window) {
  RECT rect;
  ::GetWindowRect(window, &rect);
  return rect;
}

}  // namespace e2e
