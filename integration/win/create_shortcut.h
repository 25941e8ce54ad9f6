// Writes one shell shortcut (.lnk) for the current user into a special
// folder, optionally one sub-folder level below it.
#pragma once

#include <string>

#include "integration/shortcut_request.h"

// folderId: CSIDL_DESKTOP, CSIDL_PROGRAMS or CSIDL_STARTUP (<shlobj.h>).
// subFolder may be empty; only that one level is created when missing.
// linkName is the file name without ".lnk"; further backslashes in it need
// those folders to exist. An empty iconPath stores no icon location.
// True exactly when the shortcut file was written. Needs COM on the calling thread.
bool CreateShortcut(int folderId, std::wstring target, std::wstring subFolder, std::wstring linkName,
                    std::wstring iconPath, int iconIndex, std::wstring description);

// The same with the arguments of one request; *linkFile (when given) is the
// shortcut file's path, also when it could not be written (empty when the
// special folder is unknown).
bool CreateShortcut(const integration::ShortcutRequest& request, std::wstring* linkFile = nullptr);
