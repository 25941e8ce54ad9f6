// The look down a path for links, over KindOf of either platform side.
#include <algorithm>

#include "platform/file.h"

namespace platform {

bool LinkOnTheWay(const std::wstring& folder, const std::wstring& relative) {
  std::wstring path = folder;
  for (std::size_t start = 0; start < relative.size();) {
    const std::size_t end = std::min(relative.find(L'\\', start), relative.size());
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path.append(relative, start, end - start);
    switch (KindOf(path)) {
      case PathKind::Link:
        return true;
      case PathKind::Missing:
        return false;  // nothing below it exists either
      default:
        start = end + 1;
    }
  }
  return false;
}

}  // namespace platform
