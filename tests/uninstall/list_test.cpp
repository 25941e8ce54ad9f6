// The installed-entries list block: its bytes, and what a reader does with
// damaged or hostile blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "package/package_checksum.h"
#include "uninstall/uninstall_list.h"
#include "uninstall/uninstall_list_layout.h"

using uninstall::BuildUninstallList;
using uninstall::ListError;
using uninstall::ParseUninstallList;
using uninstall::UninstallList;
using Bytes = std::vector<std::uint8_t>;

namespace {

UninstallList Sample() {
  UninstallList list;
  list.selfName = "uninstall.exe";
  list.folders = {"bin", "data", "data\\presets", "docs"};
  list.files = {"bin\\Example.exe", "data\\presets\\night.ini", "docs\\使用说明.txt", "uninstall.exe"};
  list.menuLinks = {"Example\\Example", "Example\\卸载 Example", "\\Flat"};
  return list;
}

Bytes Build(const UninstallList& list) {
  Bytes block;
  std::string error;
  EXPECT_TRUE(BuildUninstallList(list, block, error)) << error;
  return block;
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

void SetU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

// Puts a correct checksum back after a deliberate change, so that the check
// behind the checksum is the one that answers.
void Reseal(Bytes& block) {
  const std::size_t body = block.size() - sizeof(UninstallListFooter);
  SetU32(block, body, static_cast<std::uint32_t>(block.size()));
  SetU32(block, body + 4, PackageChecksum(block.data(), body));
}

// A block of raw items (type, name), sealed correctly.
Bytes Craft(const std::vector<std::pair<std::uint16_t, std::string>>& items, std::uint32_t version = UNL_VERSION) {
  Bytes b;
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(v >> (8 * i)));
  };
  u32(UNL_HEADER_MAGIC);
  u32(version);
  u32(static_cast<std::uint32_t>(items.size()));
  u32(0);
  for (const auto& [type, name] : items) {
    b.push_back(std::uint8_t(type));
    b.push_back(std::uint8_t(type >> 8));
    b.push_back(0);
    b.push_back(0);
    u32(static_cast<std::uint32_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
  }
  u32(0);
  u32(0);
  u32(0);
  u32(UNL_FOOTER_MAGIC);
  Reseal(b);
  return b;
}

ListError Parse(const Bytes& b, UninstallList* out = nullptr) {
  UninstallList list;
  const ListError e = ParseUninstallList(b.data(), b.size(), list);
  if (out) *out = list;
  return e;
}

}  // namespace

TEST(UninstallListLayout, BytesOfASmallBlock) {
  UninstallList list;
  list.selfName = "u.exe";
  list.folders = {"bin"};
  list.files = {"bin\\a", "u.exe"};
  const Bytes b = Build(list);
  // 16 header + (8+5) + (8+3) + (8+5) + (8+5) + 16 footer.
  ASSERT_EQ(b.size(), 16u + 13 + 11 + 13 + 13 + 16);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{0x55, 0x4C, 0x53, 0x54}));  // "ULST"
  EXPECT_EQ(U32(b, 4), 1u);
  EXPECT_EQ(U32(b, 8), 4u);
  EXPECT_EQ(U32(b, 12), 0u);
  // First item: self, type 1, reserved 0, length 5, the name.
  EXPECT_EQ(Bytes(b.begin() + 16, b.begin() + 29), (Bytes{1, 0, 0, 0, 5, 0, 0, 0, 'u', '.', 'e', 'x', 'e'}));
  EXPECT_EQ(Bytes(b.begin() + 29, b.begin() + 40), (Bytes{2, 0, 0, 0, 3, 0, 0, 0, 'b', 'i', 'n'}));
  EXPECT_EQ(b[40], UNL_ITEM_FILE);
  const std::size_t footer = b.size() - 16;
  EXPECT_EQ(U32(b, footer), b.size());
  EXPECT_EQ(U32(b, footer + 4), PackageChecksum(b.data(), footer));
  EXPECT_EQ(U32(b, footer + 8), 0u);
  EXPECT_EQ(Bytes(b.end() - 4, b.end()), (Bytes{0x55, 0x45, 0x4E, 0x44}));  // "UEND"
  EXPECT_NE(U32(b, footer + 12), 0x12030416u);
}

TEST(UninstallListLayout, RoundTripBehindOtherBytes) {
  Bytes file = {'M', 'Z', 1, 2, 3};
  const Bytes block = Build(Sample());
  file.insert(file.end(), block.begin(), block.end());
  UninstallList back;
  ASSERT_EQ(Parse(file, &back), ListError::None);
  EXPECT_EQ(back.selfName, Sample().selfName);
  EXPECT_EQ(back.folders, Sample().folders);
  EXPECT_EQ(back.files, Sample().files);
  EXPECT_EQ(back.menuLinks, Sample().menuLinks);
}

TEST(UninstallListLayout, ReadFromAFileEndingAtTheRecord) {
  const auto path = std::filesystem::temp_directory_path() / "uninstall_list_test.bin";
  Bytes file(100, 0x90);
  const Bytes block = Build(Sample());
  file.insert(file.end(), block.begin(), block.end());
  const std::size_t end = file.size();
  file.insert(file.end(), 788, 0xAB);  // stands for the install record
  {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  }
  platform::File f;
  ASSERT_TRUE(
      f.Open(path.wstring(), platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting));
  UninstallList back;
  EXPECT_EQ(uninstall::ReadUninstallList(f, static_cast<std::int64_t>(end), back), ListError::None);
  EXPECT_EQ(back.files, Sample().files);
  // Ending anywhere else finds no footer; ending before 16 bytes reads nothing.
  EXPECT_EQ(uninstall::ReadUninstallList(f, static_cast<std::int64_t>(file.size()), back), ListError::NoBlock);
  EXPECT_EQ(uninstall::ReadUninstallList(f, 10, back), ListError::NoBlock);
  EXPECT_TRUE(back.files.empty());
  f.Close();
  std::filesystem::remove(path);
}

TEST(UninstallListDamage, TruncatedBlocks) {
  const Bytes block = Build(Sample());
  // Missing its first byte: the block length reaches before the data.
  EXPECT_EQ(Parse(Bytes(block.begin() + 1, block.end())), ListError::BadLength);
  // Missing its last byte: no footer.
  EXPECT_EQ(Parse(Bytes(block.begin(), block.end() - 1)), ListError::NoBlock);
  EXPECT_EQ(Parse(Bytes()), ListError::NoBlock);
  EXPECT_EQ(Parse(Bytes(block.end() - 16, block.end())), ListError::BadLength);
}

TEST(UninstallListDamage, ChecksumCatchesEveryChangedByteBeforeTheFooter) {
  const Bytes block = Build(Sample());
  for (std::size_t i = 0; i + 16 < block.size(); ++i) {
    Bytes b = block;
    b[i] ^= 0x01;
    EXPECT_EQ(Parse(b), ListError::Checksum) << "byte " << i;
  }
  Bytes flipped = block;
  flipped[block.size() - 12] ^= 0x80;  // the checksum itself
  EXPECT_EQ(Parse(flipped), ListError::Checksum);
}

TEST(UninstallListDamage, FooterLengthsOutOfBounds) {
  const Bytes block = Build(Sample());
  for (std::uint32_t length : {0u, 31u, std::uint32_t(block.size() + 1), UNL_MAX_BLOCK + 1, 0xFFFFFFFFu}) {
    Bytes b = block;
    SetU32(b, b.size() - 16, length);
    EXPECT_EQ(Parse(b), ListError::BadLength) << length;
  }
}

TEST(UninstallListDamage, HeaderVersionAndCounts) {
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}}, 2)), ListError::Version);
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}}, 0)), ListError::Version);
  Bytes b = Craft({{UNL_ITEM_SELF, "u.exe"}});
  b[0] = 'X';
  Reseal(b);
  EXPECT_EQ(Parse(b), ListError::BadHeader);
  // More items announced than present, or fewer.
  for (std::uint32_t count : {0u, 3u, UNL_MAX_ITEMS + 1, 0xFFFFFFFFu}) {
    Bytes c = Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_FILE, "a"}});
    SetU32(c, 8, count);
    Reseal(c);
    EXPECT_NE(Parse(c), ListError::None) << count;
  }
  Bytes d = Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_FILE, "a"}});
  SetU32(d, 8, 1);  // one item announced, a second one left over
  Reseal(d);
  EXPECT_EQ(Parse(d), ListError::BadItem);
}

TEST(UninstallListDamage, ItemLengthsThatOverflow) {
  for (std::uint32_t length : {0u, 6u, 1000u, UNL_MAX_NAME + 1, 0x7FFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFF8u}) {
    Bytes b = Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_FILE, "abc"}});
    SetU32(b, 16 + 13 + 4, length);  // second item's name length
    Reseal(b);
    EXPECT_EQ(Parse(b), ListError::BadItem) << length;
  }
}

TEST(UninstallListDamage, ItemTypesAndTheSelfItem) {
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {9, "a"}})), ListError::BadItem);
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {0, "a"}})), ListError::BadItem);
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_FILE, "a"}, {UNL_ITEM_SELF, "u.exe"}})), ListError::BadItem);
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_SELF, "v.exe"}})), ListError::BadItem);
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_FILE, "u.exe"}})), ListError::BadItem);
}

TEST(UninstallListDamage, NamesThatReachOutside) {
  for (const char* name : {"..", "..\\x", "a\\..\\..\\x", "C:\\Windows\\x", "\\x", "a/../b", "a\\\\b", "a\\.\\b",
                           "x:stream", "a\\", "\xff\xfe"}) {
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_FILE, name}})), ListError::UnsafeName) << name;
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_FOLDER, name}})), ListError::UnsafeName) << name;
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, name}})), ListError::UnsafeName) << name;
    UninstallList list = Sample();
    list.files.push_back(name);
    Bytes block;
    std::string error;
    EXPECT_FALSE(BuildUninstallList(list, block, error)) << name;
    EXPECT_TRUE(block.empty());
  }
  // A menu path may start with one backslash (a shortcut directly in
  // Programs), but may not climb out.
  EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_MENU_LINK, "\\B"}})), ListError::None);
  for (const char* menu : {"..\\x", "\\\\x", "A\\..\\..\\x", "C:\\x", "\\..\\x"}) {
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_MENU_LINK, menu}})), ListError::UnsafeName) << menu;
  }
}

TEST(UninstallListDamage, WriterBounds) {
  UninstallList list = Sample();
  list.files.push_back(std::string(UNL_MAX_NAME + 1, 'a'));
  Bytes block;
  std::string error;
  EXPECT_FALSE(BuildUninstallList(list, block, error));
  list.files.back() = std::string(UNL_MAX_NAME, 'a');
  EXPECT_TRUE(BuildUninstallList(list, block, error)) << error;
  UninstallList back;
  EXPECT_EQ(Parse(block, &back), ListError::None);
  EXPECT_EQ(back.files.back().size(), UNL_MAX_NAME);
}
