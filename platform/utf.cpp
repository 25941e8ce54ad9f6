// UTF-8 well-formedness and the decoding step shared by the converters.
#include "platform/utf.h"

#include <cstdint>

#include "platform/utf_decode.h"

namespace platform {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

Utf8Step Bad(std::size_t length) { return {kReplacementCharacter, length, false}; }

}  // namespace

Utf8Step DecodeUtf8Step(const unsigned char* p, std::size_t available) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return {lead, 1, true};
  // Continuation bytes expected after the lead byte; C0, C1 and F5..FF
  // never start a sequence.
  std::size_t more;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    value = lead & 0x07;
  } else {
    return Bad(1);
  }
  // A sequence that the input ends inside takes the rest of the input.
  if (available < 1 + more) return Bad(available);

  if (!IsContinuation(p[1])) return Bad(1);
  value = (value << 6) | (p[1] & 0x3F);
  // The first two bytes decide overlongs, encoded surrogates and values
  // above U+10FFFF; both bytes then go into the one U+FFFD.
  if (more == 2 && (value < 0x20 || (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)))) return Bad(2);
  if (more == 3 && (value < 0x10 || value >= (0x110000 >> 12))) return Bad(2);
  for (std::size_t i = 2; i <= more; ++i) {
    if (!IsContinuation(p[i])) return Bad(i);
    value = (value << 6) | (p[i] & 0x3F);
  }
  return {value, 1 + more, true};
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const Utf8Step step = DecodeUtf8Step(p + i, bytes.size() - i);
    if (!step.valid) return false;
    i += step.length;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) ++units;  // not a continuation byte
    if (b >= 0xF0) ++units;           // a four-byte sequence: a surrogate pair
  }
  return units;
}

std::size_t Utf16Length(std::wstring_view wide) {
  std::size_t units = wide.size();
  // Off Windows a wide character holds a whole code point.
  for (const wchar_t c : wide) units += (static_cast<std::uint32_t>(c) >> 16) != 0;
  return units;
}

}  // namespace platform
