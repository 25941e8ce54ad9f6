#include "uninstall/win/self_copy.h"

#include <shellapi.h>
#include <bcrypt.h>
#include <sddl.h>

#include <cstdint>
#include <cwchar>
#include <vector>

#include "platform/ui/dll_search.h"

namespace uninstall {
namespace {

constexpr wchar_t kRemoveSwitch[] = L"/remove";
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

bool StartRemovalCopy(const std::wstring& ownPath) {
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

  HandleGuard self;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self.handle, SYNCHRONIZE, TRUE,
                       0)) {
    removeCopy();
    return false;
  }
  std::wstring commandLine = L"\"" + copy + L"\" " + kRemoveSwitch + L" " +
                             std::to_wstring(reinterpret_cast<std::uintptr_t>(self.handle)) + L" \"" + ownPath + L"\"";
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
