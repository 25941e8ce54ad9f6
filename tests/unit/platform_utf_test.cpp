// UTF-8 <-> wide conversion as Windows converts with flags 0: the system call
// on Windows, elsewhere our own decoder, which must agree with Windows.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/utf.h"
#include "platform/utf_decode.h"

namespace {

// Code points of a wide string: surrogate pairs joined on Windows, so one
// expectation serves UTF-16 and UTF-32 strings alike.
std::vector<char32_t> CodePoints(std::string_view bytes) {
  const std::wstring w = platform::Utf8ToWide(bytes);
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

constexpr char32_t R = 0xFFFD;

}  // namespace

TEST(PlatformUtf, RoundTripAndMalformedInput) {
  const std::string text =
      "\xE5\xAE\x89\xE8\xA3\x85\xE7\xA8\x8B\xE5\xBA\x8F"  // 安装程序
      " \xC3\xA9 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";      // é, U+1F600, U+10FFFF
  EXPECT_TRUE(platform::IsValidUtf8(text));
  EXPECT_EQ(CodePoints(text),
            (std::vector<char32_t>{0x5B89, 0x88C5, 0x7A0B, 0x5E8F, ' ', 0xE9, ' ', 0x1F600, ' ', 0x10FFFF}));
  EXPECT_EQ(platform::WideToUtf8(platform::Utf8ToWide(text)), text);
  EXPECT_EQ(platform::Utf8ToWide(std::string_view("a\0b", 3)), std::wstring(L"a\0b", 3));
  const std::tuple<const char*, std::string, std::vector<char32_t>> cases[] = {
      {"lone continuation bytes", "\x80\xBF", {R, R}},
      {"bytes that never start a sequence", "\xC0\xC1\xF5\xFF", {R, R, R, R}},
      {"three-byte overlong takes two bytes", "\xE0\x80\xAF-", {R, R, '-'}},
      {"four-byte overlong takes two bytes", "\xF0\x8F\xBF\xBF-", {R, R, R, '-'}},
      {"encoded surrogate U+D800", "\xED\xA0\x80-", {R, R, '-'}},
      {"above U+10FFFF", "\xF4\x90\x80\x80-", {R, R, R, '-'}},
      {"five-byte form", "\xF8\x88\x80\x80\x80", {R, R, R, R, R}},
      {"sequence broken by ASCII", "\xF0\x9F\x98-", {R, '-'}},
      {"sequence broken by a new lead byte", "\xE4\xE4\xB8\xAD", {R, 0x4E2D}},
      {"extra continuation byte", "\xE0\xA0\x80\x80-", {0x800, R, '-'}},
      {"truncated at the end", "A\xE4\xB8", {'A', R}},
  };
  for (const auto& [name, bytes, expected] : cases) {
    EXPECT_EQ(CodePoints(bytes), expected) << name;
    EXPECT_FALSE(platform::IsValidUtf8(bytes)) << name;
  }
  // Unpaired surrogates become U+FFFD.
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(platform::WideToUtf8(std::wstring{static_cast<wchar_t>(0xDC00), L'a'}), r + "a");
  EXPECT_EQ(platform::WideToUtf8(std::wstring{L'x', static_cast<wchar_t>(0xDBFF)}), "x" + r);
}

#ifdef _WIN32
// Our decoder (the one the POSIX build converts with) gives the code points
// MultiByteToWideChar gives for every sequence of up to four boundary bytes.
TEST(PlatformUtf, OurDecoderAgreesWithWindows) {
  static const unsigned char kBoundaries[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                              0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0,
                                              0xF1, 0xF3, 0xF4, 0xF5, 0xF7, 0xF8, 0xFB, 0xFC, 0xFE, 0xFF};
  int mismatches = 0;
  const auto check = [&](std::initializer_list<unsigned char> list) {
    const std::string bytes(list.begin(), list.end());
    std::vector<char32_t> ours;
    for (std::size_t i = 0; i < bytes.size();) {
      const platform::Utf8Step step =
          platform::DecodeUtf8Step(reinterpret_cast<const unsigned char*>(bytes.data()) + i, bytes.size() - i);
      ours.push_back(step.value);
      i += step.length;
    }
    if (ours != CodePoints(bytes) && ++mismatches <= 10) ADD_FAILURE() << ::testing::PrintToString(bytes);
  };
  for (unsigned char a : kBoundaries) {
    check({a});
    for (unsigned char b : kBoundaries) {
      check({a, b});
      for (unsigned char c : kBoundaries) {
        check({a, b, c});
        for (unsigned char d : kBoundaries) check({a, b, c, d});
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}
#endif
