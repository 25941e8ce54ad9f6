// UTF-8 <-> wide conversion. The expectations are those of the Windows
// conversion with flags 0 and hold on both sides: on Windows the test runs
// the system call, elsewhere our own converter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/utf.h"

namespace {

// Code points of a wide string: surrogate pairs joined on Windows, so one
// expectation serves UTF-16 and UTF-32 strings alike.
std::vector<char32_t> CodePoints(const std::wstring& w) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < w.size(); ++i) {
    char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(w[i]));
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size()) {
      const char32_t d = static_cast<char16_t>(w[i + 1]);
      if (d >= 0xDC00 && d <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        ++i;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::vector<char32_t> Decode(std::string_view bytes) { return CodePoints(platform::Utf8ToWide(bytes)); }

constexpr char32_t R = 0xFFFD;

}  // namespace

TEST(Utf, ChineseAndSupplementaryRoundTrip) {
  const std::string text =
      "\xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F"  // 安装程序
      " \xC3\xA9 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";      // é, U+1F600, U+10FFFF
  EXPECT_TRUE(platform::IsValidUtf8(text));
  const std::vector<char32_t> expected = {0x5B89, 0x88C5, 0x7A0B, 0x5E8F, ' ', 0xE9, ' ', 0x1F600, ' ', 0x10FFFF};
  EXPECT_EQ(Decode(text), expected);
  EXPECT_EQ(platform::WideToUtf8(platform::Utf8ToWide(text)), text);
  EXPECT_EQ(platform::Utf8ToWide(""), L"");
  EXPECT_EQ(platform::WideToUtf8(L""), "");
  EXPECT_EQ(platform::Utf8ToWide(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
}

struct Malformed {
  const char* name;
  std::string bytes;
  std::vector<char32_t> expected;
};

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  const Malformed cases[] = {
      {"lone continuation bytes", "\x80\xBF", {R, R}},
      {"bytes that never start a sequence", "\xC0\xC1\xF5\xFF", {R, R, R, R}},
      {"two-byte overlong", "\xC0\xAF-", {R, R, '-'}},
      {"three-byte overlong takes two bytes", "\xE0\x80\xAF-", {R, R, '-'}},
      {"four-byte overlong takes two bytes", "\xF0\x8F\xBF\xBF-", {R, R, R, '-'}},
      {"encoded surrogate U+D800", "\xED\xA0\x80-", {R, R, '-'}},
      {"encoded surrogate pair", "\xED\xA0\xBD\xED\xB8\x80", {R, R, R, R}},
      {"above U+10FFFF", "\xF4\x90\x80\x80-", {R, R, R, '-'}},
      {"five-byte form", "\xF8\x88\x80\x80\x80", {R, R, R, R, R}},
      {"sequence broken by ASCII", "\xE4\xB8-", {R, '-'}},
      {"four-byte sequence broken by ASCII", "\xF0\x9F\x98-", {R, '-'}},
      {"sequence broken by a new lead byte", "\xE4\xE4\xB8\xAD", {R, 0x4E2D}},
      {"extra continuation byte", "\xE0\xA0\x80\x80-", {0x800, R, '-'}},
      {"truncated at the end", "A\xE4\xB8", {'A', R}},
      {"lead byte at the end", "A\xF0", {'A', R}},
  };
  for (const Malformed& c : cases) {
    EXPECT_EQ(Decode(c.bytes), c.expected) << c.name;
    EXPECT_FALSE(platform::IsValidUtf8(c.bytes)) << c.name;
  }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), replacement);
  EXPECT_EQ(platform::WideToUtf8(std::wstring{static_cast<wchar_t>(0xDC00), L'a'}), replacement + "a");
  EXPECT_EQ(platform::WideToUtf8(std::wstring{L'x', static_cast<wchar_t>(0xDBFF)}), "x" + replacement);
  EXPECT_EQ(platform::WideToUtf8(std::wstring{static_cast<wchar_t>(0xDC00), static_cast<wchar_t>(0xD800)}),
            replacement + replacement);
#ifndef _WIN32
  // UTF-32 strings can hold values no UTF-16 string can.
  EXPECT_EQ(platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), replacement);
  EXPECT_EQ(platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(-1))), replacement);
#endif
}
