// The Wine tests' hands on the installer and the uninstaller: runs steps
// against a program's windows as a user would and writes what it saw to a
// report of "key=value" lines (UTF-8; in values "\" is written as \\, line
// breaks as \n and \r).
//
//   wine_driver REPORT [--shots DIR] STEP...
//
// A step is "name" or "name=value"; one that fails ends the run with
// failed=STEP in the report and exit code 1. "The dialog" is the last one
// the dialog step found; "the window in front" is that dialog while it is
// open, else the wizard.
//   start=EXE, args=TEXT   start EXE (with the TEXT of an earlier args=)
//   program=EXE, quiet=ARGS  start EXE (default: that of start=) with ARGS and
//                  wait for its end, looking every 200 ms for any window of
//                  it: quiet.exit=CODE, or window=CLASS:TITLE and failure
//   second=ARGS    start that program again, not waited for
//   wizard, main   wait for the wizard / for the program's first dialog,
//                  driven as the wizard (the stage of controls_test.py)
//   page=N         wait for page 0-3 or 6         click=ID   click control ID
//   shown=ID, hidden=ID  wait for control ID to show / to hide
//   type=TEXT      fill the path field            read=ID    report text.ID
//   key=enter|esc|space  to the window in front   close      Alt+F4 on it
//   hover=ID       pointer over control ID (0: over the heading, off every button)
//   press=ID, release  left button down over control ID / up where the pointer is
//   dialog[=CAPTION]  wait for a dialog of the program other than the wizard
//                  (with CAPTION: of any process) and report its caption, texts,
//                  check boxes, focus, foreground, buttons' class (ButtonClass)
//                  and, for another process, the program that shows it
//   answer=ID      press button ID of the dialog (dialog.exit=CODE when it is
//                  another process's)        check=ID   toggle its check box ID
//   pick           in the folder picker: the first folder, then OK
//   aside          move the dialog below the wizard
//   gone[=CAPTION]  no further dialog comes (unexpected=TEXTS when one does)
//   lock=PATH, unlock  hold a file open without sharing / let it go
//   shot=NAME[:ID]  DIR/NAME.bmp of the window in front (or of control ID, 0:
//                  the wizard); shot.NAME=X,Y: the client area's offset in it
//   recolour=NAME  NAME.bmp of Next held down after a system colour change (Recolour)
//   rects          of the window in front: window=W,H, buttons=CLASS and
//                  rect.ID=L,T,R,B of every control in client coordinates
//   dpi=N          WM_DPICHANGED to N DPI, suggesting 600 x 360 scaled, same centre
//   hook=FILE      write FILE and wait until the host deletes it
//   sleep=MS       wait=S    later page and dialog steps wait up to S seconds
//   exit           wait for the program's end: exit=CODE
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kBack = 1011, kLanguage = 1006, kAgreement = 1007, kPath = 1009;

// Polls `condition` every 50 ms until it holds or the time is up.
template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs) {
  for (int waited = 0;; waited += 50) {
    if (condition()) return true;
    if (waited >= timeoutMs) return false;
    ::Sleep(50);
  }
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT is carried across processes by the system.
  int length = int(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(std::size_t(length) + 1, L'\0');
  int got = int(::SendMessageW(window, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data())));
  text.resize(std::size_t(got > 0 ? got : 0));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return pid;
}

template <class Match>
struct Search {
  Match* match;
  HWND found;
};

template <class Match>
BOOL CALLBACK Matches(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search<Match>*>(param);
  if (!::IsWindowVisible(window) || !(*s->match)(window)) return TRUE;
  s->found = window;
  return FALSE;
}

// The first visible top-level window for which match(window) holds.
template <class Match>
HWND FindShown(Match match) {
  Search<Match> search{&match, nullptr};
  ::EnumWindows(Matches<Match>, LPARAM(&search));
  return search.found;
}

// A dialog of process pid: the wizard (it has the path field) or another one.
HWND FindProcessDialog(DWORD pid, bool wizard) {
  return FindShown([&](HWND w) {
    return ClassName(w) == L"#32770" && ProcessOf(w) == pid && (::GetDlgItem(w, kPath) != nullptr) == wizard;
  });
}

HWND FindDialog(DWORD pid, const std::wstring& caption) {
  if (caption.empty()) return FindProcessDialog(pid, false);
  return FindShown([&](HWND w) { return ClassName(w) == L"#32770" && WindowText(w) == caption; });
}

void SendMouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof(input));
}

std::wstring StaticTexts(HWND dialog) {
  std::wstring texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassName(child).c_str(), L"Static") != 0) continue;
    std::wstring text = WindowText(child);
    if (!text.empty()) texts += (texts.empty() ? L"" : L"\n") + text;
  }
  return texts;
}

// The class of a window's first button as the system registered it:
// "Button" for user32's, "6.0.N.N!Button" for those of version 6 of the
// common controls (Wine keeps class names in its atom table).
std::wstring ButtonClass(HWND window) {
  HWND button = ::FindWindowExW(window, nullptr, L"Button", nullptr);
  wchar_t name[128] = {};
  ::GlobalGetAtomNameW(ATOM(::GetClassLongPtrW(button, GCW_ATOM)), name, 128);
  return name;
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

bool WriteWhole(const std::wstring& path, const std::vector<std::pair<const void*, DWORD>>& parts) {
  HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (const auto& [data, size] : parts) {
    DWORD written = 0;
    ok = ok && ::WriteFile(out, data, size, &written, nullptr) && written == size;
  }
  ::CloseHandle(out);
  return ok;
}

// The screen's pixels in rect as a 24-bit BMP file.
bool SaveScreen(const RECT& rect, const std::wstring& path) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info = {};
  // Bottom-up, as the file stores it.
  info.bmiHeader = {
      sizeof(info.bmiHeader), width, height, 1, 24, BI_RGB, DWORD(((width * 3 + 3) & ~3) * height), 0, 0, 0, 0};
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
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const BITMAPFILEHEADER file = {0x4D42, offset + DWORD(rows.size()), 0, 0, offset};
  return !rows.empty() && WriteWhole(path, {{&file, sizeof(file)},
                                            {&info.bmiHeader, sizeof(info.bmiHeader)},
                                            {rows.data(), DWORD(rows.size())}});
}

std::string Utf8(const std::wstring& text) {
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n > 0 ? n : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

class Report {
 public:
  void Set(const std::string& key, const std::wstring& value) {
    text_ += key + "=";
    for (char c : Utf8(value)) text_ += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    text_ += "\n";
  }
  bool Write(const std::wstring& path) const { return WriteWhole(path, {{text_.data(), DWORD(text_.size())}}); }

 private:
  std::string text_;
};

// The page the wizard shows, read from the controls a user sees: 0 to 3 and
// 6, or -1 while a step runs (no buttons).
int VisiblePage(HWND wizard) {
  if (IsControlVisible(wizard, kLanguage)) return 1;
  if (IsControlVisible(wizard, kAgreement)) return 2;
  if (IsControlVisible(wizard, kPath)) return 3;
  if (!IsControlVisible(wizard, IDCANCEL)) return -1;
  return IsControlVisible(wizard, kBack) ? 6 : 0;
}

std::wstring Numbers(std::initializer_list<long> numbers) {
  std::wstring text;
  for (long n : numbers) text += (text.empty() ? L"" : L",") + std::to_wstring(n);
  return text;
}

class Driver {
 public:
  Driver(Report& report, std::wstring shots) : report_(report), shots_(std::move(shots)) {}
  ~Driver() {
    Unlock();
    if (!process_.hProcess) return;
    if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(process_.hProcess, 99);
    ::CloseHandle(process_.hProcess);
    ::CloseHandle(process_.hThread);
  }

  bool Step(const std::wstring& name, const std::wstring& value) {
    const int number = _wtoi(value.c_str());
    if (name == L"start") return Start(value);
    if (name == L"args") return args_ = value, true;
    if (name == L"program") return program_ = value, true;
    if (name == L"quiet") return Quiet(value);
    if (name == L"second") return Second(value);
    if (name == L"wizard" || name == L"main")
      return WaitUntil([&] { return (wizard_ = FindProcessDialog(pid(), name == L"wizard")) != nullptr; }, 20000);
    if (name == L"page") return WaitUntil([&] { return VisiblePage(wizard_) == number; }, waitMs_ ? waitMs_ : 30000);
    if (name == L"click") return ClickControl(wizard_, number);
    if (name == L"type") return ::SendDlgItemMessageW(wizard_, kPath, WM_SETTEXT, 0, LPARAM(value.c_str())) != 0;
    if (name == L"key") return Key(value);
    if (name == L"close") return ::PostMessageW(Front(), WM_SYSCOMMAND, SC_CLOSE, 0) && (::Sleep(200), true);
    if (name == L"shown" || name == L"hidden")
      return WaitUntil([&] { return IsControlVisible(wizard_, number) == (name == L"shown"); }, 3000);
    if (name == L"read") return report_.Set("text." + Utf8(value), WindowText(::GetDlgItem(wizard_, number))), true;
    if (name == L"hover") return Hover(number);
    if (name == L"dialog") return Dialog(value);
    if (name == L"answer") return Answer(number);
    if (name == L"check") return ::PostMessageW(::GetDlgItem(dialog_, number), BM_CLICK, 0, 0) && (::Sleep(200), true);
    if (name == L"pick") return Pick();
    if (name == L"aside")
      return ::SetWindowPos(dialog_, nullptr, 0, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != 0;
    if (name == L"gone") return Gone(value);
    if (name == L"lock") return Lock(value);
    if (name == L"unlock") return Unlock(), true;
    if (name == L"shot") return Shot(value);
    if (name == L"recolour") return Recolour(value);
    if (name == L"rects") return Rects();
    if (name == L"dpi") return Dpi(number);
    if (name == L"press") return Hover(number) && (SendMouse(MOUSEEVENTF_LEFTDOWN), ::Sleep(400), true);
    if (name == L"release") return SendMouse(MOUSEEVENTF_LEFTUP), ::Sleep(300), true;
    if (name == L"hook") return Hook(value);
    if (name == L"sleep") return ::Sleep(DWORD(number)), true;
    if (name == L"wait") return waitMs_ = number * 1000, true;
    if (name == L"exit") return Exit();
    return false;
  }

 private:
  DWORD pid() const { return process_.dwProcessId; }
  bool DialogOpen() const { return dialog_ && ::IsWindow(dialog_) && ::IsWindowVisible(dialog_); }
  HWND Front() const { return DialogOpen() ? dialog_ : wizard_; }

  bool Start(const std::wstring& exe) {
    program_ = exe;
    if (!Launch(exe, args_, process_)) return false;
    args_.clear();
    ::WaitForInputIdle(process_.hProcess, 10000);
    return true;
  }

  static bool Launch(const std::wstring& exe, const std::wstring& args, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    return ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process) != 0;
  }

  bool Quiet(const std::wstring& args) {
    PROCESS_INFORMATION quiet = {};
    if (program_.empty() || !Launch(program_, args, quiet)) return false;
    HWND shown = nullptr;
    for (int waited = 0; waited < 180000 && !shown && ::WaitForSingleObject(quiet.hProcess, 200) == WAIT_TIMEOUT;
         waited += 200)
      shown = FindShown([&](HWND w) { return ProcessOf(w) == quiet.dwProcessId; });
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(quiet.hProcess, &code);
    if (code == STILL_ACTIVE) ::TerminateProcess(quiet.hProcess, 99);
    ::CloseHandle(quiet.hThread);
    ::CloseHandle(quiet.hProcess);
    report_.Set("quiet.exit", std::to_wstring(code));
    if (shown) report_.Set("window", ClassName(shown) + L":" + WindowText(shown));
    return !shown && code != STILL_ACTIVE;
  }

  bool Second(const std::wstring& args) {
    PROCESS_INFORMATION second = {};
    if (program_.empty() || !Launch(program_, args, second)) return false;
    ::CloseHandle(second.hThread);
    ::CloseHandle(second.hProcess);
    return true;
  }

  bool Key(const std::wstring& key) {
    UINT code = key == L"enter" ? VK_RETURN : key == L"esc" ? VK_ESCAPE : key == L"space" ? VK_SPACE : 0;
    if (code == 0) return false;
    PressKey(Front(), code);
    return true;
  }

  bool Hover(int id) {
    RECT rect;
    if (id == 0) {
      ::GetWindowRect(wizard_, &rect);
      ::SetCursorPos(rect.left + 300, rect.top + 40);
      ::Sleep(1000);  // time for the mouse tracking to end any hover
      return true;
    }
    HWND control = ::GetDlgItem(wizard_, id);
    if (!control || !::GetWindowRect(control, &rect)) return false;
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ::Sleep(400);
    return true;
  }

  bool Dialog(const std::wstring& caption) {
    dialog_ = nullptr;
    WaitUntil(
        [&] {
          dialog_ = FindDialog(pid(), caption);
          return dialog_ != nullptr || (caption.empty() && ::WaitForSingleObject(process_.hProcess, 0) == 0);
        },
        waitMs_ ? waitMs_ : 60000);
    if (!dialog_) return false;
    ::Sleep(300);  // let it paint and take the focus
    report_.Set("dialog.caption", WindowText(dialog_));
    report_.Set("dialog.text", StaticTexts(dialog_));
    std::wstring checked, enabled;
    for (HWND child = ::GetWindow(dialog_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      LONG type = ::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
      if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX) continue;
      std::wstring id = std::to_wstring(::GetDlgCtrlID(child)) + L",";
      if (::SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED) checked += id;
      if (::IsWindowEnabled(child)) enabled += id;
    }
    report_.Set("dialog.checked", checked);
    report_.Set("dialog.enabled", enabled);
    report_.Set("dialog.buttons", ButtonClass(dialog_));
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog_, nullptr), &gui);
    report_.Set("dialog.focus", std::to_wstring(gui.hwndFocus ? ::GetDlgCtrlID(gui.hwndFocus) : 0));
    report_.Set("dialog.foreground", ::GetForegroundWindow() == dialog_ ? L"yes" : L"no");
    if (wizard_) report_.Set("wizard.visible", ::IsWindowVisible(wizard_) ? L"yes" : L"no");
    other_ = ProcessOf(dialog_) != pid() ? ProcessOf(dialog_) : 0;
    if (other_) {
      HANDLE shower = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, other_);
      wchar_t image[MAX_PATH] = {};
      DWORD size = MAX_PATH;
      if (shower && ::QueryFullProcessImageNameW(shower, 0, image, &size)) report_.Set("dialog.process", image);
      if (shower) ::CloseHandle(shower);
    }
    return true;
  }

  bool Answer(int id) {
    HANDLE shower = other_ ? ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, other_) : nullptr;
    bool ok = DialogOpen() && AnswerDialog(dialog_, id);
    DWORD code = 0;
    if (shower && ::WaitForSingleObject(shower, 20000) == WAIT_OBJECT_0 && ::GetExitCodeProcess(shower, &code))
      report_.Set("dialog.exit", std::to_wstring(code));
    if (shower) ::CloseHandle(shower);
    return ok;
  }

  bool Pick() {
    HWND tree = ::FindWindowExW(dialog_, nullptr, WC_TREEVIEWW, nullptr);
    if (!tree) return false;
    // Item handles cross processes as plain numbers.
    LPARAM root = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    LPARAM first = root ? ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, root) : 0;
    if (!first) return false;
    ::SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, first);
    ::Sleep(300);
    return AnswerDialog(dialog_, IDOK);
  }

  bool Gone(const std::wstring& caption) {
    ::Sleep(1500);
    HWND more = FindDialog(pid(), caption);
    if (more) report_.Set("unexpected", StaticTexts(more));
    return !more;
  }

  bool Lock(const std::wstring& path) {
    // Its folders first, so that the lock can exist before the installer runs.
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
      ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    lock_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    return lock_ != INVALID_HANDLE_VALUE;
  }

  void Unlock() {
    if (lock_ != INVALID_HANDLE_VALUE) ::CloseHandle(lock_);
    lock_ = INVALID_HANDLE_VALUE;
  }

  bool Shot(const std::wstring& value) {
    const std::size_t colon = value.find(L':');
    HWND window = Front();
    if (colon != std::wstring::npos) {
      int id = _wtoi(value.c_str() + colon + 1);
      window = id ? ::GetDlgItem(wizard_, id) : wizard_;
    }
    RECT rect, client;
    if (!window || !::GetWindowRect(window, &rect) || !::GetClientRect(window, &client)) return false;
    ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    ::Sleep(400);  // let it finish painting
    const std::wstring name = value.substr(0, colon);
    report_.Set("shot." + Utf8(name), Numbers({client.left - rect.left, client.top - rect.top}));
    return SaveScreen(rect, shots_ + L"\\" + name + L".bmp");
  }

  // Next, hidden, moves over the picture (client 40, 100) while the system
  // colours change, shows again and is held down: the pressed face shifts by
  // one pixel and bares the button's copy of its background along its top
  // and left edges, the picture when the button heard of the change, its old
  // place when it kept its old copy. The pointer leaves before the release.
  bool Recolour(const std::wstring& name) {
    HWND next = ::GetDlgItem(wizard_, IDOK);
    RECT rect;
    ::ShowWindow(next, SW_HIDE);
    ::SetWindowPos(next, nullptr, 40, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    ::Sleep(300);
    ::SendMessageW(wizard_, WM_SYSCOLORCHANGE, 0, 0);
    ::ShowWindow(next, SW_SHOWNA);
    ::Sleep(300);
    ::GetWindowRect(next, &rect);
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ::Sleep(500);
    bool saved = SaveScreen(rect, shots_ + L"\\" + name + L".bmp");
    ::SetCursorPos(rect.left + 300, rect.top + 120);
    ::Sleep(200);
    SendMouse(MOUSEEVENTF_LEFTUP);
    ::Sleep(300);
    return saved;
  }

  bool Rects() {
    const HWND front = Front();
    RECT window;
    if (!::GetWindowRect(front, &window)) return false;
    report_.Set("window", Numbers({window.right - window.left, window.bottom - window.top}));
    report_.Set("buttons", ButtonClass(front));
    for (HWND child = ::GetWindow(front, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      RECT r;
      ::GetWindowRect(child, &r);
      ::MapWindowPoints(HWND_DESKTOP, front, reinterpret_cast<POINT*>(&r), 2);
      report_.Set("rect." + std::to_string(::GetDlgCtrlID(child)), Numbers({r.left, r.top, r.right, r.bottom}));
    }
    return true;
  }

  // The suggested rectangle lives in the wizard's process, where the
  // message's lParam points.
  bool Dpi(int dpi) {
    RECT place;
    if (dpi <= 0 || !::GetWindowRect(wizard_, &place)) return false;
    const int x = (place.left + place.right) / 2, y = (place.top + place.bottom) / 2;
    const int w = ::MulDiv(300, dpi, 96), h = ::MulDiv(180, dpi, 96);
    place = {x - w, y - h, x + w, y + h};
    void* there = ::VirtualAllocEx(process_.hProcess, nullptr, sizeof(place), MEM_COMMIT, PAGE_READWRITE);
    bool ok = there && ::WriteProcessMemory(process_.hProcess, there, &place, sizeof(place), nullptr);
    DWORD_PTR answer = 0;
    ok = ok && ::SendMessageTimeoutW(wizard_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), LPARAM(there), SMTO_NORMAL, 10000,
                                     &answer);
    if (there) ::VirtualFreeEx(process_.hProcess, there, 0, MEM_RELEASE);
    ::Sleep(500);
    return ok;
  }

  bool Hook(const std::wstring& file) {
    if (!WriteWhole(file, {})) return false;
    return WaitUntil([&] { return ::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000);
  }

  bool Exit() {
    if (::WaitForSingleObject(process_.hProcess, 30000) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    report_.Set("exit", std::to_wstring(code));
    return true;
  }

  Report& report_;
  std::wstring shots_;
  std::wstring args_;     // for the next start
  std::wstring program_;  // of start= or program=
  PROCESS_INFORMATION process_ = {};
  HWND wizard_ = nullptr;
  HWND dialog_ = nullptr;
  int waitMs_ = 0;  // 0: each step's own time limit
  DWORD other_ = 0;
  HANDLE lock_ = INVALID_HANDLE_VALUE;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: wine_driver REPORT [--shots DIR] STEP...\n");
    return 2;
  }
  // The driver sees every window and pixel as they are on the screen, at
  // any display scale: it is per-monitor aware where the system knows that
  // (Debian's Wine treats every program so anyway).
  using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
  if (auto set = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void (*)()>(
          ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
    set(reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  Report report;
  const bool shots = argc > 3 && std::wstring(argv[2]) == L"--shots";
  int result = 0;
  {
    Driver driver(report, shots ? argv[3] : L".");
    for (int i = shots ? 4 : 2; i < argc && result == 0; ++i) {
      const std::wstring step = argv[i];
      const std::size_t equals = step.find(L'=');
      const std::wstring value = equals == std::wstring::npos ? L"" : step.substr(equals + 1);
      if (!driver.Step(step.substr(0, equals), value)) {
        report.Set("failed", std::to_wstring(i - (shots ? 4 : 2)) + L" " + step);
        result = 1;
      }
    }
  }
  return report.Write(argv[1]) ? result : 1;
}
