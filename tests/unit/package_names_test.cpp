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
  const std::pair<const char*, const char*> same[] = {{"ÿ", "Ÿ"}, {"ā", "Ā"}, {"ľ", "Ľ"},  {"ς", "Σ"},
                                                      {"ά", "Ά"}, {"я", "Я"}, {"ѣ", "Ѣ"},  {"ա", "Ա"},
                                                      {"ạ", "Ạ"}, {"ⅰ", "Ⅰ"}, {"ａ", "Ａ"}};
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
  // Dotless ı, long ſ, ß, k and the Kelvin sign, ÷ and ×, ѐ and а stay apart.
  const std::pair<const char*, const char*> apart[] = {{"ı", "I"},      {"ſ", "S"}, {"ß", "SS"},
                                                       {"k", "\u212A"}, {"÷", "×"}, {"ѐ", "а"}};
  for (const auto& [a, b] : apart) EXPECT_NE(FoldName(a), FoldName(b)) << a << " " << b;
}

TEST(PackageNames, UpperCaseListingOrder) {
  std::vector<std::string> names = {"b.txt", "A.txt", "_x", "a.dll", "Zeta", "zed", "a", "é", "Ét"};
  std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) { return EntryNameLess(x, y); });
  EXPECT_EQ(names, (std::vector<std::string>{"a", "a.dll", "A.txt", "b.txt", "zed", "Zeta", "_x", "é", "Ét"}));
}
