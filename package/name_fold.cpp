// The fold table: runs of small letters a fixed distance from their
// capitals, and runs where capital and small letter alternate.
#include "package/name_fold.h"

#include <cstdint>

#include "platform/utf.h"
#include "platform/utf_decode.h"

namespace {

// first..last: either every character maps to c + delta, or (delta 0) the
// run alternates capital, small, capital, ... from first on, so a small
// letter is the one whose distance from first is odd and maps to c - 1.
struct FoldRun {
  char32_t first;
  char32_t last;
  std::int32_t delta;
};

constexpr FoldRun kRuns[] = {
    {0x0061, 0x007A, -32},   // a-z
    {0x00E0, 0x00F6, -32},   // Latin-1 à-ö
    {0x00F8, 0x00FE, -32},   // ø-þ
    {0x00FF, 0x00FF, 0x79},  // ÿ -> Ÿ (U+0178)
    {0x0100, 0x012F, 0},     // Latin Extended-A: Ā ā ... Į į
    {0x0132, 0x0137, 0},     // Ĳ ĳ ... Ķ ķ
    {0x0139, 0x0148, 0},     // Ĺ ĺ ... Ň ň
    {0x014A, 0x0177, 0},     // Ŋ ŋ ... Ŷ ŷ
    {0x0179, 0x017E, 0},     // Ź ź ... Ž ž
    {0x01CD, 0x01DC, 0},     // Latin Extended-B: Ǎ ǎ ... Ǜ ǜ
    {0x01DE, 0x01EF, 0},     // Ǟ ǟ ... Ǯ ǯ
    {0x01F8, 0x021F, 0},     // Ǹ ǹ ... Ȟ ȟ
    {0x0222, 0x0233, 0},     // Ȣ ȣ ... Ȳ ȳ
    {0x03AC, 0x03AC, -38},   // Greek ά -> Ά
    {0x03AD, 0x03AF, -37},   // έ ή ί -> Έ Ή Ί
    {0x03B1, 0x03C1, -32},   // α-ρ
    {0x03C2, 0x03C2, -31},   // final ς -> Σ
    {0x03C3, 0x03CB, -32},   // σ-ϋ
    {0x03CC, 0x03CC, -64},   // ό -> Ό
    {0x03CD, 0x03CE, -63},   // ύ ώ -> Ύ Ώ
    {0x03D8, 0x03EF, 0},     // Ϙ ϙ ... Ϯ ϯ
    {0x0430, 0x044F, -32},   // Cyrillic а-я
    {0x0450, 0x045F, -80},   // ѐ-џ (ё -> Ё)
    {0x0460, 0x0481, 0},     // Ѡ ѡ ... Ҁ ҁ
    {0x048A, 0x04BF, 0},     // Ҋ ҋ ... Ҿ ҿ
    {0x04C1, 0x04CE, 0},     // Ӂ ӂ ... Ӎ ӎ
    {0x04CF, 0x04CF, -15},   // ӏ -> Ӏ
    {0x04D0, 0x052F, 0},     // Ӑ ӑ ... Ԯ ԯ
    {0x0561, 0x0586, -48},   // Armenian ա-ֆ
    {0x1E00, 0x1E95, 0},     // Latin Extended Additional: Ḁ ḁ ... Ẕ ẕ
    {0x1EA0, 0x1EFF, 0},     // Ạ ạ ... Ỿ ỿ
    {0x1F00, 0x1F07, 8},     // Greek Extended: ἀ-ἇ
    {0x1F10, 0x1F15, 8},     // ἐ-ἕ
    {0x1F20, 0x1F27, 8},     // ἠ-ἧ
    {0x1F30, 0x1F37, 8},     // ἰ-ἷ
    {0x1F40, 0x1F45, 8},     // ὀ-ὅ
    {0x1F51, 0x1F51, 8},     // ὑ
    {0x1F53, 0x1F53, 8},     // ὓ
    {0x1F55, 0x1F55, 8},     // ὕ
    {0x1F57, 0x1F57, 8},     // ὗ
    {0x1F60, 0x1F67, 8},     // ὠ-ὧ
    {0x2170, 0x217F, -16},   // small Roman numerals ⅰ-ⅿ
    {0x2184, 0x2184, -1},    // ↄ -> Ↄ
    {0x24D0, 0x24E9, -26},   // circled ⓐ-ⓩ
    {0x2C30, 0x2C5F, -48},   // Glagolitic
    {0x2C80, 0x2CE3, 0},     // Coptic Ⲁ ⲁ ... Ⳣ ⳣ
    {0xFF41, 0xFF5A, -32},   // full-width ａ-ｚ
};

}  // namespace

char32_t FoldChar(char32_t c) {
  if (c < 0x61) return c;
  for (const FoldRun& run : kRuns) {
    if (c < run.first) return c;  // the runs are in ascending order
    if (c > run.last) continue;
    if (run.delta != 0) return static_cast<char32_t>(static_cast<std::int32_t>(c) + run.delta);
    return ((c - run.first) % 2 == 1) ? c - 1 : c;
  }
  return c;
}

std::string FoldName(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  std::size_t i = 0;
  while (i < utf8.size()) {
    if (p[i] < 0x80) {
      out.push_back(static_cast<char>(FoldChar(p[i])));
      ++i;
      continue;
    }
    const platform::Utf8Step step = platform::DecodeUtf8Step(p + i, utf8.size() - i);
    if (step.valid) {
      platform::AppendUtf8(out, FoldChar(step.value));
    } else {
      out.append(utf8.substr(i, step.length));
    }
    i += step.length;
  }
  return out;
}

std::wstring FoldName(std::wstring_view wide) {
  std::wstring out(wide);
  // Every folded character lies in the Basic Multilingual Plane, so UTF-16
  // units fold one by one (surrogates are left alone).
  for (wchar_t& c : out) c = static_cast<wchar_t>(FoldChar(static_cast<char32_t>(c)));
  return out;
}
