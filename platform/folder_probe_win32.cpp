// Win32 side of the folder probe.
#ifdef _WIN32

#include <windows.h>

#include "platform/folder_probe.h"

namespace platform {
namespace {

// Decimal digits without std::to_wstring, which brings MinGW's wide printf
// engine into setup.exe.
std::wstring Number(unsigned long value) {
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

// While it lives, a drive without media (an empty card reader or disc
// drive) is an error for this thread's calls, not a box the system shows.
class NoMediaBoxes {
 public:
  NoMediaBoxes() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
  ~NoMediaBoxes() { ::SetThreadErrorMode(old_, nullptr); }
  NoMediaBoxes(const NoMediaBoxes&) = delete;
  NoMediaBoxes& operator=(const NoMediaBoxes&) = delete;

 private:
  DWORD old_ = 0;
};

// Removes the empty probe folder just made: through a handle that deletes
// it when closed (nothing else can open it meanwhile), else by name, tried
// for a moment in case a scanner looks at the new folder.
void RemoveProbe(const std::wstring& probe) {
  HANDLE handle =
      ::CreateFileW(probe.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  for (int attempt = 0; attempt < 20 && ::GetFileAttributesW(probe.c_str()) != INVALID_FILE_ATTRIBUTES; ++attempt) {
    if (::RemoveDirectoryW(probe.c_str())) return;
    ::Sleep(25);
  }
}

}  // namespace

PathKind SystemFolderProbe::KindOf(const std::wstring& path) const {
  const NoMediaBoxes quiet;
  return platform::KindOf(path);
}

bool SystemFolderProbe::CanCreateFolderIn(const std::wstring& folder) const {
  const NoMediaBoxes quiet;
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  base += L"~setup-probe-" + Number(::GetCurrentProcessId()) + L"-";
  // CreateDirectoryW never opens what exists: a name that is taken only
  // moves the probe on to the next one.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring probe = base + Number(::GetTickCount()) + L"-" + Number(static_cast<unsigned long>(attempt));
    if (::CreateDirectoryW(probe.c_str(), nullptr)) {
      RemoveProbe(probe);
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace platform

#endif  // _WIN32
