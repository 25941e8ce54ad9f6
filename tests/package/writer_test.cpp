// What the writer refuses: unsafe names, blocks out of order, entries before
// their folder; and the listing order of names.
#include <gtest/gtest.h>

#include <algorithm>

#include "package/package_writer.h"
#include "test_support.h"

using pkgtest::Bytes;

TEST(EntryNames, SafeAndUnsafe) {
  for (const char* ok : {"a", "bin\\x.dll", "a\\b\\c", "\xE4\xB8\xAD\\\xE6\x96\x87.txt", ".hidden", "a..b", "x.y",
                         "console", "com10", "nul2"}) {
    EXPECT_TRUE(IsSafeEntryName(ok)) << ok;
  }
  for (const char* bad : {"",
                          "\\abs",
                          "C:\\x",
                          "C:x",
                          "c:",
                          "..",
                          ".",
                          "a\\..\\b",
                          "a\\.\\b",
                          "..\\a",
                          "a\\..",
                          "a\\\\b",
                          "a\\",
                          "a/b",
                          "../a",
                          "a\\b:stream",
                          "a\\...",
                          "a\\b ",
                          "a\x01"
                          "b",
                          "nul",
                          "bin\\con.txt",
                          "COM1",
                          "lpt9.log",
                          "\xFF\xFE"}) {
    std::string why;
    EXPECT_FALSE(IsSafeEntryName(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

TEST(EntryNames, UpperCaseListingOrder) {
  std::vector<std::string> names = {"b.txt", "A.txt", "_x", "a.dll", "Zeta", "zed", "a"};
  std::sort(names.begin(), names.end(), [](const std::string& x, const std::string& y) { return EntryNameLess(x, y); });
  const std::vector<std::string> expected = {"a", "a.dll", "A.txt", "b.txt", "zed", "Zeta", "_x"};
  EXPECT_EQ(names, expected);
  EXPECT_FALSE(EntryNameLess("ABC", "abc"));
  EXPECT_FALSE(EntryNameLess("abc", "ABC"));
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

TEST(PackageWriter, RefusesFilesOutsideTheInstallFolder) {
  for (const char* name : {"C:\\Windows\\x.dll", "\\x.dll", "a\\..\\..\\x.dll"}) {
    Writer x;
    ASSERT_TRUE(x.w.WriteInfo({}, "", ""));
    EXPECT_FALSE(x.w.AddFile(name, MakeDataBlob("x", 1))) << name;
  }
  Writer x;
  EXPECT_FALSE(x.w.WriteInfo({}, "", "..\\record.exe"));
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
