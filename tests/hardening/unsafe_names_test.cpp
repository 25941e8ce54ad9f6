// Regression of a fuzz finding: the reader joined any entry name to the
// install folder, so a damaged package holding "..\x" wrote beside it.
// Folder and file entries under names the writer refuses now fail without
// creating anything, and the entries behind them still come out.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hardening_support.h"
#include "package/package_file.h"
#include "package/package_writer.h"

using hardening::Bytes;

namespace {

void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutHeader(Bytes& b, std::int16_t type, std::size_t name, std::size_t data) {
  b.push_back(static_cast<std::uint8_t>(type));
  b.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(type) >> 8));
  for (int i = 0; i < 6; ++i) b.push_back(0);
  Put32(b, static_cast<std::uint32_t>(name));
  Put32(b, data ? static_cast<std::uint32_t>(name) : 0);
  Put32(b, static_cast<std::uint32_t>(data));
}

struct Entry {
  std::int16_t type;
  std::string name;
  std::string contents;  // files: stored as a blob
};

// A package written by hand (the writer refuses these names).
Bytes HandMade(const std::vector<Entry>& entries) {
  Bytes b;
  b.reserve(4096);
  b.push_back('M');
  b.push_back('Z');
  const std::uint32_t info = static_cast<std::uint32_t>(b.size());
  for (int i = 0; i < 6; ++i) Put32(b, 0);  // info header: no texts
  PutHeader(b, PKG_RECORD_MAIN_PROGRAM, 0, 0);
  PutHeader(b, PKG_RECORD_RECORD_FILE, 0, 0);
  const std::uint32_t list = static_cast<std::uint32_t>(b.size());
  for (const Entry& e : entries) {
    const Bytes blob = e.type == PKG_ENTRY_FILE ? MakeDataBlob(e.contents.data(), e.contents.size()) : Bytes();
    PutHeader(b, e.type, e.name.size(), blob.size());
    b.insert(b.end(), e.name.begin(), e.name.end());
    b.insert(b.end(), blob.begin(), blob.end());
  }
  const std::uint32_t shortcuts = static_cast<std::uint32_t>(b.size());
  for (const std::uint32_t word : {info, shortcuts - info, PKG_MAGIC, list, static_cast<std::uint32_t>(entries.size()),
                                   shortcuts, 0u, 0u, 0u, 0u, 0u}) {
    Put32(b, word);
  }
  return b;
}

TEST(UnsafeNames, NothingIsCreatedOutsideTheFolderNorUnderADeviceName) {
  const std::vector<Entry> entries = {
      {PKG_ENTRY_FOLDER, "..\\escaped", ""},
      {PKG_ENTRY_FILE, "..\\escaped.txt", "out"},
      {PKG_ENTRY_FOLDER, "a", ""},
      {PKG_ENTRY_FILE, "a\\..\\..\\up.txt", "out"},
      {PKG_ENTRY_FILE, "a/../../slash.txt", "out"},
      {PKG_ENTRY_FILE, "\\rooted.txt", "out"},
      {PKG_ENTRY_FILE, "C:\\drive.txt", "out"},
      {PKG_ENTRY_FILE, "C:drive.txt", "out"},
      {PKG_ENTRY_FILE, "a\\CON", "out"},
      {PKG_ENTRY_FILE, "a\\nul.txt", "out"},
      {PKG_ENTRY_FILE, "a\\dots...", "out"},
      {PKG_ENTRY_FILE, "", "no name"},
      {PKG_ENTRY_FILE, "a\\kept.txt", "kept"},
  };
  hardening::Box box;
  ASSERT_TRUE(hardening::WriteFile(box.PackagePath(), HandMade(entries)));
  PackageFile p;
  ASSERT_TRUE(p.Open(box.PackagePath(), 0));
  ASSERT_EQ(p.GetFileCount(), static_cast<int>(entries.size()));
  int cursor = -1;
  for (const Entry& e : entries) {
    std::wstring out = L"as passed";
    const int before = cursor;
    const bool ok = p.ExtractNext(out, box.Scratch(), cursor);
    const bool safe = e.name == "a" || e.name == "a\\kept.txt";
    EXPECT_EQ(ok, safe) << e.name;
    EXPECT_NE(cursor, before) << e.name;
    if (!safe) {
      EXPECT_EQ(out, L"as passed") << e.name;
    }
  }
  p.Close();
  EXPECT_TRUE(box.OnlyScratchBeside());
  const auto files = box.TakeFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first, "a/kept.txt");
  EXPECT_EQ(files.begin()->second, "kept");
}

TEST(UnsafeNames, EntriesOfOtherTypesAreStillPassedOverWithTheirNamesJoined) {
  hardening::Box box;
  ASSERT_TRUE(hardening::WriteFile(box.PackagePath(), HandMade({{5, "..\\other", ""}})));
  PackageFile p;
  ASSERT_TRUE(p.Open(box.PackagePath(), 0));
  std::wstring out;
  int cursor = -1;
  EXPECT_TRUE(p.ExtractNext(out, box.Scratch(), cursor));
  EXPECT_EQ(out, box.Scratch() + L"\\..\\other");
  p.Close();
  EXPECT_TRUE(box.OnlyScratchBeside());
}

}  // namespace
