// Runs one installation the way a user does, for the host-side end-to-end
// tests: starts setup.exe, walks the wizard to the install folder, types the
// folder, confirms, answers the retry prompt and the finish dialog as asked,
// and writes what it saw (message boxes, finish dialog state, exit code) to
// a report file of "key=value" lines (UTF-8; line breaks in values as \n).
//
//   install_driver --setup EXE --folder C:\DIR --report FILE
//                  [--finish all|none|run]          choices in the finish dialog
//                  [--lock FILE --answer retry|cancel]
//                                                   hold FILE open without sharing
//                                                   until the retry prompt is answered
//                  [--shots DIR]                    screenshots (BMP) of the progress
//                                                   page and the finish dialog
//                  [--probe-close]                  try Esc and the close box on the
//                                                   finish dialog first
//                  [--pause MS]                     keep the finish dialog open MS
//                                                   milliseconds after its screenshot
//                  [--enter-from-host FILE]         leave the finish dialog to a real
//                                                   Enter key: write FILE when it is
//                                                   open, then wait for it to end
// Exit code 0 when the run went as far as the scenario allows, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/wizard_driver.h"

namespace {

constexpr int kAgree = 1008, kLanguage = 1006, kFolder = 1009, kProgress = 1015;
constexpr int kFinishText = 1002, kDesktopLink = 1003, kRunProgram = 1004, kAutostart = 1005;
const wchar_t kFinishCaption[] = L"安装完成";
const wchar_t kRetryCaption[] = L"是否重试?";

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

class Report {
 public:
  void Set(const std::string& key, const std::wstring& value) { Set(key, Utf8(value)); }
  void Set(const std::string& key, const std::string& value) {
    std::string escaped;
    for (char c : value) {
      if (c == '\n')
        escaped += "\\n";
      else if (c == '\r')
        escaped += "\\r";
      else
        escaped += c;
    }
    lines_.push_back(key + "=" + escaped);
  }
  bool Write(const std::wstring& path) const {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string all;
    for (const std::string& line : lines_) all += line + "\n";
    DWORD written = 0;
    bool ok = WriteFile(file, all.data(), DWORD(all.size()), &written, nullptr) && written == all.size();
    CloseHandle(file);
    return ok;
  }

 private:
  std::vector<std::string> lines_;
};

// Holds a file open without sharing, as another program would.
class FileLock {
 public:
  ~FileLock() { Release(); }
  bool Hold(const std::wstring& path) {
    // Its folders first, so that the lock can exist before the installer runs.
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
      CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
  }
  void Release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

std::wstring Caption(HWND window) {
  wchar_t text[256] = {};
  SendMessageW(window, WM_GETTEXT, 256, LPARAM(text));
  return text;
}

bool Checked(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Shoot(const std::wstring& folder, const wchar_t* name, const RECT& rect) {
  if (folder.empty()) return;
  Sleep(400);  // let the window finish painting
  e2e::CaptureScreen(rect).Save(folder + L"\\" + name + L".bmp");
}

struct Options {
  std::wstring setup, folder, report, finish = L"all", lock, answer = L"retry", shots, pause, enterFromHost;
  bool probeClose = false;
};

bool Parse(int argc, wchar_t** argv, Options& o) {
  std::map<std::wstring, std::wstring*> values = {
      {L"--setup", &o.setup},   {L"--folder", &o.folder}, {L"--report", &o.report},
      {L"--finish", &o.finish}, {L"--lock", &o.lock},     {L"--answer", &o.answer},
      {L"--shots", &o.shots},   {L"--pause", &o.pause},   {L"--enter-from-host", &o.enterFromHost}};
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"--probe-close") {
      o.probeClose = true;
    } else if (values.count(arg) && i + 1 < argc) {
      *values[arg] = argv[++i];
    } else {
      return false;
    }
  }
  return !o.setup.empty() && !o.report.empty();
}

// Walks pages 0 to 3 and leaves the folder page with `folder`.
bool WalkToConfirmation(HWND wizard, const std::wstring& folder, Report& report) {
  using e2e::ClickControl;
  using e2e::IsControlVisible;
  using e2e::WaitUntil;
  if (!WaitUntil([&] { return IsControlVisible(wizard, IDOK); })) return report.Set("stuck", "page0"), false;
  ClickControl(wizard, IDOK);
  if (!WaitUntil([&] { return IsControlVisible(wizard, kLanguage); })) return report.Set("stuck", "page1"), false;
  ClickControl(wizard, IDOK);
  if (!WaitUntil([&] { return IsControlVisible(wizard, kAgree); })) return report.Set("stuck", "page2"), false;
  if (!IsControlVisible(wizard, IDOK)) ClickControl(wizard, kAgree);
  if (!WaitUntil([&] { return IsControlVisible(wizard, IDOK); })) return report.Set("stuck", "agree"), false;
  ClickControl(wizard, IDOK);
  if (!WaitUntil([&] { return IsControlVisible(wizard, kFolder); })) return report.Set("stuck", "page3"), false;
  if (!folder.empty()) e2e::TypeText(wizard, kFolder, folder);
  report.Set("folder", e2e::ControlText(wizard, kFolder));
  ClickControl(wizard, IDOK);
  return true;
}

int Drive(const Options& o, Report& report) {
  e2e::InstallerRun run;
  if (!run.Start(o.setup)) return report.Set("stuck", "start"), 1;
  HWND wizard = run.WaitForWizard(20000);
  if (wizard == nullptr) return report.Set("stuck", "no wizard"), 1;
  if (!WalkToConfirmation(wizard, o.folder, report)) return 1;

  // The environment check ends on the confirmation page (Next shown again,
  // folder field hidden) or with a message box.
  HWND box = nullptr;
  e2e::WaitUntil(
      [&] {
        box = run.FindOtherDialog();
        return box != nullptr || !run.IsRunning() ||
               (e2e::IsControlVisible(wizard, IDOK) && !e2e::IsControlVisible(wizard, kFolder));
      },
      30000);
  if (box != nullptr) {
    e2e::MessageBoxTexts texts = e2e::ReadMessageBox(box);
    report.Set("environment_box_caption", texts.caption);
    report.Set("environment_box", texts.text);
    e2e::AnswerDialog(box, IDOK);
  } else {
    report.Set("confirmation", "shown");
    FileLock lock;
    if (!o.lock.empty() && !lock.Hold(o.lock)) return report.Set("stuck", "lock"), 1;
    e2e::ClickControl(wizard, IDOK);

    // Every dialog the installation shows, until the program ends.
    int prompts = 0;
    while (run.IsRunning()) {
      HWND dialog = run.WaitForOtherDialog(60000);
      if (dialog == nullptr) break;
      const std::wstring caption = Caption(dialog);
      if (caption == kFinishCaption) {
        report.Set("finish_text", e2e::ControlText(dialog, kFinishText));
        report.Set("finish_checked", std::string(Checked(dialog, kRunProgram) ? "run," : "") +
                                         (Checked(dialog, kDesktopLink) ? "desktop," : "") +
                                         (Checked(dialog, kAutostart) ? "autostart," : ""));
        report.Set("wizard_hidden", IsWindowVisible(wizard) ? "no" : "yes");
        report.Set("finish_enabled", std::string(IsWindowEnabled(GetDlgItem(dialog, kRunProgram)) ? "run," : "") +
                                         (IsWindowEnabled(GetDlgItem(dialog, kDesktopLink)) ? "desktop," : "") +
                                         (IsWindowEnabled(GetDlgItem(dialog, kAutostart)) ? "autostart," : ""));
        Shoot(o.shots, L"finish-dialog", e2e::WindowRectOnScreen(dialog));
        if (!o.pause.empty()) Sleep(DWORD(_wtoi(o.pause.c_str())));
        if (o.probeClose) {
          e2e::PressKey(dialog, VK_ESCAPE);
          e2e::PressAltF4(dialog);
          PostMessageW(dialog, WM_CLOSE, 0, 0);
          Sleep(300);
          report.Set("finish_after_close", IsWindow(dialog) && IsWindowVisible(dialog) ? "open" : "closed");
        }
        if (o.finish == L"none" || o.finish == L"run") {
          SendDlgItemMessageW(dialog, kDesktopLink, BM_CLICK, 0, 0);
          SendDlgItemMessageW(dialog, kAutostart, BM_CLICK, 0, 0);
        }
        if (o.finish == L"none") SendDlgItemMessageW(dialog, kRunProgram, BM_CLICK, 0, 0);
        if (!o.enterFromHost.empty()) {
          // The host presses Enter on the X display: it must reach "完成".
          GUITHREADINFO gui = {};
          gui.cbSize = sizeof gui;
          GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
          report.Set("finish_focus", gui.hwndFocus == GetDlgItem(dialog, IDOK) ? "done" : "elsewhere");
          report.Set("finish_foreground", GetForegroundWindow() == dialog ? "yes" : "no");
          Report().Write(o.enterFromHost);
          const bool ended = e2e::WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 15000);
          report.Set("finish_enter", ended ? "ended" : "ignored");
          if (ended) continue;
        }
        e2e::ClickControl(dialog, IDOK);
        e2e::WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
      } else if (caption == kRetryCaption) {
        ++prompts;
        e2e::MessageBoxTexts texts = e2e::ReadMessageBox(dialog);
        report.Set("retry_prompt", texts.text);
        report.Set("progress_at_prompt", e2e::ControlText(wizard, kProgress));
        // Move the prompt aside to show the progress page behind it.
        SetWindowPos(dialog, nullptr, 0, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Shoot(o.shots, L"progress-page", e2e::WindowRectOnScreen(wizard));
        if (o.answer == L"retry") {
          lock.Release();
          e2e::AnswerDialog(dialog, IDRETRY);
        } else {
          e2e::AnswerDialog(dialog, IDCANCEL);
        }
      } else {
        e2e::MessageBoxTexts texts = e2e::ReadMessageBox(dialog);
        report.Set("message_box_caption", texts.caption);
        report.Set("message_box", texts.text);
        e2e::AnswerDialog(dialog, IDOK);
      }
    }
    report.Set("retry_prompts", std::to_string(prompts));
  }
  DWORD code = 0;
  if (!run.WaitForExit(20000, &code)) return report.Set("stuck", "no exit"), 1;
  report.Set("exit", std::to_string(code));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fwprintf(stderr, L"usage: install_driver --setup EXE --folder DIR --report FILE [options]\n");
    return 2;
  }
  Report report;
  const int result = Drive(options, report);
  if (!report.Write(options.report)) return 1;
  return result;
}
