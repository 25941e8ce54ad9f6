#include "wizard/package_integrity.h"

#include "package/package_walk.h"
#include "wizard/install_paths.h"

namespace wizard {

PackageCheck CheckPackage(const std::wstring& path) {
  PackageFacts facts;
  WalkFault fault;
  PackageCheck check;
  check.sound = WalkPackage(path, WalkOptions{WalkLevel::Install, true}, facts, fault);
  if (check.sound) {
    check.longestFolderName = static_cast<int>(facts.longestFolderName);
    check.longestFileName = static_cast<int>(facts.longestFileName);
  }
  return check;
}

EnvironmentVerdict JudgeEnvironment(const PackageCheck& check, const std::wstring& installFolder) {
  if (!check.sound) return EnvironmentVerdict::Damaged;
  if (!LeavesRoomForNames(installFolder, check.longestFolderName, check.longestFileName)) {
    return EnvironmentVerdict::FolderTooLong;
  }
  return EnvironmentVerdict::Ready;
}

}  // namespace wizard
