// The mksetup program end to end: exit codes, messages, default stub and
// output, list --json, verify, extract and record as other tools script them.
#include <gtest/gtest.h>

#include <cstring>

#include "builder/path_text.h"
#include "integration/install_record.h"
#include "test_support.h"

namespace {

using namespace buildertest;

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "payload/bin/Demo.exe", "MZ demo program");
    WriteFile(dir / "payload/docs/说明.txt", "说明\n");
    WriteFile(dir / "LICENSE.txt", "许可协议\n");
    manifest = WriteManifest(dir.path(), "license = \"LICENSE.txt\"\nmain_program = 'bin\\Demo.exe'\n",
                             "[[shortcut]]\nmenu = 'Demo\\Demo'\ntarget = 'bin\\Demo.exe'\ndescription = \"启动\"\n");
    stub = MakeStub(dir.path());
  }
  TempDir dir;
  fs::path manifest, stub;
};

TEST_F(Cli, BuildListVerifyExtract) {
  const std::string out = (dir / "Demo-setup.exe").string();
  RunResult r = RunMksetup({"build", manifest.string(), "-o", out, "--stub", stub.string(), "-j", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("wrote " + out), std::string::npos) << r.out;
  EXPECT_EQ(r.err, "");  // no warnings, and no progress bar when stderr is not a terminal

  r = RunMksetup({"list", out});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("product name: Demo\nheading: Demo 安装程序\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("main program: bin\\Demo.exe\n"), std::string::npos);
  EXPECT_NE(r.out.find("docs\\说明.txt"), std::string::npos);
  EXPECT_NE(r.out.find("Demo\\Demo -> bin\\Demo.exe  (启动)"), std::string::npos);

  r = RunMksetup({"list", out, "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.front(), '{');
  EXPECT_NE(r.out.find("\"product_name\": \"Demo\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"type\": \"file\", \"name\": \"bin\\\\Demo.exe\", \"stored_size\": "), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"raw_size\": 15}"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"menu\": \"Demo\\\\Demo\", \"target\": \"bin\\\\Demo.exe\", \"description\": \"启动\"}"),
            std::string::npos);
  EXPECT_NE(r.out.find("\"agreement_text_size\": 14,"), std::string::npos) << r.out;

  r = RunMksetup({"verify", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find(": sound: 2 folders, 2 files"), std::string::npos) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);

  r = RunMksetup({"extract", out, (dir / "x").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Snapshot(dir / "x"), Snapshot(dir / "payload"));
}

TEST_F(Cli, BadInputExitsWithTwoAndNamesTheKey) {
  WriteFile(manifest, "[product]\nname = \"Demo\"\nmain = 'x'\n[files]\nsource = \"payload\"\n");
  RunResult r = RunMksetup({"build", manifest.string(), "--stub", stub.string(), "-o", (dir / "o.exe").string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("setup.toml: product.main: is not a known key; no installer written"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "o.exe"));

  r = RunMksetup({"build", (dir / "none.toml").string(), "--stub", stub.string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("none.toml: cannot open the manifest"), std::string::npos) << r.err;

  r = RunMksetup({"build", manifest.string(), "-j", "0", "--stub", stub.string()});
  EXPECT_EQ(r.exitCode, 2);
  r = RunMksetup({"frobnicate"});
  EXPECT_EQ(r.exitCode, 2);
  r = RunMksetup({});
  EXPECT_EQ(r.exitCode, 2);
  r = RunMksetup({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("build"), std::string::npos);
}

TEST_F(Cli, WarningsGoToStderrAndTheBuildSucceeds) {
  WriteManifest(dir.path(), "main_program = 'bin\\Missing.exe'");
  RunResult r = RunMksetup({"build", manifest.string(), "--stub", stub.string(), "-o", (dir / "w.exe").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("mksetup: warning: product.main_program 'bin\\Missing.exe' is not among the packaged files"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(fs::exists(dir / "w.exe"));

  // An installer written into the source tree would be packaged by the next build.
  r = RunMksetup({"build", manifest.string(), "--stub", stub.string(), "-o", (dir / "payload/in.exe").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("in.exe: the installer lies inside files.source"), std::string::npos) << r.err;
}

TEST_F(Cli, DefaultStubAndOutput) {
  // A copy of mksetup in <tree>/native/bin looks for <tree>/win64/bin/setup.exe.
  fs::create_directories(dir / "tree/native/bin");
  const fs::path tool = dir / "tree/native/bin/mksetup";
  fs::copy_file(MksetupPath(), tool);
  fs::create_directories(dir / "work");
  const std::string cd = (dir / "work").string();
  RunResult r = RunMksetup({"build", manifest.string()}, tool);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no installer program at " + (dir / "tree/win64/bin/setup.exe").string()), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("--stub"), std::string::npos);

  WriteFile(dir / "tree/win64/bin/setup.exe", "MZ the installer program");
  // No -o and no output key: <product name>-setup.exe in the current folder.
  const std::string command =
      "cd '" + cd + "' && '" + tool.string() + "' build '" + manifest.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string built = ReadFile(dir / "work/Demo-setup.exe");
  EXPECT_EQ(built.substr(0, 24), "MZ the installer program");

  // The manifest's output key, relative to the manifest's folder.
  WriteFile(manifest, ReadFile(manifest).insert(0, "output = \"dist/named.exe\"\n"));
  r = RunMksetup({"build", manifest.string()}, tool);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "dist/named.exe"));
}

TEST_F(Cli, VerifyAndExtractFaultsExitWithOne) {
  const std::string out = (dir / "d.exe").string();
  ASSERT_EQ(RunMksetup({"build", manifest.string(), "-o", out, "--stub", stub.string()}).exitCode, 0);
  std::string bytes = ReadFile(out);
  bytes[bytes.size() - 44 + 8] ^= 1;
  WriteFile(out, bytes);
  RunResult r = RunMksetup({"verify", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("fault at byte " + std::to_string(bytes.size() - 44 + 8) + ": trailer word 2"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(RunMksetup({"list", out}).exitCode, 1);
  EXPECT_EQ(RunMksetup({"extract", out, (dir / "x").string()}).exitCode, 1);
  EXPECT_EQ(RunMksetup({"verify", (dir / "missing.exe").string()}).exitCode, 2);
}

TEST_F(Cli, RecordReadsTheBlockAnInstallationAppended) {
  // The uninstaller as an installation leaves it: its bytes, then the block.
  const fs::path uninstaller = dir / "安装目录/卸载.exe";
  WriteFile(uninstaller, "MZ" + RandomBytes(3000, 11));
  {
    InstallRecord record;
    ASSERT_TRUE(record.Open(builder::PathToWide(uninstaller), 1));
    record.SetNames(L"示例\\工具", L"示例软件", L"示例软件");
    record.Close();
  }
  RunResult r = RunMksetup({"record", uninstaller.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "offset: 3002\nmagic: 0x12030416\nstart-menu folder: 示例\\工具\nproduct name: 示例软件\n"
            "log-on shortcut: 示例软件\nfile size: 3790\nconsistent: yes\n");
  EXPECT_EQ(r.err, "");

  r = RunMksetup({"record", uninstaller.string(), "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\n  \"offset\": 3002,\n  \"magic\": \"0x12030416\",\n  \"start_menu_folder\": \"示例\\\\工具\",\n"
            "  \"product_name\": \"示例软件\",\n  \"autostart_link\": \"示例软件\",\n  \"file_size\": 3790,\n"
            "  \"consistent\": true\n}\n");
}

TEST_F(Cli, RecordWithoutABlockExitsWithOneAndUnreadableWithTwo) {
  WriteFile(dir / "plain.exe", "MZ" + std::string(2000, 'p'));
  RunResult r = RunMksetup({"record", (dir / "plain.exe").string(), "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("plain.exe: no install record: the last 788 bytes do not hold 0x12030416 at byte 8"),
            std::string::npos)
      << r.err;

  WriteFile(dir / "short.exe", std::string(100, '\0'));
  r = RunMksetup({"record", (dir / "short.exe").string()});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("short.exe: 100 bytes, shorter than an install record (788 bytes)"), std::string::npos) << r.err;

  r = RunMksetup({"record", (dir / "missing.exe").string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("missing.exe: cannot be opened"), std::string::npos) << r.err;
  EXPECT_EQ(RunMksetup({"record"}).exitCode, 2);
}

}  // namespace

namespace {

// The sample product of examples/ (as scripts/demo stages it) builds without
// a warning and verifies.
TEST(Example, SampleProductBuildsCleanly) {
  const char* source = std::getenv("SETUP_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  buildertest::TempDir dir;
  namespace fs = std::filesystem;
  fs::copy(fs::path(source) / "examples/sample", dir / "sample", fs::copy_options::recursive);
  buildertest::WriteFile(dir / "sample/payload/bin/Example.exe", "MZ stands in for example-app.exe");
  buildertest::WriteFile(dir / "uninstall.exe", "MZ stands in for uninstall.exe");
  const std::string out = (dir / "Example-setup.exe").string();
  buildertest::RunResult r = buildertest::RunMksetup({"build", (dir / "sample/setup.toml").string(), "--stub",
                                                      buildertest::MakeStub(dir.path()).string(), "--uninstaller",
                                                      (dir / "uninstall.exe").string(), "-o", out});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  r = buildertest::RunMksetup({"verify", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = buildertest::RunMksetup({"list", out});
  EXPECT_NE(r.out.find("picture: "), std::string::npos);
  EXPECT_EQ(r.out.find("picture: 0 bytes"), std::string::npos);
  EXPECT_NE(r.out.find("shortcuts: 2\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("docs\\使用说明.txt"), std::string::npos);
  EXPECT_NE(r.out.find("uninstall.exe"), std::string::npos) << "the uninstaller is packed";
}

}  // namespace
