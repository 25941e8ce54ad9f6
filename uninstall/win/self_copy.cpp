#include "uninstall/win/self_copy.h"

#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <vector>

#include "wizard/install_end.h"

namespace uninstall {
namespace {

constexpr wchar_t kRemoveSwitch[] = L"/remove";
constexpr wchar_t kSilentSwitch[] = L"/S";

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(buffer, length);
}

// Closes a handle when it goes out of scope.
struct HandleGuard {
  HANDLE handle = nullptr;
  ~HandleGuard() {
    if (handle) CloseHandle(handle);
  }
};

}  // namespace

std::wstring OwnProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}

bool StartRemovalCopy(const std::wstring& ownPath, HANDLE* result) {
  const std::wstring temp = TempFolder();
  if (temp.empty()) return false;
  // A fresh name: the copy of an earlier run may still wait for a restart.
  std::wstring copy;
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    copy = temp + L"uninstall-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt) + L".exe";
    if (CopyFileW(ownPath.c_str(), copy.c_str(), TRUE)) break;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    copy.clear();
  }
  if (copy.empty()) return false;

  HandleGuard self, reading, writing;
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self.handle, SYNCHRONIZE, TRUE,
                       0) ||
      (result && (!CreatePipe(&reading.handle, &writing.handle, &inherited, 0) ||
                  !SetHandleInformation(reading.handle, HANDLE_FLAG_INHERIT, 0)))) {
    DeleteFileW(copy.c_str());
    return false;
  }
  std::wstring commandLine = L"\"" + copy + L"\" " + kRemoveSwitch + L" " +
                             std::to_wstring(reinterpret_cast<std::uintptr_t>(self.handle)) + L" \"" + ownPath + L"\"";
  if (result) {
    commandLine +=
        std::wstring(L" ") + kSilentSwitch + L" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(writing.handle));
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(), &startup,
                      &process)) {
    DeleteFileW(copy.c_str());
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (result) {
    // Only the copy holds the writing end now: its end closes the pipe.
    *result = reading.handle;
    reading.handle = nullptr;
  }
  return true;
}

DWORD WaitForRemovalResult(HANDLE result) {
  DWORD code = wizard::EXIT_FAILED, got = 0;
  if (!ReadFile(result, &code, sizeof code, &got, nullptr) || got != sizeof code) code = wizard::EXIT_FAILED;
  CloseHandle(result);
  return code;
}

void ReportRemovalResult(RemovalArguments& arguments, DWORD exitCode) {
  if (!arguments.result) return;
  DWORD written = 0;
  WriteFile(arguments.result, &exitCode, sizeof exitCode, &written, nullptr);
  CloseHandle(arguments.result);
  arguments.result = nullptr;
}

bool HasSilentSwitch(const wchar_t* commandLine) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
  if (!argv) return false;
  bool silent = false;
  for (int i = 1; i < count; ++i) silent = silent || _wcsicmp(argv[i], kSilentSwitch) == 0;
  LocalFree(argv);
  return silent;
}

bool ParseRemovalArguments(const wchar_t* commandLine, RemovalArguments& arguments) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
  if (!argv) return false;
  // A handle's number as the original wrote it; null when it is none.
  const auto handle = [](const wchar_t* text) {
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text, &end, 10);
    return (end && *end == L'\0') ? reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)) : nullptr;
  };
  bool ok = false;
  const bool silent = count == 6 && std::wcscmp(argv[4], kSilentSwitch) == 0;
  if ((count == 4 || silent) && std::wcscmp(argv[1], kRemoveSwitch) == 0) {
    arguments.original = handle(argv[2]);
    arguments.originalPath = argv[3];
    arguments.result = silent ? handle(argv[5]) : nullptr;
    ok = arguments.original && !arguments.originalPath.empty() && (!silent || arguments.result);
  }
  LocalFree(argv);
  return ok;
}

void WaitForOriginal(RemovalArguments& arguments, DWORD timeoutMs) {
  if (!arguments.original) return;
  WaitForSingleObject(arguments.original, timeoutMs);
  CloseHandle(arguments.original);
  arguments.original = nullptr;
}

bool ScheduleOwnDeletion() {
  const std::wstring self = OwnProgramPath();
  return !self.empty() && MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

}  // namespace uninstall
