// Path rules of the wizard: the install folder (default, browsed, typed)
// and the main program's path inside it. Backslash-separated Windows paths
// in every build.
#pragma once

#include <string>
#include <vector>

#include "platform/folder_probe.h"

namespace wizard {

// folder + "\" unless it already ends with one. An empty folder gets "\"
// too; callers that must keep an empty folder empty test for it first.
std::wstring WithTrailingBackslash(const std::wstring& folder);

// The default install folder and a folder picked with Browse: the folder,
// "\" unless present, then productName. An empty folder stays empty.
std::wstring AppendProductFolder(const std::wstring& folder, const std::wstring& productName);

// True when the folder typed on page 3 has the form of an install folder: not empty,
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

// Why the folder page refuses a folder (the user sees one message for all).
enum class FolderVerdict {
  Accepted,
  Malformed,    // not IsInstallableFolder, or a component of nothing but spaces and dots
  DeviceName,   // a component Windows opens as a device (CON, NUL, COM1, ...)
  TooLong,      // longer than a folder CreateDirectoryW makes
  NoDrive,      // the drive (or share) does not exist
  NamesFile,    // the folder, or a folder above it, is an existing file
  Linked,       // the folder, or a folder above it, is a link (junction, symbolic link)
  NotWritable,  // no new folder can be made where the folder would begin
};

// folder as Windows creates it: "." and ".." components resolved (never
// above the root), and the spaces and dots at the end of each other
// component below the root taken off ("C:\App. \x " becomes "C:\App\x").
// False when a component is left empty that way ("...", " ") or is a device
// name; *trimmed is then unchanged. Empty components (a doubled or final
// "\") stay as they are.
bool TrimFolderComponents(const std::wstring& folder, std::wstring* trimmed, FolderVerdict* why = nullptr);

// Whether the folder typed on page 3 can be installed into, and the folder
// to use (*accepted: trimmed as above). Asks the probe, in this order: the
// root must be an existing folder; each level below it that exists must be a
// folder, not a file nor a link (nothing is written through a link, the
// probe folder included); a probe folder must be creatable in the deepest
// existing level. The package's names are held to the path limits below the
// folder by the environment check (LeavesRoomForNames), which walks the
// package once, away from the user-interface thread.
FolderVerdict CheckInstallFolder(const std::wstring& folderText, const platform::FolderProbe& probe,
                                 std::wstring* accepted);

// Whether every packaged name can be created below installFolder: a folder
// entry as a folder CreateDirectoryW makes (folder, "\", name: at most
// platform::kMaxFolderPath units), a file entry as a path Windows opens (at
// most platform::kMaxFilePath). The longest names are in UTF-16 units; 0
// for a package without such entries.
bool LeavesRoomForNames(const std::wstring& installFolder, int longestFolderName, int longestFileName);

// Leaving page 3 with folderText (the text of control 1009). False, and
// nothing changed, when CheckInstallFolder refuses the folder. Otherwise
// installFolder = the checked folder (folderText with its components
// trimmed), and mainProgramPath is resolved from packageMainProgram (the
// path as the package holds it, kept by the dialog) against it, so every
// departure from page 3 re-bases it.
bool LeaveFolderPage(const std::wstring& folderText, const std::wstring& packageMainProgram,
                     const platform::FolderProbe& probe, std::wstring& installFolder, std::wstring& mainProgramPath);

}  // namespace wizard
