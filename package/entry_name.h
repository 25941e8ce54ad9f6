// The one name rule of the package: which names may be created below an
// install folder (entries, the record file, start-menu paths), which paths
// a shortcut or the main program may point at, and in which order the items
// of one folder are listed. The installer's reader, its environment check,
// mksetup and the uninstaller all ask these functions.
#pragma once

#include <string>
#include <string_view>

// One path component that Windows creates as a plain file or folder: valid
// UTF-8, not empty, not "." or "..", none of \ / : * ? " < > | nor a
// control character (below 0x20, and 0x7F), not ending in a dot or a space
// (Windows would drop it), not a device name. On refusal *why says what is
// wrong.
bool IsSafeNameComponent(std::string_view component, std::string* why = nullptr);

// A name below the install folder: relative, backslash-separated, no
// leading backslash, no drive, every component safe. Entry names, the
// record-file name and start-menu paths pass this rule.
bool IsSafeEntryName(std::string_view name, std::string* why = nullptr);

// A start-menu path (group\name) below the Programs folder: a safe name,
// also with one leading backslash (the shortcut then lies directly in the
// Programs folder).
bool IsSafeMenuPath(std::string_view path, std::string* why = nullptr);

// Where the main program or a shortcut target may be: a safe name below the
// install folder, also with one leading backslash (the installer joins the
// path to the install folder without it), or an absolute drive path ("C:\"
// followed by a safe name), which the installer keeps as it is.
// Drive-relative ("C:x") and network paths ("\\server\share"), and ".."
// steps anywhere, are refused.
bool IsSafeProgramPath(std::string_view path, std::string* why = nullptr);

// One path component (UTF-8) that Windows opens as a device, in any folder and
// with any extension: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9,
// LPT1-LPT9 and the superscript forms COM¹-COM³, LPT¹-LPT³, in any letter
// case and also with spaces before the extension ("nul .txt").
bool IsDeviceName(std::string_view component);

// Listing order of the items of one folder: names compared after the
// upper-case fold (FoldName), byte by byte. Two names that fold alike are
// neither less than the other: they clash.
bool EntryNameLess(std::string_view a, std::string_view b);

// A letter that names a drive: A-Z, a-z.
constexpr bool IsDriveLetter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }

// "a\b\c" -> parent "a\b", leaf "c"; a name without a backslash has parent "".
void SplitEntryName(std::string_view name, std::string_view& parent, std::string_view& leaf);
