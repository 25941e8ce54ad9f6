// Our UTF-8 decoder (the one the POSIX build converts with) against the
// conversion of the platform: under Windows (or Wine) that is
// MultiByteToWideChar with flags 0, so this test shows that both give the
// same code points for every short sequence of boundary bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/utf.h"
#include "platform/utf_decode.h"

namespace {

std::vector<char32_t> ByOurDecoder(const std::string& bytes) {
  std::vector<char32_t> out;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const platform::Utf8Step step = platform::DecodeUtf8Step(p + i, bytes.size() - i);
    out.push_back(step.value);
    i += step.length;
  }
  return out;
}

std::vector<char32_t> ByPlatform(const std::string& bytes) {
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

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
    out += ' ';
  }
  return out;
}

// Bytes at the edges of every range the decoder tells apart.
const unsigned char kBoundaries[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                     0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0,
                                     0xF1, 0xF3, 0xF4, 0xF5, 0xF7, 0xF8, 0xFB, 0xFC, 0xFE, 0xFF};

}  // namespace

TEST(UtfRules, ShortSequencesOfBoundaryBytes) {
  int mismatches = 0;
  const auto check = [&](std::initializer_list<unsigned char> list) {
    const std::string bytes(list.begin(), list.end());
    if (ByOurDecoder(bytes) != ByPlatform(bytes) && ++mismatches <= 10) ADD_FAILURE() << Hex(bytes);
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

TEST(UtfRules, LongerMixedSequences) {
  std::uint32_t x = 2463534242u;
  int mismatches = 0;
  for (int round = 0; round < 20000; ++round) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    std::string bytes;
    const int length = 5 + static_cast<int>(x % 8);
    for (int i = 0; i < length; ++i) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      bytes.push_back(static_cast<char>(kBoundaries[x % sizeof kBoundaries]));
    }
    if (ByOurDecoder(bytes) != ByPlatform(bytes) && ++mismatches <= 10) ADD_FAILURE() << Hex(bytes);
  }
  EXPECT_EQ(mismatches, 0);
}
