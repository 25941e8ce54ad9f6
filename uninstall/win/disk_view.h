// The removal planner's view of the real disk (GetFileAttributesW,
// FindFirstFileW). Folders that are reparse points (junctions, symbolic
// links) are reported as linked and never entered.
#pragma once

#include "uninstall/removal_plan.h"

namespace uninstall {

class DiskView : public FileSystemView {
 public:
  PathKind Kind(const std::wstring& path) const override;
  std::vector<std::wstring> List(const std::wstring& folder) const override;
};

}  // namespace uninstall
