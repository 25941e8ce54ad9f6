// The name rule for entry names and program paths, the upper-case fold that
// decides which names are one to Windows, and the listing order built on it.
#include <gtest/gtest.h>

#include <algorithm>

#include "package/entry_name.h"
#include "package/name_fold.h"
#include "platform/utf.h"

TEST(PackageNames, EntryNamesAndProgramPaths) {
  for (const char* ok : {"a", "bin\\x.dll", "a\\b\\c", "\xE4\xB8\xAD\\\xE6\x96\x87.txt", ".hidden", "a..b", "x.y",
                         "console", "com10", "nul2", "a b", "\xC4\xB1"}) {
    EXPECT_TRUE(IsSafeEntryName(ok)) << ok;
  }
  for (const char* bad :
       {"",         "\\abs",        "C:\\x",  "C:x",      "c:",          "..",     ".",           "a\\..\\b", "a\\.\\b",
        "..\\a",    "a\\..",        "a\\\\b", "a\\",      "a/b",         "../a",   "a\\b:stream", "a\\...",   "a\\b ",
        "a\x01b",   "a\x7F",        "a*b",    "a?b",      "a\"b",        "a<b",    "a>b",         "a|b",      "nul",
        "NUL .txt", "bin\\con.txt", "COM1",   "lpt9.log", "com\xC2\xB9", "conin$", "\xFF\xFE",    ".. "}) {
    std::string why;
    EXPECT_FALSE(IsSafeEntryName(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
  std::string why;  // ".." also ends with a dot, but is refused as what it is
  EXPECT_FALSE(IsSafeEntryName("a\\..\\b", &why));
  EXPECT_NE(why.find("'..'"), std::string::npos) << why;
  for (const char* ok : {"bin\\x.exe", "\\bin\\x.exe", "C:\\Windows\\notepad.exe", "d:\\a"}) {
    EXPECT_TRUE(IsSafeProgramPath(ok)) << ok;
  }
  for (const char* bad : {"", "\\", "C:x.exe", "C:", "C:\\", "C:\\a\\..\\..\\x", "\\\\server\\share\\x", "\\..\\x",
                          "..\\x", "1:\\x", "C:\\nul"}) {
    EXPECT_FALSE(IsSafeProgramPath(bad)) << bad;
  }
}

// Names NTFS takes for one file, and names it keeps apart.
TEST(PackageNames, OneNameToWindows) {
  const std::pair<const char*, const char*> same[] = {
      {"readme.TXT", "README.txt"},     {"\xC3\xBF", "\xC5\xB8"},  // ÿ Ÿ
      {"\xC4\x81", "\xC4\x80"},                                    // ā Ā
      {"\xC4\xBE", "\xC4\xBD"},                                    // ľ Ľ
      {"\xCF\x82", "\xCE\xA3"},                                    // ς Σ
      {"\xCE\xAC", "\xCE\x86"},                                    // ά Ά
      {"\xD1\x91.txt", "\xD0\x81.txt"},                            // ё Ё
      {"\xD1\x8F", "\xD0\xAF"},                                    // я Я
      {"\xD1\xA3", "\xD1\xA2"},                                    // ѣ Ѣ
      {"\xD5\xA1", "\xD4\xB1"},                                    // ա Ա
      {"\xE1\xBA\xA1", "\xE1\xBA\xA0"},                            // ạ Ạ
      {"\xE2\x85\xB0", "\xE2\x85\xA0"},                            // ⅰ Ⅰ
      {"\xEF\xBD\x81", "\xEF\xBC\xA1"},                            // ａ Ａ
  };
  for (const auto& [a, b] : same) {
    EXPECT_EQ(FoldName(a), FoldName(b)) << a << " " << b;
    EXPECT_EQ(FoldName(platform::Utf8ToWide(a)), FoldName(platform::Utf8ToWide(b))) << a << " " << b;
  }
  // Every Cyrillic small letter ѐ-џ (U+0450-U+045F) and its capital Ѐ-Џ (U+0400-U+040F).
  for (char32_t small = 0x450; small <= 0x45F; ++small) {
    const std::wstring a(1, static_cast<wchar_t>(small)), b(1, static_cast<wchar_t>(small - 0x50));
    EXPECT_EQ(FoldName(a + L".txt"), FoldName(b + L".TXT")) << std::hex << static_cast<unsigned>(small);
    EXPECT_EQ(FoldName(platform::WideToUtf8(a)), FoldName(platform::WideToUtf8(b)))
        << std::hex << static_cast<unsigned>(small);
  }
  const std::pair<const char*, const char*> apart[] = {
      {"\xC4\xB1", "I"},         // dotless ı stays apart from I
      {"\xC5\xBF", "S"},         // long ſ from S
      {"\xC3\x9F", "SS"},        // ß from SS
      {"k", "\xE2\x84\xAA"},     // k from the Kelvin sign
      {"\xC3\xB7", "\xC3\x97"},  // ÷ from ×
      {"\xD1\x90", "\xD0\xB0"},  // ѐ from а
  };
  for (const auto& [a, b] : apart) EXPECT_NE(FoldName(a), FoldName(b)) << a << " " << b;
}

TEST(PackageNames, UpperCaseListingOrder) {
  std::vector<std::string> names = {"b.txt", "A.txt", "_x", "a.dll", "Zeta", "zed", "a", "\xC3\xA9", "\xC3\x89t"};
  std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) { return EntryNameLess(x, y); });
  const std::vector<std::string> expected = {"a",    "a.dll", "A.txt",    "b.txt",    "zed",
                                             "Zeta", "_x",    "\xC3\xA9", "\xC3\x89t"};  // é, Ét
  EXPECT_EQ(names, expected);
}
