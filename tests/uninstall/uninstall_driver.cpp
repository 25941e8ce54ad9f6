// Runs an installed uninstaller the way a user does, for the host-side Wine
// tests: starts it, answers its confirmation (yes or no), presses OK on the
// message boxes that follow, also those of the copy it starts in the
// temporary folder (another process), and writes what it saw to a report of
// "key=value" lines (UTF-8; in values a backslash as \\, line breaks as \n).
//
//   uninstall_driver --run EXE --answer yes|no --report FILE [--shots DIR]
//
// Report keys: confirm, confirm_caption (the question), result,
// result_caption (the message after it or instead of it), boxes (count),
// exit (the started program's exit code), copy_exit and copy_path (the
// process that showed the result, when it was not the started one).
// Exit code 0 when the run ended in time, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/wizard_driver.h"

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

struct Report {
  std::vector<std::string> lines;
  void Set(const std::string& key, const std::wstring& value) {
    std::string escaped;
    for (char c : Utf8(value)) {
      if (c == '\\')
        escaped += "\\\\";
      else if (c == '\n')
        escaped += "\\n";
      else if (c == '\r')
        escaped += "\\r";
      else
        escaped += c;
    }
    lines.push_back(key + "=" + escaped);
  }
  bool Write(const std::wstring& path) const {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    DWORD written = 0;
    bool ok = WriteFile(file, all.data(), DWORD(all.size()), &written, nullptr) && written == all.size();
    CloseHandle(file);
    return ok;
  }
};

struct Search {
  std::wstring caption;
  HWND found = nullptr;
};

// A visible message box of any process with the given caption.
BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (!IsWindowVisible(window) || std::wstring(name) != L"#32770") return TRUE;
  if (e2e::ReadMessageBox(window).caption != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitForBox(const std::wstring& caption, int timeoutMs) {
  Search search{caption};
  e2e::WaitUntil(
      [&] {
        search.found = nullptr;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs);
  return search.found;
}

void Shot(const std::wstring& folder, const wchar_t* name, HWND window) {
  if (folder.empty()) return;
  Sleep(300);  // let it paint
  e2e::CaptureScreen(e2e::WindowRectOnScreen(window)).Save(folder + L"\\" + name + L".bmp");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring run, answer = L"yes", reportPath, shots;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring key = argv[i];
    if (key == L"--run")
      run = argv[i + 1];
    else if (key == L"--answer")
      answer = argv[i + 1];
    else if (key == L"--report")
      reportPath = argv[i + 1];
    else if (key == L"--shots")
      shots = argv[i + 1];
  }
  if (run.empty() || reportPath.empty()) return 1;
  std::wstring caption = run.substr(run.find_last_of(L"\\/") + 1);
  caption.erase(caption.rfind(L'.'));

  Report report;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::wstring commandLine = L"\"" + run + L"\"";
  if (!CreateProcessW(run.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    report.Set("start", L"failed");
    report.Write(reportPath);
    return 1;
  }
  CloseHandle(process.hThread);

  int boxes = 0;
  bool ok = true;
  HWND box = WaitForBox(caption, 20000);
  if (box && GetDlgItem(box, IDYES)) {
    ++boxes;
    e2e::MessageBoxTexts texts = e2e::ReadMessageBox(box);
    report.Set("confirm", texts.text);
    Shot(shots, L"confirm", box);
    ok = e2e::AnswerDialog(box, answer == L"yes" ? IDYES : IDNO);
    box = answer == L"yes" ? WaitForBox(caption, 60000) : nullptr;
  }
  if (box) {
    ++boxes;
    e2e::MessageBoxTexts texts = e2e::ReadMessageBox(box);
    report.Set("result", texts.text);
    report.Set("result_caption", texts.caption);
    Shot(shots, L"result", box);
    DWORD pid = 0;
    GetWindowThreadProcessId(box, &pid);
    HANDLE shower =
        pid != process.dwProcessId ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr;
    if (shower) {
      wchar_t image[MAX_PATH] = {};
      DWORD size = MAX_PATH;
      if (QueryFullProcessImageNameW(shower, 0, image, &size)) report.Set("copy_path", image);
    }
    ok = e2e::AnswerDialog(box, IDOK) && ok;
    if (shower) {
      DWORD code = 0;
      if (WaitForSingleObject(shower, 20000) == WAIT_OBJECT_0 && GetExitCodeProcess(shower, &code))
        report.Set("copy_exit", std::to_wstring(code));
      CloseHandle(shower);
    }
  }
  // Nothing more may come.
  Sleep(1500);
  if (HWND more = WaitForBox(caption, 500)) {
    report.Set("unexpected", e2e::ReadMessageBox(more).text);
    e2e::AnswerDialog(more, IDOK);
    ok = false;
  }
  report.Set("boxes", std::to_wstring(boxes));
  DWORD code = 0;
  if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code)) {
    report.Set("exit", std::to_wstring(code));
  } else {
    TerminateProcess(process.hProcess, 99);
    ok = false;
  }
  CloseHandle(process.hProcess);
  report.Write(reportPath);
  return ok ? 0 : 1;
}
