#include "uninstall/win/disk_view.h"

#include <windows.h>

namespace uninstall {
namespace {

struct FindHandle {
  HANDLE handle;
  ~FindHandle() {
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
  }
};

}  // namespace

PathKind DiskView::Kind(const std::wstring& path) const {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? PathKind::LinkedFolder : PathKind::Folder;
  return PathKind::File;
}

std::vector<std::wstring> DiskView::List(const std::wstring& folder) const {
  std::vector<std::wstring> names;
  std::wstring pattern = folder;
  if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  FindHandle find{FindFirstFileW(pattern.c_str(), &data)};
  if (find.handle == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find.handle, &data));
  return names;
}

}  // namespace uninstall
