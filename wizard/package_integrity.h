// The environment check of the installer's own package, before anything is
// written: one package walk at the install level (package/package_walk.h),
// every blob decoded, decides whether the package is sound, and gives the
// longest names the install folder must leave room for. Whatever
// ExtractNext would refuse or fail on, and whatever would place a file
// outside the install folder, fails here first.
#pragma once

#include <string>

namespace wizard {

struct PackageCheck {
  bool sound = false;
  // The longest folder entry and the longest file entry, in UTF-16 units;
  // 0 when the package has none (or is not sound).
  int longestFolderName = 0;
  int longestFileName = 0;
};

// The walk over the package at path.
PackageCheck CheckPackage(const std::wstring& path);

// What the wizard does after the environment check for the install folder
// chosen on the folder page.
enum class EnvironmentVerdict {
  Ready,         // on to the confirmation
  Damaged,       // "安装程序已经损坏!", the wizard ends before anything is written
  FolderTooLong  // an entry would pass the path limits below the folder: back to the folder page
};
EnvironmentVerdict JudgeEnvironment(const PackageCheck& check, const std::wstring& installFolder);

}  // namespace wizard
