// Lists the source tree that is installed into the install folder, in the
// package's listing order: depth first, the items of each folder in
// upper-case name order (EntryNameLess), a folder before its contents. The
// root itself has no item; empty folders are items of their own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace builder {

struct SourceItem {
  bool folder = false;
  std::string name;            // entry name: UTF-8, backslash-separated
  std::filesystem::path path;  // where its contents are read from
  std::uint64_t size = 0;      // bytes, files only
};

struct WalkLimits {
  std::uint64_t maxFileSize;  // larger files are refused
};

// Told of each file as soon as it is listed, in listing order, so that its
// compression can start while the rest of the tree is listed.
using ListedFile = std::function<void(const SourceItem&)>;

// Fills items, or returns false with *error naming the path at fault:
// unreadable folders, names Windows cannot hold, two names that differ only
// in letter case, symbolic links leading outside the tree (or in a loop),
// special files, files larger than the limit.
// listed, when given, hears of every file (not of folders) as it is listed,
// also in a listing that fails later.
bool WalkSourceTree(const std::filesystem::path& root, const WalkLimits& limits, std::vector<SourceItem>& items,
                    std::string& error, const ListedFile& listed = {});

}  // namespace builder
