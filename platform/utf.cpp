// UTF-8 well-formedness and the decoding step shared by the converters.
#include "platform/utf.h"

#include "platform/utf_decode.h"

namespace platform {

Utf8Step DecodeUtf8Step(const unsigned char* p, std::size_t available) {
  const unsigned char lead = p[0];
  if (lead < 0x80) return {lead, 1, true};
  // Range of the second byte and the number of continuation bytes, by the
  // lead byte; C0, C1 and F5..FF never start a sequence.
  unsigned char low = 0x80, high = 0xBF;
  std::size_t more = 0;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlongs
    if (lead == 0xED) high = 0x9F;  // no UTF-16 surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // no overlongs
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return {kReplacementCharacter, 1, false};
  }
  // The longest valid prefix is replaced by one U+FFFD; decoding resumes at
  // the first byte that does not fit.
  std::size_t used = 1;
  for (std::size_t i = 0; i < more; ++i) {
    if (used >= available) return {kReplacementCharacter, used, false};
    const unsigned char c = p[used];
    const unsigned char lo = (i == 0) ? low : 0x80;
    const unsigned char hi = (i == 0) ? high : 0xBF;
    if (c < lo || c > hi) return {kReplacementCharacter, used, false};
    value = (value << 6) | (c & 0x3F);
    ++used;
  }
  return {value, used, true};
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

}  // namespace platform
