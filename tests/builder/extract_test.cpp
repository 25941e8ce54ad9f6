// extract: unsafe names refused before anything is written, nothing written
// through symbolic links out of the folder, failing entries named.
#include <gtest/gtest.h>

#include <cstring>

#include "builder/installer_build.h"
#include "builder/package_extract.h"
#include "builder/package_scan.h"
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
    builder::ScanFault fault;
    ASSERT_TRUE(builder::ScanPackage(dir / "sound.exe", builder::ScanOptions{}, scan, fault));
  }
  bool Run(const std::string& installer, const fs::path& into, builder::ExtractReport& report, std::string& error) {
    WriteFile(dir / "x.exe", installer);
    return builder::ExtractInstaller(dir / "x.exe", into, report, error);
  }
  TempDir dir;
  std::string bytes;
  builder::PackageScan scan;
};

TEST_F(Extract, UnsafeNamesRefuseTheWholePackage) {
  for (const char* bad : {"..\\..\\evil", "C:\\win.ini"}) {
    // Rename "ab.txt" (6 bytes) to an unsafe name of the same length.
    std::string damaged = bytes;
    std::string name = std::string(bad).substr(0, 6);
    std::memcpy(&damaged[scan.entries[0].offset + 20], name.data(), 6);
    builder::ExtractReport report;
    std::string error;
    EXPECT_FALSE(Run(damaged, dir / "out", report, error)) << name;
    EXPECT_NE(error.find("unsafe name"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "out")) << name;
  }
}

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

TEST_F(Extract, AFailingEntryIsNamedAndTheRestStillExtracted) {
  std::string damaged = bytes;
  const std::int64_t blob = scan.entries[2].offset + 20 + static_cast<std::int64_t>(scan.entries[2].name.size());
  damaged[blob + 9] ^= 0x40;  // bin\Demo.exe no longer passes its checksum
  builder::ExtractReport report;
  std::string error;
  ASSERT_TRUE(Run(damaged, dir / "out", report, error)) << error;
  ASSERT_EQ(report.failures.size(), 1u);
  EXPECT_NE(report.failures[0].find("entry 'bin\\Demo.exe': cannot be extracted"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "out/bin/Demo.exe"));
  EXPECT_EQ(ReadFile(dir / "out/zz.txt"), "last file");
  EXPECT_EQ(report.files, 2);
  EXPECT_EQ(report.folders, 1);
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

TEST_F(Extract, NotAPackage) {
  builder::ExtractReport report;
  std::string error;
  EXPECT_FALSE(Run("MZ just a program, no package at all, long enough for a trailer", dir / "out", report, error));
  EXPECT_NE(error.find("not a readable package"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "out"));
}

}  // namespace
