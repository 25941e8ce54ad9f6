// Start-menu entries and shortcut file paths: how a package's shortcut
// record becomes a CreateShortcut request, and where the .lnk file goes.
#pragma once

#include <string>

#include "integration/shortcut_request.h"

namespace integration {

// installFolder + "\" (unless it ends with one) + target without a leading
// "\". A target with a drive letter is joined all the same.
std::wstring JoinInstallPath(const std::wstring& installFolder, const std::wstring& target);

struct MenuPathSplit {
  std::wstring subFolder;  // text before the first backslash, or empty
  std::wstring linkName;   // the rest (may hold backslashes), or the whole path
};

// Splits at the first backslash when it is at index 1 or later; with no
// backslash, or one at index 0, subFolder is empty and linkName is the whole
// menu path.
MenuPathSplit SplitMenuPath(const std::wstring& menuPath);

// OnAddMenuItem for one record (menu path, target, description): the
// request for the Programs folder, and startMenuFolder replaced by the
// entry's sub-folder when it has one.
ShortcutRequest MenuItemRequest(const std::wstring& installFolder, const std::wstring record[3],
                                std::wstring& startMenuFolder);

// The desktop and Startup requests of the finish step: the main program,
// named and described after the product, with the program's first icon.
ShortcutRequest DesktopRequest(const std::wstring& mainProgramPath, const std::wstring& productName);
ShortcutRequest StartupRequest(const std::wstring& mainProgramPath, const std::wstring& productName);

// Given the resolved special folder (ending with "\", as GetShellFolderPath
// returns it): the sub-folder's path (folder + subFolder), and the .lnk path:
// folder + subFolder + "\" + linkName + ".lnk", or folder + linkName + ".lnk"
// when subFolder is empty.
std::wstring ShortcutFolderPath(const std::wstring& folder, const std::wstring& subFolder);
std::wstring ShortcutFilePath(const std::wstring& folder, const std::wstring& subFolder, const std::wstring& linkName);

}  // namespace integration
