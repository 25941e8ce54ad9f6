// One step of UTF-8 decoding with the replacement rule of the Windows
// conversion (MultiByteToWideChar, CP_UTF8, flags 0): a malformed sequence
// becomes one U+FFFD for its longest valid prefix (at least one byte), and
// decoding resumes at the first byte that does not fit. Overlongs, encoded
// UTF-16 surrogates and values above U+10FFFF are malformed.
#pragma once

#include <cstddef>

namespace platform {

constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Utf8Step {
  char32_t value;       // the code point, or U+FFFD
  std::size_t length;   // bytes consumed, at least 1
  bool valid;
};

// p holds at least one byte; available counts the bytes from p on.
Utf8Step DecodeUtf8Step(const unsigned char* p, std::size_t available);

}  // namespace platform
