#include "uninstall/win/self_copy.h"

#include <shellapi.h>
#include <bcrypt.h>
#include <sddl.h>

#include <cstdint>
#include <cwchar>
#include <vector>

#include "platform/ui/dll_search.h"
#include "wizard/install_end.h"

namespace uninstall {
namespace {

constexpr wchar_t kRemoveSwitch[] = L"/remove";
constexpr wchar_t kSilentSwitch[] = L"/S";
// The copy's folder in the temporary folder: this prefix and 32 hex digits.
constexpr wchar_t kCopyFolderPrefix[] = L"uninstall-";
constexpr std::size_t kCopyFolderRandomBytes = 16;
// Full access for the system, the administrators and the folder's owner
// (the administrators when the uninstaller runs elevated), for the folder
// and all it will hold; nothing inherited from the temporary folder, so
// that no program running with the user's ordinary rights can put a file
// there or replace the copy.
constexpr wchar_t kCopyFolderAccess[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;OW)";

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(buffer, length);
}

// The file name of a path, after its last backslash.
std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// The folder of a path, without its last backslash and what follows.
std::wstring FolderOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// A new folder in `temp` that nobody can have prepared: its name comes from
// the system's random generator, and it must not exist yet. Empty when no
// such folder can be made.
std::wstring NewCopyFolder(const std::wstring& temp) {
  auto* random = ui::DllFunction<decltype(::BCryptGenRandom)>(ui::LoadSystemDll(L"bcrypt.dll"), "BCryptGenRandom");
  if (!random) return std::wstring();
  PSECURITY_DESCRIPTOR access = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kCopyFolderAccess, SDDL_REVISION_1, &access, nullptr))
    return std::wstring();
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, access, FALSE};
  std::wstring folder;
  for (unsigned attempt = 0; attempt < 8 && folder.empty(); ++attempt) {
    unsigned char bytes[kCopyFolderRandomBytes];
    if (!BCRYPT_SUCCESS(random(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) break;
    std::wstring name = temp + kCopyFolderPrefix;
    for (unsigned char byte : bytes) {
      name += L"0123456789abcdef"[byte >> 4];
      name += L"0123456789abcdef"[byte & 15];
    }
    if (CreateDirectoryW(name.c_str(), &attributes))
      folder = name;
    else if (GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  LocalFree(access);
  return folder;
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
  // The copy runs from a folder of its own, so that no DLL can lie beside it.
  const std::wstring folder = NewCopyFolder(temp);
  if (folder.empty()) return false;
  const std::wstring copy = folder + L"\\" + FileName(ownPath);
  auto removeCopy = [&] {
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
  };
  if (!CopyFileW(ownPath.c_str(), copy.c_str(), TRUE)) {
    removeCopy();
    return false;
  }

  HandleGuard self, reading, writing;
  SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self.handle, SYNCHRONIZE, TRUE,
                       0) ||
      (result && (!CreatePipe(&reading.handle, &writing.handle, &inherited, 0) ||
                  !SetHandleInformation(reading.handle, HANDLE_FLAG_INHERIT, 0)))) {
    removeCopy();
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
  if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup,
                      &process)) {
    removeCopy();
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
  if (self.empty() || !MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
  // Then its folder, when it is a copy's own folder (emptied by then:
  // deletions at the restart happen in the order asked for).
  const std::wstring folder = FolderOf(self);
  const std::wstring temp = TempFolder();
  const std::wstring name = FileName(folder);
  if (!temp.empty() && FolderOf(folder) + L"\\" == temp && name.rfind(kCopyFolderPrefix, 0) == 0)
    MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return true;
}

}  // namespace uninstall
