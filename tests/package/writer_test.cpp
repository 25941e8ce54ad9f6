// The name rule (entry names, program paths), the upper-case fold and the
// listing order; what the writer refuses: unsafe names, names that are one
// to Windows, blocks out of order, entries before their folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "package/name_fold.h"
#include "package/package_writer.h"
#include "platform/utf.h"
#include "test_support.h"

using pkgtest::Bytes;

TEST(EntryNames, SafeAndUnsafe) {
  for (const char* ok : {"a", "bin\\x.dll", "a\\b\\c", "\xE4\xB8\xAD\\\xE6\x96\x87.txt", ".hidden", "a..b", "x.y",
                         "console", "com10", "nul2", "a b", "\xC4\xB1"}) {
    EXPECT_TRUE(IsSafeEntryName(ok)) << ok;
  }
  for (const char* bad :
       {"",         "\\abs",        "C:\\x",  "C:x",      "c:",          "..",     ".",           "a\\..\\b", "a\\.\\b",
        "..\\a",    "a\\..",        "a\\\\b", "a\\",      "a/b",         "../a",   "a\\b:stream", "a\\...",   "a\\b ",
        "a\x01b",   "a\x7F",        "a*b",    "a?b",      "a\"b",        "a<b",    "a>b",         "a|b",      "nul",
        "NUL .txt", "bin\\con.txt", "COM1",   "lpt9.log", "com\xC2\xB9", "conin$", "\xFF\xFE"}) {
    std::string why;
    EXPECT_FALSE(IsSafeEntryName(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

TEST(EntryNames, ProgramPaths) {
  for (const char* ok : {"bin\\x.exe", "\\bin\\x.exe", "C:\\Windows\\notepad.exe", "d:\\a"}) {
    EXPECT_TRUE(IsSafeProgramPath(ok)) << ok;
  }
  for (const char* bad : {"", "\\", "C:x.exe", "C:", "C:\\", "C:\\a\\..\\..\\x", "\\\\server\\share\\x", "\\..\\x",
                          "..\\x", "1:\\x", "C:\\nul"}) {
    EXPECT_FALSE(IsSafeProgramPath(bad)) << bad;
  }
}

// Names NTFS takes for one file, and names it keeps apart.
TEST(EntryNames, OneNameToWindows) {
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
    EXPECT_FALSE(EntryNameLess(a, b) || EntryNameLess(b, a)) << a << " " << b;
    EXPECT_EQ(FoldName(platform::Utf8ToWide(a)), FoldName(platform::Utf8ToWide(b))) << a << " " << b;
  }
  const std::pair<const char*, const char*> apart[] = {
      {"\xC4\xB1", "I"},         // dotless ı stays apart from I
      {"\xC5\xBF", "S"},         // long ſ from S
      {"\xC3\x9F", "SS"},        // ß from SS
      {"k", "\xE2\x84\xAA"},     // k from the Kelvin sign
      {"\xC3\xB7", "\xC3\x97"},  // ÷ from ×
  };
  for (const auto& [a, b] : apart) EXPECT_NE(FoldName(a), FoldName(b)) << a << " " << b;
}

TEST(EntryNames, UpperCaseListingOrder) {
  std::vector<std::string> names = {"b.txt", "A.txt", "_x", "a.dll", "Zeta", "zed", "a", "\xC3\xA9", "\xC3\x89t"};
  std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) { return EntryNameLess(x, y); });
  const std::vector<std::string> expected = {"a",    "a.dll", "A.txt",    "b.txt",    "zed",
                                             "Zeta", "_x",    "\xC3\xA9", "\xC3\x89t"};  // é, Ét
  EXPECT_EQ(names, expected);
}

namespace {

struct Writer {
  Bytes bytes;
  VectorSink sink{bytes};
  PackageWriter w{sink};
};

}  // namespace

TEST(PackageWriter, RefusesUnsafeNamesAndKeepsRefusing) {
  Writer x;
  ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
  EXPECT_FALSE(x.w.AddFolder("..\\evil"));
  EXPECT_NE(x.w.Error().find("evil"), std::string::npos);
  EXPECT_FALSE(x.w.AddFolder("fine")) << "a failed writer stays failed";
  EXPECT_FALSE(x.w.Finish());
}

TEST(PackageWriter, RefusesWhatTheInstallerWouldRefuse) {
  for (const char* name : {"C:\\Windows\\x.dll", "\\x.dll", "a\\..\\..\\x.dll"}) {
    Writer x;
    ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
    EXPECT_FALSE(x.w.AddFile(name, MakeDataBlob("x", 1))) << name;
  }
  Writer x;
  EXPECT_FALSE(x.w.WriteInfo({}, "", "..\\record.exe"));
  Writer y;
  EXPECT_FALSE(y.w.WriteInfo({}, "..\\main.exe", ""));
  Writer z;
  ASSERT_TRUE(z.w.WriteInfo({}, "C:\\Windows\\notepad.exe", ""));
  ASSERT_TRUE(z.w.AddFile("\xD1\x91.txt", MakeDataBlob("x", 1)));
  EXPECT_FALSE(z.w.AddFile("\xD0\x81.txt", MakeDataBlob("x", 1))) << "one name to Windows";
  Writer s;
  ASSERT_TRUE(s.w.WriteInfo({}, "", ""));
  EXPECT_TRUE(s.w.AddShortcut("..\\unused", "", "")) << "a record without a target is not used";
  EXPECT_FALSE(s.w.AddShortcut("Group\\Name", "..\\..\\x.exe", ""));
}

TEST(PackageWriter, BlocksInOrder) {
  {
    Writer x;
    EXPECT_FALSE(x.w.AddFolder("a")) << "info block first";
  }
  {
    Writer x;
    ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
    ASSERT_TRUE(x.w.AddFolder("a"));
    EXPECT_FALSE(x.w.WriteAgreement(MakeDataBlob("x", 1)));
  }
  {
    Writer x;
    ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
    ASSERT_TRUE(x.w.AddShortcut("m", "t", "d"));
    EXPECT_FALSE(x.w.AddFile("f", {}));
  }
  {
    Writer x;
    ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
    EXPECT_FALSE(x.w.WriteInfo({}, "", ""));
  }
}

TEST(PackageWriter, EntriesNeedTheirFolderFirst) {
  Writer x;
  ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
  EXPECT_FALSE(x.w.AddFile("bin\\a.dll", MakeDataBlob("a", 1)));
  Writer y;
  ASSERT_TRUE(y.w.WriteInfo({}, "", ""));
  ASSERT_TRUE(y.w.AddFolder("bin"));
  ASSERT_TRUE(y.w.AddFolder("bin\\sub"));
  EXPECT_TRUE(y.w.AddFile("bin\\sub\\a.dll", MakeDataBlob("a", 1)));
  EXPECT_FALSE(y.w.AddFile("bin\\b.dll", Bytes(8, 0))) << "8 bytes are no blob";
}

TEST(PackageWriter, MinimalPackage) {
  Writer x;
  x.bytes = pkgtest::ImageBytes();
  ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
  ASSERT_TRUE(x.w.Finish());
  const PackageTrailer t = pkgtest::TrailerOf(x.bytes);
  const auto image = static_cast<std::int32_t>(pkgtest::ImageBytes().size());
  EXPECT_EQ(t.infoOffset, image);
  EXPECT_EQ(t.countedLength, 24 + 20 + 20);
  EXPECT_EQ(t.entryListOffset, image + 64);
  EXPECT_EQ(t.agreementOffset, image + 64);
  EXPECT_EQ(t.agreementLength, 0);
  EXPECT_EQ(t.pictureOffset, 0);
  EXPECT_EQ(t.pictureLength, 0);
  EXPECT_EQ(t.shortcutListOffset, image + 64);
  EXPECT_EQ(x.bytes.size(), static_cast<std::size_t>(image + 64 + 44));
}
