// The installed-entries list block in front of the install record: its
// bytes, damaged or hostile blocks, what the uninstaller loads of its file.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "bytes.h"
#include "package/package_checksum.h"
#include "record_file.h"
#include "temp_folder.h"
#include "uninstall/installation.h"
#include "uninstall/uninstall_list.h"
#include "uninstall/uninstall_list_layout.h"

namespace uninstall {
namespace {

using support::Bytes;
using support::Put32;

// Puts a correct length and checksum back after a deliberate change, so
// that the check behind the checksum is the one that answers.
void Reseal(Bytes& block) {
  const std::size_t body = block.size() - sizeof(UninstallListFooter);
  Put32(block, body, static_cast<std::uint32_t>(block.size()));
  Put32(block, body + 4, PackageChecksum(block.data(), body));
}

// A sealed block of raw items (type, name), laid out byte by byte.
Bytes Craft(const std::vector<std::pair<std::uint16_t, std::string>>& items, std::uint32_t version = UNL_VERSION) {
  Bytes b;
  for (std::uint32_t v : {UNL_HEADER_MAGIC, version, std::uint32_t(items.size()), 0u}) support::Add32(b, v);
  for (const auto& [type, name] : items) {
    support::Add32(b, type), support::Add32(b, static_cast<std::uint32_t>(name.size())), support::Add(b, name);
  }
  for (std::uint32_t v : {0u, 0u, 0u, UNL_FOOTER_MAGIC}) support::Add32(b, v);
  Reseal(b);
  return b;
}

ListError Parse(const Bytes& b) {
  UninstallList list;
  return ParseUninstallList(b.data(), b.size(), list);
}

// A small block, then one with the installed-programs entry (version 2).
TEST(UninstallList, TheBytesOfABlock) {
  UninstallList list;
  list.selfName = "u.exe";
  list.folders = {"bin"};
  list.files = {"bin\\a", "u.exe"};
  list.menuLinks = {"\\M"};
  Bytes block;
  std::string error;
  ASSERT_TRUE(BuildUninstallList(list, block, error)) << error;
  EXPECT_EQ(block, Craft({{UNL_ITEM_SELF, "u.exe"},
                          {UNL_ITEM_FOLDER, "bin"},
                          {UNL_ITEM_FILE, "bin\\a"},
                          {UNL_ITEM_FILE, "u.exe"},
                          {UNL_ITEM_MENU_LINK, "\\M"}}));
  // The checksum covers everything before the footer.
  for (std::size_t i = 0; i + 12 < block.size(); ++i) {
    Bytes b = block;
    b[i] ^= 0x01;
    EXPECT_EQ(Parse(b), i + 16 < block.size() ? ListError::Checksum : ListError::BadLength) << i;
  }
  list = {"u.exe", {}, {"u.exe"}, {}, {"Demo 产品", "1.2", "Pub", "https://x.org/"}};
  ASSERT_TRUE(BuildUninstallList(list, block, error)) << error;
  EXPECT_EQ(block, Craft({{UNL_ITEM_SELF, "u.exe"},
                          {UNL_ITEM_FILE, "u.exe"},
                          {UNL_ITEM_ENTRY_KEY, "Demo 产品"},
                          {UNL_ITEM_VERSION, "1.2"},
                          {UNL_ITEM_PUBLISHER, "Pub"},
                          {UNL_ITEM_URL, "https://x.org/"}},
                         UNL_VERSION_DEPLOY));
  UninstallList read;
  ASSERT_EQ(ParseUninstallList(block.data(), block.size(), read), ListError::None);
  EXPECT_EQ(read.deploy, list.deploy);
}

TEST(UninstallList, DamagedAndHostileBlocksAreRefused) {
  const Bytes good = Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_FILE, "abc"}});
  const auto resealed = [&](std::function<void(Bytes&)> change) {
    Bytes b = good;
    change(b);
    Reseal(b);
    return b;
  };
  const auto footerLength = [&](std::uint32_t n) {
    Bytes b = good;
    Put32(b, b.size() - 16, n);
    return b;
  };
  const auto count = [&](std::uint32_t n) { return resealed([n](Bytes& b) { Put32(b, 8, n); }); };
  const auto nameLength = [&](std::uint32_t n) { return resealed([n](Bytes& b) { Put32(b, 16 + 13 + 4, n); }); };
  // The installed-programs entry: missing, twice, in a version 1 block, not a text the registry may hold.
  const std::pair<std::uint16_t, std::string> self{UNL_ITEM_SELF, "u.exe"}, key{UNL_ITEM_ENTRY_KEY, "K"},
      version{UNL_ITEM_VERSION, "1"}, publisher{UNL_ITEM_PUBLISHER, "P"};
  const auto v2 = [](std::vector<std::pair<std::uint16_t, std::string>> items) {
    return Craft(items, UNL_VERSION_DEPLOY);
  };
  const std::pair<Bytes, ListError> cases[] = {
      {Bytes(good.begin() + 1, good.end()), ListError::BadLength},
      {Bytes(good.begin(), good.end() - 1), ListError::NoBlock},
      {Bytes(good.end() - 16, good.end()), ListError::BadLength},
      {Bytes(), ListError::NoBlock},
      {footerLength(31), ListError::BadLength},
      {footerLength(std::uint32_t(good.size() + 1)), ListError::BadLength},
      {footerLength(0xFFFFFFFFu), ListError::BadLength},
      {resealed([](Bytes& b) { b[0] = 'X'; }), ListError::BadHeader},
      {Craft({{UNL_ITEM_SELF, "u.exe"}}, 3), ListError::Version},
      {count(1), ListError::BadItem},  // a second item left over
      {count(3), ListError::BadItem},
      {count(0xFFFFFFFFu), ListError::BadHeader},
      {nameLength(0), ListError::BadItem},
      {nameLength(6), ListError::BadItem},
      {nameLength(0xFFFFFFF8u), ListError::BadItem},
      {Craft({{UNL_ITEM_SELF, "u.exe"}, {9, "a"}}), ListError::BadItem},
      {Craft({{UNL_ITEM_FILE, "a"}, {UNL_ITEM_SELF, "u.exe"}}), ListError::BadItem},
      {Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_SELF, "v.exe"}}), ListError::BadItem},
      {Craft({{UNL_ITEM_FILE, "u.exe"}}), ListError::BadItem},
      {v2({self, key, version, publisher}), ListError::None},
      {v2({self, key, version}), ListError::BadEntry},
      {v2({self}), ListError::BadEntry},
      {v2({self, key, version, publisher, key}), ListError::BadEntry},
      {Craft({self, key, version, publisher}), ListError::BadItem},
      {v2({self, {UNL_ITEM_ENTRY_KEY, "a\\b"}, version, publisher}), ListError::BadEntry},
      {v2({self, {UNL_ITEM_ENTRY_KEY, std::string(256, 'k')}, version, publisher}), ListError::BadEntry},
      {v2({self, key, {UNL_ITEM_VERSION, "1\n2"}, publisher}), ListError::BadEntry}};
  for (const auto& c : cases) EXPECT_EQ(Parse(c.first), c.second) << &c - cases;

  // Names that reach outside the install folder, in every kind of item and
  // in the writer; a menu path may start with one backslash, no more. The
  // writer refuses what the reader would, and writes nothing.
  const auto refused = [](const UninstallList& list) {
    Bytes block;
    std::string error;
    return !BuildUninstallList(list, block, error) && block.empty();
  };
  for (const char* name : {"..", "a\\..\\..\\x", "C:\\Windows\\x", "\\x", "a/../b", "\xff\xfe"}) {
    SCOPED_TRACE(name);
    for (std::uint16_t type : {UNL_ITEM_FOLDER, UNL_ITEM_FILE})
      EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {type, name}})), ListError::UnsafeName);
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, name}})), ListError::UnsafeName);
    EXPECT_TRUE(refused({"u.exe", {}, {name}, {}, {}}));
  }
  for (const char* menu : {"..\\x", "\\\\x", "A\\..\\..\\x", "C:\\x", "\\..\\x"})
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_MENU_LINK, menu}})), ListError::UnsafeName) << menu;
  for (const DeployFacts& bad :
       {DeployFacts{"a\\b", "1", "P", ""}, DeployFacts{"K", "1\t", "P", ""}, DeployFacts{"K", "1", "P", "\x7f"}})
    EXPECT_TRUE(refused({"u.exe", {}, {"u.exe"}, {}, bad}));
}

// An uninstaller as installed: image, list block (selfName), the
// installer's record; then one byte flipped, counted from the end.
std::wstring Installed(const TempFolder& folder, const std::string& file, const std::string& selfName,
                       std::size_t flip = 0) {
  UninstallList list;
  list.selfName = selfName;
  list.files = {selfName};
  list.menuLinks = {"组\\卸载"};
  Bytes bytes(5000, 'x'), block;  // without a self name: no list
  std::string error;
  if (!selfName.empty()) {
    EXPECT_TRUE(BuildUninstallList(list, block, error)) << error;
    bytes.assign(block.begin(), block.end());
  }
  support::WriteBytes(folder.Child(file), bytes);
  const std::wstring path = folder.Wide(std::wstring(file.begin(), file.end()));
  EXPECT_TRUE(support::AppendRecord(path, L"组", L"产品", L"产品"));
  if (flip != 0) {
    bytes = support::ReadBytes(folder.Child(file));
    bytes[bytes.size() - flip] ^= 1;
    support::WriteBytes(folder.Child(file), bytes);
  }
  return path;
}

TEST(UninstallList, WhatTheUninstallerLoadsFromItsOwnFile) {
  const std::tuple<const char*, const char*, const char*, std::size_t, LoadStatus> cases[] = {
      {"as installed", "u.exe", "u.exe", 0, LoadStatus::Ok},
      {"in another letter case", "U.EXE", "u.exe", 0, LoadStatus::Ok},
      {"renamed", "other.exe", "u.exe", 0, LoadStatus::WrongPlace},
      {"the record's offset changed", "u.exe", "u.exe", kInstallRecordSize, LoadStatus::RecordDamaged},
      {"the record's magic changed", "u.exe", "u.exe", kInstallRecordSize - 8, LoadStatus::NoRecord},
      {"the list's last name changed", "u.exe", "u.exe", kInstallRecordSize + 17, LoadStatus::ListDamaged},
      {"no list in front of the record", "u.exe", "", 0, LoadStatus::NoList},
  };
  for (const auto& [what, file, selfName, flip, status] : cases) {
    SCOPED_TRACE(what);
    TempFolder folder;
    Installation loaded;
    ASSERT_EQ(LoadInstallation(Installed(folder, file, selfName, flip), loaded), status);
    if (status != LoadStatus::Ok) continue;
    EXPECT_EQ(loaded.installFolder, folder.Wide() + L"\\");
    EXPECT_EQ(loaded.startMenuFolder + L"|" + loaded.productName + L"|" + loaded.autostartLink, L"组|产品|产品");
    EXPECT_EQ(loaded.list.menuLinks, std::vector<std::string>{"组\\卸载"});
  }
  // Without a record: a file that has none, one too short, none at all.
  TempFolder folder;
  Installation loaded;
  support::WriteBytes(folder.Child("short.exe"), Bytes(100, 0));
  EXPECT_EQ(LoadInstallation(folder.Wide(L"short.exe"), loaded), LoadStatus::NoRecord);
  EXPECT_EQ(LoadInstallation(folder.Wide(L"missing.exe"), loaded), LoadStatus::Unreadable);
}

}  // namespace
}  // namespace uninstall
