// LoadInstallation on uninstaller files laid out on disk: image, list block,
// install record (appended through InstallRecord as the installer does).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "integration/install_record.h"
#include "uninstall/installation.h"

using uninstall::Installation;
using uninstall::LoadInstallation;
using uninstall::LoadStatus;
using Bytes = std::vector<std::uint8_t>;

namespace {

class InstallationTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / "uninstall_installation_test";
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "bin");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // dir + "\" + name, as the uninstaller gets its own path.
  std::wstring PathOf(const std::wstring& name) const { return dir_.wstring() + L"\\" + name; }

  void Write(const std::wstring& name, const Bytes& bytes) {
    std::filesystem::path path = dir_;
    for (std::size_t start = 0;;) {
      const std::size_t at = name.find(L'\\', start);
      path /= name.substr(start, at == std::wstring::npos ? std::wstring::npos : at - start);
      if (at == std::wstring::npos) break;
      start = at + 1;
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  // Image + list block of `selfName`, then a record like the installer's.
  Bytes Uninstaller(const std::string& selfName) {
    uninstall::UninstallList list;
    list.selfName = selfName;
    list.folders = {"bin"};
    list.files = {"bin\\p.exe", selfName};
    list.menuLinks = {"组\\卸载"};
    Bytes bytes = {'M', 'Z', 0, 0};
    Bytes block;
    std::string error;
    EXPECT_TRUE(uninstall::BuildUninstallList(list, block, error));
    bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
  }

  void AppendRecord(const std::wstring& name) {
    InstallRecord record;
    ASSERT_TRUE(record.Open(PathOf(name), 1));
    record.SetNames(L"组", L"产品", L"产品");
    record.Close();
  }

  std::filesystem::path dir_;
};

}  // namespace

TEST_F(InstallationTest, ReadsRecordListAndInstallFolder) {
  Write(L"u.exe", Uninstaller("u.exe"));
  AppendRecord(L"u.exe");
  Installation in;
  ASSERT_EQ(LoadInstallation(PathOf(L"u.exe"), in), LoadStatus::Ok);
  EXPECT_EQ(in.installFolder, dir_.wstring() + L"\\");
  EXPECT_EQ(in.productName, L"产品");
  EXPECT_EQ(in.startMenuFolder, L"组");
  EXPECT_EQ(in.autostartLink, L"产品");
  EXPECT_EQ(in.list.files, (std::vector<std::string>{"bin\\p.exe", "u.exe"}));
}

TEST_F(InstallationTest, AnUninstallerInASubFolder) {
  Write(L"bin\\u.exe", Uninstaller("bin\\u.exe"));
  AppendRecord(L"bin\\u.exe");
  Installation in;
  ASSERT_EQ(LoadInstallation(PathOf(L"bin\\u.exe"), in), LoadStatus::Ok);
  EXPECT_EQ(in.installFolder, dir_.wstring() + L"\\");
}

TEST_F(InstallationTest, NoRecord) {
  Write(L"u.exe", Uninstaller("u.exe"));
  Installation in;
  EXPECT_EQ(LoadInstallation(PathOf(L"u.exe"), in), LoadStatus::NoRecord);
  Write(L"short.exe", Bytes(100, 0));
  EXPECT_EQ(LoadInstallation(PathOf(L"short.exe"), in), LoadStatus::NoRecord);
  EXPECT_EQ(LoadInstallation(PathOf(L"missing.exe"), in), LoadStatus::Unreadable);
}

TEST_F(InstallationTest, DamagedRecordOrList) {
  Bytes bytes = Uninstaller("u.exe");
  const std::size_t imageAndList = bytes.size();
  Write(L"u.exe", bytes);
  AppendRecord(L"u.exe");
  std::ifstream in(dir_ / "u.exe", std::ios::binary);
  Bytes installed((std::istreambuf_iterator<char>(in)), {});
  in.close();
  Installation loaded;

  Bytes wrongOffset = installed;
  wrongOffset[imageAndList] ^= 1;  // recordOffset
  Write(L"u.exe", wrongOffset);
  EXPECT_EQ(LoadInstallation(PathOf(L"u.exe"), loaded), LoadStatus::RecordDamaged);

  Bytes noMagic = installed;
  noMagic[imageAndList + 8] ^= 1;
  Write(L"u.exe", noMagic);
  EXPECT_EQ(LoadInstallation(PathOf(L"u.exe"), loaded), LoadStatus::NoRecord);

  Bytes badList = installed;
  badList[imageAndList - 20] ^= 1;  // last byte of the last item's name
  Write(L"u.exe", badList);
  EXPECT_EQ(LoadInstallation(PathOf(L"u.exe"), loaded), LoadStatus::ListDamaged);
  EXPECT_EQ(loaded.listError, uninstall::ListError::Checksum);
  EXPECT_TRUE(loaded.list.files.empty());
}

TEST_F(InstallationTest, NoListInFrontOfTheRecord) {
  Write(L"u.exe", Bytes(5000, 'x'));
  AppendRecord(L"u.exe");
  Installation in;
  EXPECT_EQ(LoadInstallation(PathOf(L"u.exe"), in), LoadStatus::NoList);
}

TEST_F(InstallationTest, RenamedUninstallerIsInTheWrongPlace) {
  Write(L"other.exe", Uninstaller("u.exe"));
  AppendRecord(L"other.exe");
  Installation in;
  EXPECT_EQ(LoadInstallation(PathOf(L"other.exe"), in), LoadStatus::WrongPlace);
  // Letter case does not matter to Windows.
  Write(L"U.EXE", Uninstaller("u.exe"));
  AppendRecord(L"U.EXE");
  EXPECT_EQ(LoadInstallation(PathOf(L"U.EXE"), in), LoadStatus::Ok);
}
