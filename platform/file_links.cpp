// The look down a path for links, over KindOf of either platform side.
#include <algorithm>

#include "platform/file.h"
#include "platform/link_guard.h"

namespace platform {

// A guard that has seen nothing looks at every level once.
bool LinkOnTheWay(const std::wstring& folder, const std::wstring& relative) {
  return LinkGuard().LinkOnTheWay(folder, relative);
}

bool LinkGuard::LinkOnTheWay(const std::wstring& folder, const std::wstring& relative) {
  if (relative.empty()) return false;
  std::wstring path = folder;
  if (path.empty() || path.back() != L'\\') path += L'\\';
  std::size_t start = 0;
  // A folder is remembered only after every level above it passed.
  const std::size_t cut = relative.rfind(L'\\');
  if (cut != std::wstring::npos) {
    const std::size_t base = path.size();
    path.append(relative, 0, cut);
    if (folders_.count(path) != 0) {
      path += L'\\';
      start = cut + 1;
    } else {
      path.resize(base);
    }
  }
  for (;;) {
    const std::size_t end = std::min(relative.find(L'\\', start), relative.size());
    path.append(relative, start, end - start);
    switch (KindOf(path)) {
      case PathKind::Link:
        return true;
      case PathKind::Missing:
        return false;  // nothing below it exists either
      case PathKind::Folder:
        folders_.insert(path);
        break;
      case PathKind::File:
        break;
    }
    if (end == relative.size()) return false;
    path += L'\\';
    start = end + 1;
  }
}

}  // namespace platform
