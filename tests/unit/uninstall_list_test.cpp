// The installed-entries list block in front of the install record: its
// bytes, what a reader does with damaged or hostile blocks, and what the
// uninstaller loads from its own file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "integration/install_record.h"
#include "package/package_checksum.h"
#include "temp_folder.h"
#include "uninstall/installation.h"
#include "uninstall/uninstall_list.h"
#include "uninstall/uninstall_list_layout.h"

namespace uninstall {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

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
  auto add32 = [&](std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
  };
  for (std::uint32_t v : {UNL_HEADER_MAGIC, version, std::uint32_t(items.size()), 0u}) add32(v);
  for (const auto& [type, name] : items) {
    add32(type);
    add32(static_cast<std::uint32_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
  }
  for (std::uint32_t v : {0u, 0u, 0u, UNL_FOOTER_MAGIC}) add32(v);
  Reseal(b);
  return b;
}

ListError Parse(const Bytes& b) {
  UninstallList list;
  return ParseUninstallList(b.data(), b.size(), list);
}

TEST(UninstallList, TheBytesOfASmallBlock) {
  UninstallList list;
  list.selfName = "u.exe";
  list.folders = {"bin"};
  list.files = {"bin\\a", "u.exe"};
  list.menuLinks = {"\\M"};
  Bytes block;
  std::string error;
  ASSERT_TRUE(BuildUninstallList(list, block, error)) << error;
  const Bytes expected = Craft({{UNL_ITEM_SELF, "u.exe"},
                                {UNL_ITEM_FOLDER, "bin"},
                                {UNL_ITEM_FILE, "bin\\a"},
                                {UNL_ITEM_FILE, "u.exe"},
                                {UNL_ITEM_MENU_LINK, "\\M"}});
  EXPECT_EQ(block, expected);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 4), (Bytes{'U', 'L', 'S', 'T'}));
  EXPECT_EQ(Bytes(block.end() - 4, block.end()), (Bytes{'U', 'E', 'N', 'D'}));
  // The checksum covers everything before the footer.
  for (std::size_t i = 0; i + 12 < block.size(); ++i) {
    Bytes b = block;
    b[i] ^= 0x01;
    EXPECT_EQ(Parse(b), i + 16 < block.size() ? ListError::Checksum : ListError::BadLength) << i;
  }
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
  const std::pair<Bytes, ListError> cases[] = {
      {Bytes(good.begin() + 1, good.end()), ListError::BadLength},
      {Bytes(good.begin(), good.end() - 1), ListError::NoBlock},
      {Bytes(), ListError::NoBlock},
      {Bytes(good.end() - 16, good.end()), ListError::BadLength},
      {footerLength(0), ListError::BadLength},
      {footerLength(31), ListError::BadLength},
      {footerLength(std::uint32_t(good.size() + 1)), ListError::BadLength},
      {footerLength(UNL_MAX_BLOCK + 1), ListError::BadLength},
      {footerLength(0xFFFFFFFFu), ListError::BadLength},
      {resealed([](Bytes& b) { b[0] = 'X'; }), ListError::BadHeader},
      {Craft({{UNL_ITEM_SELF, "u.exe"}}, 2), ListError::Version},
      {Craft({{UNL_ITEM_SELF, "u.exe"}}, 0), ListError::Version},
      {count(1), ListError::BadItem},  // a second item left over
      {count(3), ListError::BadItem},
      {count(UNL_MAX_ITEMS + 1), ListError::BadHeader},
      {count(0xFFFFFFFFu), ListError::BadHeader},
      {nameLength(0), ListError::BadItem},
      {nameLength(6), ListError::BadItem},
      {nameLength(UNL_MAX_NAME + 1), ListError::BadItem},
      {nameLength(0xFFFFFFF8u), ListError::BadItem},
      {Craft({{UNL_ITEM_SELF, "u.exe"}, {9, "a"}}), ListError::BadItem},
      {Craft({{UNL_ITEM_SELF, "u.exe"}, {0, "a"}}), ListError::BadItem},
      {Craft({{UNL_ITEM_FILE, "a"}, {UNL_ITEM_SELF, "u.exe"}}), ListError::BadItem},
      {Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_SELF, "v.exe"}}), ListError::BadItem},
      {Craft({{UNL_ITEM_FILE, "u.exe"}}), ListError::BadItem},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.first), c.second) << &c - cases;

  // Names that reach outside the install folder, in every kind of item and
  // in the writer; a menu path may start with one backslash, no more.
  for (const char* name : {"..", "..\\x", "a\\..\\..\\x", "C:\\Windows\\x", "\\x", "a/../b", "a\\\\b", "a\\.\\b",
                           "x:stream", "a\\", "\xff\xfe"}) {
    SCOPED_TRACE(name);
    for (std::uint16_t type : {UNL_ITEM_FOLDER, UNL_ITEM_FILE})
      EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {type, name}})), ListError::UnsafeName);
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, name}})), ListError::UnsafeName);
    UninstallList list;
    list.selfName = "u.exe";
    list.files = {name};
    Bytes block;
    std::string error;
    EXPECT_FALSE(BuildUninstallList(list, block, error));
    EXPECT_TRUE(block.empty());
  }
  for (const char* menu : {"..\\x", "\\\\x", "A\\..\\..\\x", "C:\\x", "\\..\\x"})
    EXPECT_EQ(Parse(Craft({{UNL_ITEM_SELF, "u.exe"}, {UNL_ITEM_MENU_LINK, menu}})), ListError::UnsafeName) << menu;
}

class UninstallLoad : public testing::Test {
 public:
  // An uninstaller at `name`: image, list block, then the installer's record.
  void Install(const std::string& name, const std::string& selfName, bool record = true) {
    UninstallList list;
    list.selfName = selfName;
    list.folders = {"bin"};
    list.files = {"bin\\p.exe", selfName};
    list.menuLinks = {"组\\卸载"};
    Bytes bytes = {'M', 'Z', 0, 0}, block;
    std::string error;
    ASSERT_TRUE(BuildUninstallList(list, block, error)) << error;
    bytes.insert(bytes.end(), block.begin(), block.end());
    Write(name, bytes);
    if (!record) return;
    InstallRecord r;
    ASSERT_TRUE(r.Open(Path(name), 1));
    r.SetNames(L"组", L"产品", L"产品");
    r.Close();
  }
  void Write(std::string name, const Bytes& bytes) {
    std::replace(name.begin(), name.end(), '\\', '/');
    std::filesystem::create_directories(folder.Child(name).parent_path());
    TempFolder::WriteBytes(folder.Child(name), bytes);
  }
  // Flips one bit of the installed file, counted from its end.
  void Flip(const std::string& name, std::size_t fromEnd) {
    Bytes bytes = TempFolder::ReadBytes(folder.Child(name));
    bytes[bytes.size() - fromEnd] ^= 1;
    Write(name, bytes);
  }
  std::wstring Path(const std::string& name) const { return folder.Wide(std::wstring(name.begin(), name.end())); }
  LoadStatus Load(const std::string& name) { return LoadInstallation(Path(name), loaded); }

  TempFolder folder;
  Installation loaded;
};

TEST_F(UninstallLoad, TheRecordTheListAndTheInstallFolder) {
  Install("bin\\u.exe", "bin\\u.exe");
  ASSERT_EQ(Load("bin\\u.exe"), LoadStatus::Ok);
  EXPECT_EQ(loaded.installFolder, folder.Wide() + L"\\");
  EXPECT_EQ(loaded.startMenuFolder + L"|" + loaded.productName + L"|" + loaded.autostartLink, L"组|产品|产品");
  EXPECT_EQ(loaded.list.selfName, "bin\\u.exe");
  EXPECT_EQ(loaded.list.folders, std::vector<std::string>{"bin"});
  EXPECT_EQ(loaded.list.files, (std::vector<std::string>{"bin\\p.exe", "bin\\u.exe"}));
  EXPECT_EQ(loaded.list.menuLinks, std::vector<std::string>{"组\\卸载"});
  Install("U.EXE", "u.exe");  // letter case does not matter to Windows
  EXPECT_EQ(Load("U.EXE"), LoadStatus::Ok);
}

TEST_F(UninstallLoad, WhatKeepsTheUninstallerFromStarting) {
  const std::size_t record = kInstallRecordSize;
  const struct {
    const char* what;
    std::function<void(UninstallLoad&)> setUp;
    LoadStatus status;
  } cases[] = {
      {"no record", [](UninstallLoad& t) { t.Install("u.exe", "u.exe", false); }, LoadStatus::NoRecord},
      {"shorter than a record", [](UninstallLoad& t) { t.Write("u.exe", Bytes(100, 0)); }, LoadStatus::NoRecord},
      {"no file", [](UninstallLoad&) {}, LoadStatus::Unreadable},
      {"the record's offset changed",
       [&](UninstallLoad& t) {
         t.Install("u.exe", "u.exe");
         t.Flip("u.exe", record);
       },
       LoadStatus::RecordDamaged},
      {"the record's magic changed",
       [&](UninstallLoad& t) {
         t.Install("u.exe", "u.exe");
         t.Flip("u.exe", record - 8);
       },
       LoadStatus::NoRecord},
      {"the list's last name changed",
       [&](UninstallLoad& t) {
         t.Install("u.exe", "u.exe");
         t.Flip("u.exe", record + 17);
       },
       LoadStatus::ListDamaged},
      {"no list",
       [](UninstallLoad& t) {
         t.Write("u.exe", Bytes(5000, 'x'));
         InstallRecord r;
         ASSERT_TRUE(r.Open(t.Path("u.exe"), 1));
         r.Close();
       },
       LoadStatus::NoList},
      {"renamed", [](UninstallLoad& t) { t.Install("u.exe", "other.exe"); }, LoadStatus::WrongPlace},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(folder.Path() / "u.exe");
    c.setUp(*this);
    loaded = Installation();
    EXPECT_EQ(Load("u.exe"), c.status);
    EXPECT_TRUE(loaded.list.files.empty() || c.status == LoadStatus::WrongPlace);
  }
}

}  // namespace
}  // namespace uninstall
