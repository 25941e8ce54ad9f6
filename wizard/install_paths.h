// Path rules of the wizard: the install folder (default, browsed, typed)
// and the main program's path inside it. Backslash-separated Windows paths
// in every build.
#pragma once

#include <string>
#include <vector>

namespace wizard {

// folder + "\" unless it already ends with one. An empty folder gets "\"
// too; callers that must keep an empty folder empty test for it first.
std::wstring WithTrailingBackslash(const std::wstring& folder);

// The default install folder and a folder picked with Browse: the folder,
// "\" unless present, then productName. An empty folder stays empty.
std::wstring AppendProductFolder(const std::wstring& folder, const std::wstring& productName);

// True when the folder typed on page 3 can be installed into: not empty,
// absolute (a drive letter, ':' and '\', or \\server\share), and free of the
// characters Windows forbids in paths (< > " | ? * and control characters,
// ':' anywhere but at index 1).
bool IsInstallableFolder(const std::wstring& folder);

// The folders to create, outermost first, so that folder exists: every
// level below the root ("C:\A", "C:\A\B" for "C:\A\B\"; below
// "\\server\share" for a network path). A relative or empty folder gives
// itself alone, so the copy still tries it.
std::vector<std::wstring> FolderLevels(const std::wstring& folder);

// The main program's full path. A path with ':' at index 1 (a drive path)
// is kept as it is; so is any path when installFolder or the path is empty.
// Otherwise installFolder, "\" unless present, and the path without a
// leading "\".
std::wstring ResolveMainProgramPath(const std::wstring& packagePath, const std::wstring& installFolder);

// Leaving page 3 with folderText (the text of control 1009). False, and
// nothing changed, when the folder cannot be installed into. Otherwise
// installFolder = folderText exactly as typed, and mainProgramPath is
// resolved from packageMainProgram (the path as the package holds it, kept
// by the dialog) against it, so every departure from page 3 re-bases it.
bool LeaveFolderPage(const std::wstring& folderText, const std::wstring& packageMainProgram,
                     std::wstring& installFolder, std::wstring& mainProgramPath);

}  // namespace wizard
