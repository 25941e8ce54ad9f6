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

}  // namespace

PathKind SystemFolderProbe::KindOf(const std::wstring& path) const {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool SystemFolderProbe::CanCreateFolderIn(const std::wstring& folder) const {
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  base += L"~setup-probe-" + Number(::GetCurrentProcessId()) + L"-";
  // CreateDirectoryW never opens what exists: a name that is taken only
  // moves the probe on to the next one.
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring probe = base + Number(::GetTickCount()) + L"-" + Number(static_cast<unsigned long>(attempt));
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
