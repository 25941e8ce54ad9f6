// The environment-check step's integrity test of the installer's own
// package, before anything is written: the package walk at the install
// level (package/package_walk.h) decides. Whatever ExtractNext would refuse
// or fail on, and whatever would place a file outside the install folder,
// fails here first.
#pragma once

#include <string>

namespace platform {
class File;
}

namespace wizard {

// True when the walk at the install level, every blob decoded, finds no fault.
bool VerifyPackageIntegrity(const std::wstring& path);
// The same over a file already open for reading; moves its position.
bool VerifyPackageIntegrity(platform::File& file);

// The length, in UTF-16 units, of the longest folder or file name the
// package at path installs (for the folder page's 260-character rule); 0
// when the package does not pass the walk (the environment check refuses
// such a package anyway). Reads headers and names only.
int LongestEntryNameLength(const std::wstring& path);

}  // namespace wizard
