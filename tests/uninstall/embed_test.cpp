// mksetup with product.uninstaller = true: the uninstaller goes into the
// package as the record file, carrying the package's installed-entries list.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "builder/installer_build.h"
#include "builder/package_extract.h"
#include "builder/package_verify.h"
#include "uninstall/uninstall_list.h"

namespace fs = std::filesystem;

namespace {

void Put(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

std::string Get(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class EmbedTest : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / "uninstall_embed_test";
    fs::remove_all(root_);
    Put(root_ / "payload" / "bin" / "p.exe", "MZ program");
    Put(root_ / "payload" / "docs" / fs::path(u8"说明.txt"), "text");  // UTF-8 on every system
    Put(root_ / "payload" / "zz.txt", "last");
    fs::create_directories(root_ / "payload" / "data" / "empty");
    Put(root_ / "stub.exe", "MZ stub");
    Put(root_ / "uninst.exe", "MZ the uninstaller");
  }
  void TearDown() override { fs::remove_all(root_); }

  // Builds with the [product] lines `product`; true when an installer came out.
  bool Build(const std::string& product, std::string& error, std::vector<std::string>* warnings = nullptr) {
    Put(root_ / "setup.toml",
        "[product]\nname = \"Demo\"\nmain_program = 'bin\\p.exe'\n" + product +
            "\n[files]\nsource = \"payload\"\n\n[[shortcut]]\nmenu = '组\\Demo'\n"
            "target = 'bin\\p.exe'\n\n[[shortcut]]\nmenu = '组\\卸载'\ntarget = 'uninstall.exe'\n");
    builder::BuildOptions options;
    options.manifest = root_ / "setup.toml";
    options.output = root_ / "out" / "setup.exe";
    options.stub = root_ / "stub.exe";
    options.uninstaller = root_ / "uninst.exe";
    options.threads = 1;
    builder::BuildResult result;
    const bool ok = builder::BuildInstaller(options, result, error);
    if (warnings) *warnings = result.warnings;
    return ok;
  }

  // Extracts the installer and reads the list from the uninstaller at rel.
  uninstall::ListError Installed(const std::string& rel, std::string& head, uninstall::UninstallList& list) {
    builder::ExtractReport report;
    std::string error;
    EXPECT_TRUE(builder::ExtractInstaller(root_ / "out" / "setup.exe", root_ / "x", report, error)) << error;
    const std::string bytes = Get(root_ / "x" / rel);
    head = bytes.substr(0, 18);
    return uninstall::ParseUninstallList(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), list);
  }

  fs::path root_;
};

}  // namespace

TEST_F(EmbedTest, TheUninstallerCarriesEveryEntryAndMenuPath) {
  std::string error;
  ASSERT_TRUE(Build("uninstaller = true", error)) << error;
  std::string summary;
  builder::ScanFault fault;
  EXPECT_TRUE(builder::VerifyInstaller(root_ / "out" / "setup.exe", summary, fault)) << fault.what;
  std::string head;
  uninstall::UninstallList list;
  ASSERT_EQ(Installed("uninstall.exe", head, list), uninstall::ListError::None);
  EXPECT_EQ(head, "MZ the uninstaller");
  EXPECT_EQ(list.selfName, "uninstall.exe");  // the record file's default name
  EXPECT_EQ(list.folders, (std::vector<std::string>{"bin", "data", "data\\empty", "docs"}));
  EXPECT_EQ(list.files, (std::vector<std::string>{"bin\\p.exe", "docs\\说明.txt", "uninstall.exe", "zz.txt"}));
  EXPECT_EQ(list.menuLinks, (std::vector<std::string>{"组\\Demo", "组\\卸载"}));
}

TEST_F(EmbedTest, ARecordFileInASubFolderGoesThereInListingOrder) {
  std::string error;
  ASSERT_TRUE(Build("uninstaller = true\nrecord_file = 'BIN\\a.exe'", error)) << error;
  std::string head;
  uninstall::UninstallList list;
  ASSERT_EQ(Installed("bin/a.exe", head, list), uninstall::ListError::None);
  EXPECT_EQ(list.selfName, "bin\\a.exe");
  EXPECT_EQ(list.files, (std::vector<std::string>{"bin\\a.exe", "bin\\p.exe", "docs\\说明.txt", "zz.txt"}));
}

TEST_F(EmbedTest, ASourceFileOfTheSameNameGivesWay) {
  Put(root_ / "payload" / "uninstall.exe", "placeholder");
  std::string error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(Build("uninstaller = true", error, &warnings)) << error;
  bool warned = false;
  for (const std::string& w : warnings) warned = warned || w.find("replaced by the uninstaller") != std::string::npos;
  EXPECT_TRUE(warned);
  std::string head;
  uninstall::UninstallList list;
  ASSERT_EQ(Installed("uninstall.exe", head, list), uninstall::ListError::None);
  EXPECT_EQ(head, "MZ the uninstaller");
  EXPECT_EQ(std::count(list.files.begin(), list.files.end(), "uninstall.exe"), 1);
}

TEST_F(EmbedTest, WithoutTheKeyTheRecordFileIsTheSourceFile) {
  Put(root_ / "payload" / "uninstall.exe", "placeholder");
  std::string error;
  ASSERT_TRUE(Build("record_file = 'uninstall.exe'\nuninstaller = false", error)) << error;
  std::string head;
  uninstall::UninstallList list;
  EXPECT_EQ(Installed("uninstall.exe", head, list), uninstall::ListError::NoBlock);
  EXPECT_EQ(head, "placeholder");
}

TEST_F(EmbedTest, FaultsLeaveNoInstaller) {
  std::string error;
  EXPECT_FALSE(Build("uninstaller = 'yes'", error));
  EXPECT_NE(error.find("product.uninstaller"), std::string::npos) << error;
  EXPECT_FALSE(Build("uninstaller = true\nrecord_file = 'nowhere\\u.exe'", error));
  EXPECT_NE(error.find("record_file"), std::string::npos) << error;
  EXPECT_FALSE(Build("uninstaller = true\nrecord_file = 'docs'", error));
  EXPECT_NE(error.find("folder"), std::string::npos) << error;
  fs::remove(root_ / "uninst.exe");
  EXPECT_FALSE(Build("uninstaller = true", error));
  EXPECT_NE(error.find("uninst.exe"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(root_ / "out" / "setup.exe"));
  // No temporary uninstaller is left behind.
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
    EXPECT_EQ(entry.path().filename().string().find("mksetup-uninstaller-"), std::string::npos);
}
