// UTF-8 <-> UTF-32 wide strings for POSIX builds, giving the results of the
// Windows conversion with flags 0.
#ifndef _WIN32

#include "platform/utf.h"
#include <type_traits>

#include "platform/utf_decode.h"

namespace platform {

std::wstring Utf8ToWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const Utf8Step step = DecodeUtf8Step(p + i, utf8.size() - i);
    out.push_back(static_cast<wchar_t>(step.value));
    i += step.length;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (const wchar_t w : wide) {
    // wchar_t is signed on some targets: go through the unsigned value.
    char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(w));
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace platform

#endif  // !_WIN32
