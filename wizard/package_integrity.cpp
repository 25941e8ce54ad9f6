#include "wizard/package_integrity.h"

#include "package/package_walk.h"
#include "platform/file.h"

namespace wizard {

bool VerifyPackageIntegrity(platform::File& file) {
  PackageFacts facts;
  WalkFault fault;
  return WalkPackage(file, WalkOptions{WalkLevel::Install, true}, facts, fault);
}

bool VerifyPackageIntegrity(const std::wstring& path) {
  PackageFacts facts;
  WalkFault fault;
  return WalkPackage(path, WalkOptions{WalkLevel::Install, true}, facts, fault);
}

int LongestEntryNameLength(const std::wstring& path) {
  PackageFacts facts;
  WalkFault fault;
  if (!WalkPackage(path, WalkOptions{WalkLevel::Install, false}, facts, fault)) return 0;
  return static_cast<int>(facts.longestName);
}

}  // namespace wizard
