// The mksetup program end to end: exit codes, messages, default stub and
// output, list --json, verify, extract and record as other tools script them.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <tuple>

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
  // A copy of mksetup in <tree>/native/bin looks for <tree>/<arch>/bin/setup.exe,
  // and an installed one in <prefix>/bin for <prefix>/share/mksetup/<arch>/setup.exe first.
  const fs::path tool = dir / "tree/native/bin/mksetup";
  const fs::path installed = dir / "prefix/bin/mksetup";
  for (const fs::path& copy : {tool, installed}) {
    fs::create_directories(copy.parent_path());
    fs::copy_file(MksetupPath(), copy);
  }
  fs::create_directories(dir / "work");
  const std::string cd = (dir / "work").string();
  RunResult r = RunMksetup({"build", manifest.string()}, tool);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("no win32 installer program at " + (dir / "tree/native/share/mksetup/win32/setup.exe").string() +
                       " or " + (dir / "tree/win32/bin/setup.exe").string()),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("--stub"), std::string::npos);

  WriteFile(dir / "tree/win32/bin/setup.exe", "MZ the 32-bit installer program");
  WriteFile(dir / "tree/win64/bin/setup.exe", "MZ the 64-bit installer program");
  WriteFile(dir / "prefix/share/mksetup/win32/setup.exe", "MZ the installed 32-bit program");
  WriteFile(dir / "prefix/share/mksetup/win64/setup.exe", "MZ the installed 64-bit program");
  const std::vector<std::tuple<fs::path, std::string, std::string>> cases = {
      {tool, "", "MZ the 32-bit installer program"},
      {tool, "win64", "MZ the 64-bit installer program"},
      {installed, "", "MZ the installed 32-bit program"},
      {installed, "win64", "MZ the installed 64-bit program"},
  };
  for (const auto& [program, arch, stubBytes] : cases) {
    // No -o and no output key: <product name>-setup.exe in the current folder.
    const std::string command = "cd '" + cd + "' && '" + program.string() + "' build '" + manifest.string() + "'" +
                                (arch.empty() ? "" : " --stub-arch " + arch) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(ReadFile(dir / "work/Demo-setup.exe").substr(0, stubBytes.size()), stubBytes) << command;
  }
  EXPECT_EQ(RunMksetup({"build", manifest.string(), "--stub-arch", "arm64"}, tool).exitCode, 2);
  EXPECT_EQ(RunMksetup({"build", manifest.string(), "--stub-arch", "win64", "--stub", stub.string()}).exitCode, 2);

  // The manifest's output key, relative to the manifest's folder.
  WriteFile(manifest, ReadFile(manifest).insert(0, "output = \"dist/named.exe\"\n"));
  r = RunMksetup({"build", manifest.string()}, tool);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir / "dist/named.exe"));

  r = RunMksetup({"--version"}, installed);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, std::string("mksetup ") + SETUP_VERSION + "\n");
}

// Signing with osslsigncode and a certificate made here with openssl.
class SignedBuild : public Cli {
 protected:
  void SetUp() override {
    Cli::SetUp();
    stub = MakePeStub(dir.path());
    const std::string at = "cd '" + dir.path().string() + "' && ";
    ASSERT_EQ(std::system((at + "openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
                                "-subj /CN=mksetup-test >/dev/null 2>&1 && openssl pkcs12 -export -inkey key.pem "
                                "-in cert.pem -out cert.pfx -passout pass:secret")
                              .c_str()),
              0);
  }
  std::string Signer(const std::string& password = "secret") const {
    return "osslsigncode sign -pkcs12 '" + (dir / "cert.pfx").string() + "' -pass " + password + " -in {in} -out {out}";
  }
  int OsslVerify(const std::string& installer) const {
    const std::string command =
        "osslsigncode verify -CAfile '" + (dir / "cert.pem").string() + "' '" + installer + "' >/dev/null 2>&1";
    return std::system(command.c_str());
  }
};

TEST_F(SignedBuild, TheSignedInstallerIsSoundAndOnlyReadByListVerifyAndExtract) {
  // A signed record file: the install record will break its signature.
  ASSERT_EQ(std::system(("osslsigncode sign -pkcs12 '" + (dir / "cert.pfx").string() + "' -pass secret -in '" +
                         MakePeStub(dir.path(), "u.exe").string() + "' -out '" +
                         (dir / "payload/uninstall.exe").string() + "' >/dev/null 2>&1")
                            .c_str()),
            0);
  WriteFile(manifest, ReadFile(manifest).insert(ReadFile(manifest).find("[files]"), "record_file = 'uninstall.exe'\n"));
  const std::string out = (dir / "Demo-setup.exe").string();
  RunResult r = RunMksetup({"build", manifest.string(), "-o", out, "--stub", stub.string(), "--sign", Signer()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(r.out.size() - 9), ", signed\n") << r.out;
  EXPECT_NE(r.err.find("mksetup: warning: product.record_file 'uninstall.exe' is a signed program"), std::string::npos)
      << r.err;
  const std::string bytes = ReadFile(out);
  ASSERT_EQ(OsslVerify(out), 0);

  r = RunMksetup({"list", out});
  EXPECT_NE(r.out.find("installer program: PE32 (32-bit Windows), signed\n"), std::string::npos) << r.out;
  EXPECT_EQ(RunMksetup({"verify", out}).exitCode, 0);
  EXPECT_EQ(RunMksetup({"extract", out, (dir / "x").string()}).exitCode, 0);
  EXPECT_EQ(Snapshot(dir / "x"), Snapshot(dir / "payload"));
  EXPECT_TRUE(ReadFile(out) == bytes);
  EXPECT_EQ(OsslVerify(out), 0);
}

TEST_F(SignedBuild, AFailedSigningLeavesTheEarlierOutputAndNothingElse) {
  // Signs, then changes one byte of a file's blob inside the signed copy.
  WriteFile(dir / "tamper.sh", "osslsigncode sign -pkcs12 '" + (dir / "cert.pfx").string() +
                                   "' -pass secret -in \"$1\" -out \"$2\" && python3 -c \"import sys\n"
                                   "d = bytearray(open(sys.argv[1], 'rb').read())\n"
                                   "d[d.find('docs\\\\说明.txt'.encode()) + 20] ^= 1\n"
                                   "open(sys.argv[1], 'wb').write(d)\" \"$2\"\n");
  const std::string tamper = "sh '" + (dir / "tamper.sh").string() + "' {in} {out}";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Signer("wrong"), "signing: 'osslsigncode' exited with code "},
      {"cp {in} {out}", "signing: the command succeeded but the installer carries no signature"},
      {"true {in}", "signing: the command succeeded but the installer carries no signature"},
      {"true {in} {out}", "signing: the command left no signed installer at "},
      {tamper, "signing: the signed installer is faulty: fault at byte "},
      {"no-such-signer {in}", "signing: cannot start 'no-such-signer': No such file or directory"},
      {"signtool sign out.exe", "--sign: the command does not name the installer to sign as {in}"},
      {"sign '{in}", "--sign: the quote ' is not closed"},
  };
  const fs::path out = dir / "out/Demo-setup.exe";
  WriteFile(out, "earlier installer");
  for (const auto& [command, message] : cases) {
    RunResult r =
        RunMksetup({"build", manifest.string(), "-o", out.string(), "--stub", stub.string(), "--sign", command});
    EXPECT_EQ(r.exitCode, 2) << command;
    EXPECT_NE(r.err.find("mksetup: error: " + message), std::string::npos) << command << ": " << r.err;
    EXPECT_TRUE(ReadFile(out) == "earlier installer") << command;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 1) << command;
  }
}

TEST_F(SignedBuild, TheManifestSignsInItsOwnFolderUnlessTheCommandLineSaysOtherwise) {
  WriteFile(manifest, ReadFile(manifest) +
                          "[sign]\ncommand = \"osslsigncode sign -pkcs12 cert.pfx -pass secret "
                          "-in {in} -out {out}\"\n");
  const std::string out = (dir / "m.exe").string();
  RunResult r = RunMksetup({"build", manifest.string(), "-o", out, "--stub", stub.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(OsslVerify(out), 0);
  r = RunMksetup({"build", manifest.string(), "-o", out, "--stub", stub.string(), "--sign", "cp {in} {out}"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("carries no signature"), std::string::npos) << r.err;
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
