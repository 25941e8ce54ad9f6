// The lengths of the paths Windows creates, in UTF-16 units: the install
// folder page holds the installation to them, and mksetup warns about
// names that would pass them below a typical install folder.
#pragma once

namespace platform {

// MAX_PATH: a path Windows opens, its terminating zero included.
inline constexpr int kMaxPath = 260;
// The longest path a file can be created at (MAX_PATH less the zero).
inline constexpr int kMaxFilePath = kMaxPath - 1;
// CreateDirectoryW leaves room for an 8.3 name (12 units) and the zero: the
// longest folder it makes.
inline constexpr int kMaxFolderPath = kMaxPath - 12 - 1;
static_assert(kMaxFolderPath == 247);

}  // namespace platform
