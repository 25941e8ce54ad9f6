// Win32 side of the folder probe.
#ifdef _WIN32

#include <windows.h>

#include "platform/folder_probe.h"

namespace platform {

PathKind SystemFolderProbe::KindOf(const std::wstring& path) const {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool SystemFolderProbe::CanCreateFolderIn(const std::wstring& folder) const {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  base += L"~setup-probe-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
  // CreateDirectoryW never opens what exists: a name that is taken only
  // moves the probe on to the next one.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring probe = base + std::to_wstring(::GetTickCount()) + L"-" + std::to_wstring(attempt);
    if (::CreateDirectoryW(probe.c_str(), nullptr)) {
      ::RemoveDirectoryW(probe.c_str());
      return true;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

}  // namespace platform

#endif  // _WIN32
