#include "uninstall/win/self_copy.h"

#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <vector>

namespace uninstall {
namespace {

constexpr wchar_t kRemoveSwitch[] = L"/remove";

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

bool StartRemovalCopy(const std::wstring& ownPath) {
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

  HandleGuard self;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self.handle, SYNCHRONIZE, TRUE,
                       0)) {
    DeleteFileW(copy.c_str());
    return false;
  }
  std::wstring commandLine = L"\"" + copy + L"\" " + kRemoveSwitch + L" " +
                             std::to_wstring(reinterpret_cast<std::uintptr_t>(self.handle)) + L" \"" + ownPath + L"\"";
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
  return true;
}

bool ParseRemovalArguments(const wchar_t* commandLine, RemovalArguments& arguments) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine, &count);
  if (!argv) return false;
  bool ok = false;
  if (count == 4 && std::wcscmp(argv[1], kRemoveSwitch) == 0) {
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(argv[2], &end, 10);
    if (end && *end == L'\0' && value != 0) {
      arguments.original = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
      arguments.originalPath = argv[3];
      ok = !arguments.originalPath.empty();
    }
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
