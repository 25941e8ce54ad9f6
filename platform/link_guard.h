// The look for links (LinkOnTheWay) over the entries of one extraction, one
// after another: a level found to be a folder, or made by the extraction
// itself, is not looked at again, so an entry costs one look at its own
// path instead of one per level.
//
// What stays open is a folder replaced by a link while the extraction runs,
// after its first look. The look per entry and level leaves the same race
// between the look and the write, so neither keeps out a process that
// writes into the folder while it is being filled; a link that is there
// before the extraction reaches it is refused either way. Forget after a
// failure, so that nothing remembered outlives a pause (a retry prompt).
#pragma once

#include <string>
#include <unordered_set>

namespace platform {

class LinkGuard {
 public:
  // As LinkOnTheWay(folder, relative), skipping the levels remembered.
  bool LinkOnTheWay(const std::wstring& folder, const std::wstring& relative);
  // A folder just made at folder\relative, after LinkOnTheWay passed for it.
  void Remember(const std::wstring& path) { folders_.insert(path); }
  void Forget() { folders_.clear(); }

 private:
  std::unordered_set<std::wstring> folders_;  // full paths, as LinkOnTheWay builds them
};

}  // namespace platform
