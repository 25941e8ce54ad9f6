// The arguments of one CreateShortcut call, in its order, so that the three
// callers' requests are built and tested without the shell.
#pragma once

#include <string>

namespace integration {

// Shell special-folder ids (CSIDL values) the installer places shortcuts in.
inline constexpr int kFolderDesktop = 0;   // CSIDL_DESKTOP
inline constexpr int kFolderPrograms = 2;  // CSIDL_PROGRAMS
inline constexpr int kFolderStartup = 7;   // CSIDL_STARTUP

struct ShortcutRequest {
  int folderId = kFolderPrograms;
  std::wstring target;     // full path of the started file
  std::wstring subFolder;  // one folder level below the special folder, or empty
  std::wstring linkName;   // file name without .lnk; may hold backslashes
  std::wstring iconPath;   // empty: no icon location stored
  int iconIndex = 0;
  std::wstring description;  // set on the link even when empty
};

}  // namespace integration
