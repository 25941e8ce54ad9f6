// mksetup with product.uninstaller = true: the uninstaller goes into the
// package as the record file, carrying the package's installed-entries list.
#include <gtest/gtest.h>

#include <fstream>

#include "builder/installer_build.h"
#include "builder/package_extract.h"
#include "temp_folder.h"
#include "uninstall/uninstall_list.h"

namespace {

namespace fs = std::filesystem;

class UninstallEmbed : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"payload/bin/p.exe", "payload/docs/说明.txt", "payload/zz.txt", "stub.exe", "uninst.exe"})
      Put(file, std::string("MZ ") + file);
    fs::create_directories(At("payload/data/empty"));
  }
  // Writes a file below the root; names are UTF-8 on every system.
  fs::path At(const std::string& file) const { return root.Path() / fs::path(std::u8string(file.begin(), file.end())); }
  void Put(const std::string& file, const std::string& bytes) {
    fs::create_directories(At(file).parent_path());
    std::ofstream(At(file), std::ios::binary) << bytes;
  }

  // Builds with the [product] lines `product`; true when an installer came out.
  bool Build(const std::string& product, std::string& error, std::vector<std::string>* warnings = nullptr) {
    Put("setup.toml", "[product]\nname = \"Demo\"\nmain_program = 'bin\\p.exe'\n" + product +
                          "\n[files]\nsource = \"payload\"\n\n[[shortcut]]\nmenu = '组\\Demo'\n"
                          "target = 'bin\\p.exe'\n\n[[shortcut]]\nmenu = '组\\卸载'\ntarget = 'uninstall.exe'\n");
    builder::BuildOptions options;
    options.manifest = At("setup.toml");
    options.output = At("out/setup.exe");
    options.stub = At("stub.exe");
    options.uninstaller = At("uninst.exe");
    options.threads = 1;
    builder::BuildResult result;
    const bool ok = builder::BuildInstaller(options, result, error);
    if (warnings) *warnings = result.warnings;
    return ok;
  }

  // Extracts the installer and reads the list from the uninstaller at rel,
  // whose first bytes go to head.
  uninstall::ListError Installed(const std::string& rel, std::string& head, uninstall::UninstallList& list) {
    builder::ExtractReport report;
    std::string error;
    fs::remove_all(At("x"));
    EXPECT_TRUE(builder::ExtractInstaller(At("out/setup.exe"), At("x"), report, error)) << error;
    const std::vector<unsigned char> bytes = TempFolder::ReadBytes(At("x/" + rel));
    head = std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 11));
    return uninstall::ParseUninstallList(bytes.data(), bytes.size(), list);
  }

  TempFolder root;
};

TEST_F(UninstallEmbed, TheUninstallerCarriesEveryEntryAndMenuPath) {
  Put("payload/uninstall.exe", "placeholder");  // gives way to the uninstaller
  std::string error, head;
  std::vector<std::string> warnings;
  ASSERT_TRUE(Build("uninstaller = true", error, &warnings)) << error;
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("replaced by the uninstaller"), std::string::npos) << warnings[0];
  uninstall::UninstallList list;
  ASSERT_EQ(Installed("uninstall.exe", head, list), uninstall::ListError::None);
  EXPECT_EQ(head, "MZ uninst.e");
  EXPECT_EQ(list.selfName, "uninstall.exe");  // the record file's default name
  EXPECT_EQ(list.folders, (std::vector<std::string>{"bin", "data", "data\\empty", "docs"}));
  EXPECT_EQ(list.files, (std::vector<std::string>{"bin\\p.exe", "docs\\说明.txt", "uninstall.exe", "zz.txt"}));
  EXPECT_EQ(list.menuLinks, (std::vector<std::string>{"组\\Demo", "组\\卸载"}));

  // A record file in a sub-folder takes its place in listing order.
  ASSERT_TRUE(Build("uninstaller = true\nrecord_file = 'BIN\\a.exe'", error)) << error;
  ASSERT_EQ(Installed("bin/a.exe", head, list), uninstall::ListError::None);
  EXPECT_EQ(list.selfName, "bin\\a.exe");
  EXPECT_EQ(list.files,
            (std::vector<std::string>{"bin\\a.exe", "bin\\p.exe", "docs\\说明.txt", "uninstall.exe", "zz.txt"}));

  // Without the key the record file is the packaged file.
  ASSERT_TRUE(Build("record_file = 'uninstall.exe'\nuninstaller = false", error)) << error;
  EXPECT_EQ(Installed("uninstall.exe", head, list), uninstall::ListError::NoBlock);
  EXPECT_EQ(head, "placeholder");
}

TEST_F(UninstallEmbed, WithoutTheUninstallerNoInstallerIsLeft) {
  std::string error;
  fs::remove(At("uninst.exe"));
  EXPECT_FALSE(Build("uninstaller = true", error));
  EXPECT_NE(error.find("uninst.exe"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(At("out/setup.exe")));
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
    EXPECT_EQ(entry.path().filename().string().find("mksetup-uninstaller-"), std::string::npos);
}

}  // namespace
