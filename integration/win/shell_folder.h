// Resolves a per-user shell special folder (desktop, Programs, Startup) to a
// directory path through the shell's item identifier lists.
#pragma once

#include <string>

// folderId: CSIDL_DESKTOP, CSIDL_PROGRAMS or CSIDL_STARTUP (<shlobj.h>).
// True and path = the folder followed by one backslash; false with path
// unchanged when the shell cannot resolve the id to a file-system folder.
bool GetShellFolderPath(int folderId, std::wstring& path);
