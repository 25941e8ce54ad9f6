// One step of UTF-8 decoding with the replacement rules of the Windows
// conversion (MultiByteToWideChar, CP_UTF8, flags 0):
//  - a byte that cannot start a sequence (80..C1, F5..FF) is one U+FFFD;
//  - a sequence whose lead byte promises more bytes than the input holds
//    becomes one U+FFFD for the whole rest of the input;
//  - otherwise continuation bytes are taken while they come; a byte that is
//    not one ends the sequence (one U+FFFD) and decoding resumes at it;
//  - overlongs of three and four bytes (E0 80..9F, F0 80..8F), encoded
//    surrogates (ED A0..BF) and values above U+10FFFF (F4 90..BF) are
//    recognised at the second byte: lead and second byte give one U+FFFD.
#pragma once

#include <cstddef>

namespace platform {

constexpr char32_t kReplacementCharacter = 0xFFFD;

struct Utf8Step {
  char32_t value;      // the code point, or U+FFFD
  std::size_t length;  // bytes consumed, at least 1
  bool valid;
};

// p holds at least one byte; available counts the bytes from p on.
Utf8Step DecodeUtf8Step(const unsigned char* p, std::size_t available);

}  // namespace platform
