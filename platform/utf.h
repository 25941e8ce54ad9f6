// UTF-8 <-> wide string conversion. On Windows these call MultiByteToWideChar
// and WideCharToMultiByte with CP_UTF8 and flags 0; elsewhere a converter of
// our own gives the same results: malformed UTF-8 and unpaired surrogates
// become U+FFFD. std::wstring is UTF-16 on Windows and UTF-32 elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of one code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t c);

// UTF-16 units of a text, as Windows counts path lengths: one per character,
// two above U+FFFF. For UTF-8, of well-formed text; for a wide string, of
// UTF-16 or (off Windows) UTF-32 units.
std::size_t Utf16Length(std::string_view utf8);
std::size_t Utf16Length(std::wstring_view wide);

}  // namespace platform
