// The Wine tests' hands on the installer and the uninstaller: runs a list of
// steps against a program's windows as a user would and writes what it saw
// to a report of "key=value" lines (UTF-8; in values a backslash is written
// as \\, a line break as \n or \r).
//
//   wine_driver REPORT [--shots DIR] STEP...
//
// Steps ("name" or "name=value"); a failing step ends the run with
// failed=STEP in the report and exit code 1:
//   start=EXE      start the program          wizard       wait for the wizard
//   args=TEXT      arguments for the next start
//   quiet=ARGS     start the program of start= (or program=) again with ARGS
//                  and wait for its end, looking every 200 ms for any window
//                  of it; report quiet.exit=CODE, or window=CLASS:TITLE and
//                  end it and fail when one shows
//   program=EXE    the program for quiet= and second=
//   second=ARGS    start the program of start= again with ARGS, not waited for
//   page=N         wait for page 0-3 or 6     click=ID     click a wizard control
//   type=TEXT      fill the path field        key=KEY      enter, esc or space
//   close          Alt+F4 on the window in front (the dialog, else the wizard)
//   shown=ID, hidden=ID   wait until a wizard control is shown / hidden
//   read=ID        report text.ID             hover=ID     pointer over a
//                  wizard control (0: over the heading, away from all buttons)
//   dialog[=CAPTION]  wait for a dialog of the program other than the wizard
//                  (with CAPTION: of any process) and report it (its caption,
//                  texts, check boxes, focus, and dialog.buttons: the class of
//                  its first button, see ButtonClass)
//   answer=ID      press button ID of that dialog; for a dialog of another
//                  process, wait for that process and report its exit code
//   check=ID       toggle check box ID of that dialog
//   pick           in the folder picker: select the first folder, then OK
//   aside          move that dialog below the wizard
//   host=FILE      write FILE, then wait until that dialog ends (the host
//                  presses a real key meanwhile); report host=ended|ignored
//   gone[=CAPTION]  no further dialog may come (with CAPTION: of any process)
//   lock=PATH, unlock   hold a file open without sharing / let it go
//   shot=NAME[:ID]  screenshot DIR/NAME.bmp of the window in front, or of
//                  wizard control ID (0: the wizard); reports shot.NAME, the
//                  client area's offset in the picture
//   recolour=NAME  Next moves over the picture while the system colours
//                  change; DIR/NAME.bmp shows it held down (see Recolour)
//   main           wait for the program's first dialog, whatever it is, and
//                  drive it as the wizard (a stage program of the tests)
//   rects          of the window in front (the dialog, else the wizard): report
//                  window=W,H, the class of its first button (buttons=, see
//                  ButtonClass) and, for every control, rect.ID=LEFT,TOP,RIGHT,
//                  BOTTOM in its client coordinates
//   dpi=N          tell the wizard it is on a monitor of N DPI (WM_DPICHANGED)
//                  and suggest 600 x 360 scaled to N DPI, around its centre
//   press=ID, release  hold the left mouse button down over wizard control
//                  ID (0: over the heading) / let it go where the pointer is
//   hook=FILE      write FILE, then wait until the host deletes it
//   sleep=MS       exit         wait for the program's end, report exit=CODE
//   wait=S         let the page and dialog steps after it wait up to S seconds
//                  (default 30 and 60), for installations that take longer
//                  (the benchmarks)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace wine_driver {

// What the driver does to the windows of another process, as a user would:
// find its dialogs, click with the real mouse, type, press keys, read texts
// and photograph the screen.

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

// The class of `button` as the system registered it: "Button" for user32's
// buttons, "6.0.N.N!Button" for those of version 6 of the common controls
// (Wine keeps class names in its atom table).
std::wstring ButtonClass(HWND button) {
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

namespace {

constexpr int kBack = 1011, kLanguage = 1006, kAgreement = 1007, kPath = 1009;

std::string Utf8(const std::wstring& text) {
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n > 0 ? n : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

class Report {
 public:
  explicit Report(std::wstring path) : path_(std::move(path)) {}
  void Set(const std::string& key, const std::wstring& value) {
    std::string line = key + "=";
    for (char c : Utf8(value)) line += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    text_ += line + "\n";
  }
  bool Write() const {
    HANDLE file = ::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file, text_.data(), DWORD(text_.size()), &written, nullptr) && written == text_.size();
    ::CloseHandle(file);
    return ok;
  }

 private:
  std::wstring path_;
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
    if (name == L"wizard")
      return WaitUntil([&] { return (wizard_ = FindProcessDialog(pid(), true)) != nullptr; }, 20000);
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
    if (name == L"host") return Host(value);
    if (name == L"gone") return Gone(value);
    if (name == L"lock") return Lock(value);
    if (name == L"unlock") return Unlock(), true;
    if (name == L"shot") return Shot(value);
    if (name == L"recolour") return Recolour(value);
    if (name == L"main")
      return WaitUntil([&] { return (wizard_ = FindProcessDialog(pid(), false)) != nullptr; }, 20000);
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

  struct FindShown {
    DWORD pid;
    std::wstring found;
  };
  static BOOL CALLBACK MatchShown(HWND window, LPARAM param) {
    auto* f = reinterpret_cast<FindShown*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != f->pid || !::IsWindowVisible(window)) return TRUE;
    f->found = ClassName(window) + L":" + WindowText(window);
    return FALSE;
  }
  // Any visible top-level window of process pid: "CLASS:TITLE", or empty.
  static std::wstring ShownWindow(DWORD pid) {
    FindShown find{pid, L""};
    ::EnumWindows(MatchShown, LPARAM(&find));
    return find.found;
  }

  bool Quiet(const std::wstring& args) {
    PROCESS_INFORMATION quiet = {};
    if (program_.empty() || !Launch(program_, args, quiet)) return false;
    std::wstring shown;
    for (int waited = 0; waited < 180000 && shown.empty() && ::WaitForSingleObject(quiet.hProcess, 200) == WAIT_TIMEOUT;
         waited += 200)
      shown = ShownWindow(quiet.dwProcessId);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(quiet.hProcess, &code);
    if (code == STILL_ACTIVE) ::TerminateProcess(quiet.hProcess, 99);
    ::CloseHandle(quiet.hThread);
    ::CloseHandle(quiet.hProcess);
    report_.Set("quiet.exit", std::to_wstring(code));
    if (!shown.empty()) report_.Set("window", shown);
    return shown.empty() && code != STILL_ACTIVE;
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
          dialog_ = caption.empty() ? FindProcessDialog(pid(), false) : FindDialogByCaption(caption);
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
    report_.Set("dialog.buttons", ButtonClass(::FindWindowExW(dialog_, nullptr, L"Button", nullptr)));
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog_, nullptr), &gui);
    report_.Set("dialog.focus", std::to_wstring(gui.hwndFocus ? ::GetDlgCtrlID(gui.hwndFocus) : 0));
    report_.Set("dialog.foreground", ::GetForegroundWindow() == dialog_ ? L"yes" : L"no");
    if (wizard_) report_.Set("wizard.visible", ::IsWindowVisible(wizard_) ? L"yes" : L"no");
    DWORD owner = 0;
    ::GetWindowThreadProcessId(dialog_, &owner);
    other_ = owner != pid() ? owner : 0;
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

  bool Host(const std::wstring& file) {
    HANDLE ready = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(ready);
    bool ended = WaitUntil([&] { return !DialogOpen(); }, 15000);
    report_.Set("host", ended ? L"ended" : L"ignored");
    return true;
  }

  bool Gone(const std::wstring& caption) {
    ::Sleep(1500);
    HWND more = caption.empty() ? FindProcessDialog(pid(), false) : FindDialogByCaption(caption);
    if (!more) return true;
    report_.Set("unexpected", StaticTexts(more));
    return false;
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
    const std::wstring name = value.substr(0, colon);
    HWND window = Front();
    if (colon != std::wstring::npos) {
      int id = _wtoi(value.c_str() + colon + 1);
      window = id ? ::GetDlgItem(wizard_, id) : wizard_;
    }
    RECT rect, client;
    if (!window || !::GetWindowRect(window, &rect) || !::GetClientRect(window, &client)) return false;
    ::MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    ::Sleep(400);  // let it finish painting
    report_.Set("shot." + Utf8(name),
                std::to_wstring(client.left - rect.left) + L"," + std::to_wstring(client.top - rect.top));
    return SaveScreen(rect, shots_ + L"\\" + name + L".bmp");
  }

  // Next, hidden, moves over the picture (client 40, 100) while the system
  // colours change, shows again and is held down: the pressed face shifts by
  // one pixel and bares the button's copy of its background along its top and
  // left edges. A button that heard of the change through the dialog copied
  // the picture; one that kept its old copy shows its old place. The picture
  // is NAME.bmp; the pointer leaves before the release, so nothing is clicked.
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
    report_.Set("window",
                std::to_wstring(window.right - window.left) + L"," + std::to_wstring(window.bottom - window.top));
    report_.Set("buttons", ButtonClass(::FindWindowExW(front, nullptr, L"Button", nullptr)));
    for (HWND child = ::GetWindow(front, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
      RECT rect;
      ::GetWindowRect(child, &rect);
      ::MapWindowPoints(HWND_DESKTOP, front, reinterpret_cast<POINT*>(&rect), 2);
      report_.Set("rect." + std::to_string(::GetDlgCtrlID(child)),
                  std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"," + std::to_wstring(rect.right) +
                      L"," + std::to_wstring(rect.bottom));
    }
    return true;
  }

  // The suggested rectangle lives in the wizard's process, where the
  // message's lParam points.
  bool Dpi(int dpi) {
    RECT place;
    if (dpi <= 0 || !::GetWindowRect(wizard_, &place)) return false;
    const int x = (place.left + place.right) / 2, y = (place.top + place.bottom) / 2;
    place = {x - ::MulDiv(300, dpi, 96), y - ::MulDiv(180, dpi, 96), x + ::MulDiv(300, dpi, 96),
             y + ::MulDiv(180, dpi, 96)};
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
    HANDLE mark = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(mark);
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
}  // namespace wine_driver

int wmain(int argc, wchar_t** argv) {
  using namespace wine_driver;
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: wine_driver REPORT [--shots DIR] STEP...\n");
    return 2;
  }
  // The driver sees every window and pixel as they are on the screen, at any
  // display scale: it declares itself per-monitor aware (where the system
  // knows that; Debian's Wine treats every program so anyway).
  using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
  if (auto set = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void (*)()>(
          ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext"))))
    set(reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  Report report(argv[1]);
  int first = 2;
  std::wstring shots = L".";
  if (argc > 3 && std::wstring(argv[2]) == L"--shots") {
    shots = argv[3];
    first = 4;
  }
  int result = 0;
  {
    Driver driver(report, shots);
    for (int i = first; i < argc && result == 0; ++i) {
      const std::wstring step = argv[i];
      const std::size_t equals = step.find(L'=');
      const std::wstring name = step.substr(0, equals);
      const std::wstring value = equals == std::wstring::npos ? L"" : step.substr(equals + 1);
      if (!driver.Step(name, value)) {
        report.Set("failed", std::to_wstring(i - first) + L" " + step);
        result = 1;
      }
    }
  }
  return report.Write() ? result : 1;
}
