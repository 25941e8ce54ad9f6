#include "tests/wine/ui.h"

#include <cstdint>
#include <vector>

namespace wine_driver {
namespace {

constexpr int kPathField = 1009;

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

struct Search {
  DWORD pid;
  bool wizard;
  const std::wstring* caption;  // set: match any process by caption
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!::IsWindowVisible(window) || ClassName(window) != L"#32770") return TRUE;
  if (search->caption) {
    if (WindowText(window) != *search->caption) return TRUE;
  } else {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || (::GetDlgItem(window, kPathField) != nullptr) != search->wizard) return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

void SendMouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof(input));
}

HWND FindProcessDialog(DWORD pid, bool wizard) {
  Search search{pid, wizard, nullptr, nullptr};
  ::EnumWindows(Match, LPARAM(&search));
  return search.found;
}

HWND FindDialogByCaption(const std::wstring& caption) {
  Search search{0, false, &caption, nullptr};
  ::EnumWindows(Match, LPARAM(&search));
  return search.found;
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT is carried across processes by the system.
  int length = int(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(std::size_t(length) + 1, L'\0');
  int got = int(::SendMessageW(window, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data())));
  text.resize(std::size_t(got > 0 ? got : 0));
  return text;
}

std::wstring StaticTexts(HWND dialog) {
  std::wstring texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) continue;
    std::wstring text = WindowText(child);
    if (text.empty()) continue;
    texts += (texts.empty() ? L"" : L"\n") + text;
  }
  return texts;
}

bool IsControlVisible(HWND dialog, int id) {
  HWND control = ::GetDlgItem(dialog, id);
  return control && ::IsWindowVisible(control);
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

bool AnswerDialog(HWND dialog, int id) {
  HWND button = ::GetDlgItem(dialog, id);
  if (!button) return false;
  ::PostMessageW(button, BM_CLICK, 0, 0);
  return WaitUntil([&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); }, 10000);
}

bool SaveScreen(const RECT& rect, const std::wstring& path) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  const int rowBytes = (width * 3 + 3) & ~3;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biSizeImage = DWORD(rowBytes * height);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  std::vector<std::uint8_t> rows;
  if (bitmap && bits) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    rows.assign(static_cast<std::uint8_t*>(bits), static_cast<std::uint8_t*>(bits) + info.bmiHeader.biSizeImage);
    ::SelectObject(memory, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (rows.empty()) return false;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + DWORD(rows.size());
  HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(out, &file, sizeof(file), &written, nullptr) &&
            ::WriteFile(out, &info.bmiHeader, sizeof(info.bmiHeader), &written, nullptr) &&
            ::WriteFile(out, rows.data(), DWORD(rows.size()), &written, nullptr);
  ::CloseHandle(out);
  return ok;
}

}  // namespace wine_driver
