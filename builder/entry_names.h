// Rules for the names of packaged folders and files: what Windows can create
// below an install folder, and when two names would be the same file there.
#pragma once

#include <string>
#include <string_view>

namespace builder {

// One path component that Windows can create: valid UTF-8, not empty, not
// "." or "..", none of \ / : * ? " < > | or control characters, not ending in
// a dot or space, not a device name (CON, NUL, COM1, ...). *why says what is wrong.
bool IsValidNameComponent(std::string_view component, std::string* why = nullptr);

// A whole entry name: accepted by the package writer and every component valid.
bool IsInstallableName(std::string_view name, std::string* why = nullptr);

// The name as Windows compares names: letters of the Latin, Greek and
// Cyrillic alphabets folded to capitals. Two names with the same key would
// land on the same file.
std::string CaseFoldKey(std::string_view name);

// Splits "a\b\c" into "a\b" and "c"; a name without a backslash has parent "".
void SplitEntryName(std::string_view name, std::string_view& parent, std::string_view& leaf);

}  // namespace builder
