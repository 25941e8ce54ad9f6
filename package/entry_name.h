// The name rule of the package: which entry names may be created below an
// install folder, and in which order the items of one folder are listed.
#pragma once

#include <string>
#include <string_view>

// A name the writer accepts: relative, backslash-separated, no drive prefix,
// no leading backslash, no empty, "." or ".." components, no device names.
// On refusal *why says what is wrong.
bool IsSafeEntryName(std::string_view name, std::string* why = nullptr);

// One path component (UTF-8) that Windows opens as a device, in any folder and
// with any extension: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9,
// LPT1-LPT9 and the superscript forms COM¹-COM³, LPT¹-LPT³, in any letter
// case and also with spaces before the extension ("nul .txt").
bool IsDeviceName(std::string_view component);

// Listing order of the items of one folder: names compared with a-z taken
// as A-Z, byte by byte.
bool EntryNameLess(std::string_view a, std::string_view b);
