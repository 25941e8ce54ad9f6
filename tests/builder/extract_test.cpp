// extract: nothing written through symbolic links out of the folder, and
// entries that fail named. (Refusing damaged and hostile packages before
// anything is written: tests/hardening/damage_corpus_test.cpp.)
#include <gtest/gtest.h>

#include "builder/installer_build.h"
#include "builder/package_extract.h"
#include "test_support.h"

namespace {

using namespace buildertest;

class Extract : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "payload/ab.txt", "first file");
    WriteFile(dir / "payload/bin/Demo.exe", "MZ program");
    WriteFile(dir / "payload/zz.txt", "last file");
    builder::BuildOptions options;
    options.manifest = WriteManifest(dir.path(), "main_program = 'bin\\Demo.exe'");
    options.stub = MakeStub(dir.path());
    options.output = dir / "sound.exe";
    builder::BuildResult result;
    std::string error;
    ASSERT_TRUE(builder::BuildInstaller(options, result, error)) << error;
    bytes = ReadFile(dir / "sound.exe");
  }
  bool Run(const std::string& installer, const fs::path& into, builder::ExtractReport& report, std::string& error) {
    WriteFile(dir / "x.exe", installer);
    return builder::ExtractInstaller(dir / "x.exe", into, report, error);
  }
  TempDir dir;
  std::string bytes;
};

TEST_F(Extract, DoesNotWriteThroughSymbolicLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
  fs::create_directories(dir / "out");
  fs::create_directories(dir / "elsewhere");
  fs::create_directory_symlink(dir / "elsewhere", dir / "out/bin");
  WriteFile(dir / "victim.txt", "keep me");
  fs::create_symlink(dir / "victim.txt", dir / "out/zz.txt");
  builder::ExtractReport report;
  std::string error;
  ASSERT_TRUE(Run(bytes, dir / "out", report, error)) << error;
  ASSERT_EQ(report.failures.size(), 3u);
  EXPECT_NE(report.failures[0].find("entry 'bin'"), std::string::npos) << report.failures[0];
  EXPECT_NE(report.failures[1].find("entry 'bin\\Demo.exe'"), std::string::npos);
  EXPECT_NE(report.failures[2].find("entry 'zz.txt'"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
  EXPECT_EQ(ReadFile(dir / "victim.txt"), "keep me");
  EXPECT_EQ(ReadFile(dir / "out/ab.txt"), "first file");
}

TEST_F(Extract, AFileInTheWayOfAFolder) {
  WriteFile(dir / "out/bin", "a file where the folder goes");
  builder::ExtractReport report;
  std::string error;
  ASSERT_TRUE(Run(bytes, dir / "out", report, error)) << error;
  ASSERT_EQ(report.failures.size(), 2u);
  EXPECT_NE(report.failures[0].find("entry 'bin': the folder"), std::string::npos) << report.failures[0];
  EXPECT_NE(report.failures[1].find("entry 'bin\\Demo.exe'"), std::string::npos);
}

}  // namespace
