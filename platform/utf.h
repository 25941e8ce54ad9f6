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

}  // namespace platform
