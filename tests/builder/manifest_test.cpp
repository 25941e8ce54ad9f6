// Manifest reading: every error names the file and the key (or line and
// column); the licence text conversion; the warnings a build reports.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "builder/installer_build.h"
#include "builder/license_text.h"
#include "builder/manifest.h"
#include "builder/manifest_checks.h"
#include "test_support.h"

namespace {

using namespace buildertest;
using builder::Manifest;

std::string ParseError(const std::string& text) {
  Manifest m;
  std::string error;
  EXPECT_FALSE(builder::ParseManifest(text, "dir/setup.toml", m, error)) << text;
  return error;
}

const char* kMinimal = "[product]\nname = \"Demo\"\n[files]\nsource = \"payload\"\n";

TEST(Manifest, ReadsEveryKeyAndResolvesPathsAgainstTheManifestFolder) {
  Manifest m;
  std::string error;
  const std::string text =
      "output = \"dist/Demo-setup.exe\"\n"
      "[product]\nname = \"Demo\"\nheading = \"\"\nnotice = \"n\"\nrights = \"r\"\nwelcome = \"欢迎\"\n"
      "picture = \"logo.png\"\nlicense = \"LICENSE.txt\"\nmain_program = 'bin\\Demo.exe'\nrecord_file = 'uninstall.exe'\n"
      "[files]\nsource = \"payload\"\n"
      "[[shortcut]]\nmenu = 'Demo\\Demo'\ntarget = 'bin\\Demo.exe'\ndescription = \"启动\"\n"
      "[[shortcut]]\nmenu = 'Demo2'\ntarget = 'C:\\Windows\\notepad.exe'\n"
      "[sign]\ncommand = \"osslsigncode sign -pkcs12 'my cert.pfx' -in {in} -out={out}\"\n";
  ASSERT_TRUE(builder::ParseManifest(text, "dir/setup.toml", m, error)) << error;
  EXPECT_EQ(m.output, fs::path("dir/dist/Demo-setup.exe"));
  EXPECT_EQ(m.texts.productName, "Demo");
  EXPECT_EQ(m.texts.heading, "");
  EXPECT_EQ(m.texts.welcome, "欢迎");
  EXPECT_EQ(m.picture, fs::path("dir/logo.png"));
  EXPECT_EQ(m.license, fs::path("dir/LICENSE.txt"));
  EXPECT_EQ(m.mainProgram, "bin\\Demo.exe");
  EXPECT_EQ(m.recordFile, "uninstall.exe");
  EXPECT_EQ(m.source, fs::path("dir/payload"));
  ASSERT_EQ(m.shortcuts.size(), 2u);
  EXPECT_EQ(m.shortcuts[0].menu, "Demo\\Demo");
  EXPECT_EQ(m.shortcuts[1].target, "C:\\Windows\\notepad.exe");
  EXPECT_EQ(m.shortcuts[1].description, "");
  EXPECT_EQ(m.sign.words,
            (std::vector<std::string>{"osslsigncode", "sign", "-pkcs12", "my cert.pfx", "-in", "{in}", "-out={out}"}));
  EXPECT_EQ(m.sign.folder, fs::path("dir"));
  // A list of texts is taken word for word.
  ASSERT_TRUE(builder::ParseManifest(std::string(kMinimal) + "[sign]\ncommand = ['sign tool', '{in}']\n",
                                     "dir/setup.toml", m, error))
      << error;
  EXPECT_EQ(m.sign.words, (std::vector<std::string>{"sign tool", "{in}"}));
}

TEST(Manifest, ErrorsNameTheKeyAtFault) {
  EXPECT_NE(ParseError("[files]\nsource = \"p\"\n").find("product: table [product] is missing"), std::string::npos);
  EXPECT_NE(ParseError("[product]\nheading = \"x\"\n[files]\nsource = \"p\"\n").find("product.name: is missing"),
            std::string::npos);
  EXPECT_NE(ParseError("[product]\nname = 5\n[files]\nsource = \"p\"\n").find("product.name: must be a text"),
            std::string::npos);
  EXPECT_NE(ParseError("[product]\nname = \"D\"\nlicence = \"x\"\n[files]\nsource = \"p\"\n")
                .find("product.licence: is not a known key"),
            std::string::npos);
  EXPECT_NE(ParseError("[product]\nname = \"D\"\n").find("files: table [files] is missing"), std::string::npos);
  EXPECT_NE(ParseError(std::string(kMinimal) + "colour = \"red\"\n").find("files.colour: is not a known key"),
            std::string::npos);
  EXPECT_NE(ParseError("[product]\nname = \"D\"\n[files]\nsource = \"\"\n").find("files.source: is empty"),
            std::string::npos);
  EXPECT_NE(ParseError("[product]\nname = \"a/b\"\n[files]\nsource = \"p\"\n").find("product.name: cannot name"),
            std::string::npos);
  EXPECT_NE(ParseError("[product]\nname = \"D\"\nmain_program = '..\\x.exe'\n[files]\nsource = \"p\"\n")
                .find("product.main_program"),
            std::string::npos);
  EXPECT_NE(ParseError("[product]\nname = \"D\"\nrecord_file = 'C:\\u.exe'\n[files]\nsource = \"p\"\n")
                .find("product.record_file"),
            std::string::npos);
  EXPECT_NE(ParseError(std::string(kMinimal) + "[[shortcut]]\nmenu = 'D\\D'\n").find("shortcut[1].target: is missing"),
            std::string::npos);
  EXPECT_NE(ParseError(std::string(kMinimal) +
                       "[[shortcut]]\nmenu='a\\b'\ntarget='x'\n[[shortcut]]\nmenu = 'D\\a:b'\ntarget = 'x'\n")
                .find("shortcut[2].menu"),
            std::string::npos);
  EXPECT_NE(ParseError(std::string(kMinimal) + "[[shortcut]]\nmenu = 'D\\D'\ntarget = 'x'\nicon = 'y'\n")
                .find("shortcut[1].icon: is not a known key"),
            std::string::npos);
  EXPECT_NE(ParseError("shortcut = 3\n" + std::string(kMinimal)).find("shortcut: must be a list"), std::string::npos);
  for (const auto& [sign, message] : std::vector<std::pair<std::string, std::string>>{
           {"[sign]\n", "sign.command: is missing"},
           {"[sign]\ncommand = 'signtool sign x.exe'\n", "sign.command: the command does not name the installer"},
           {"[sign]\ncommand = \"sign '{in}\"\n", "sign.command: the quote ' is not closed"},
           {"[sign]\ncommand = ['sign', 5]\n", "sign.command: must be a text or a list of texts"},
           {"[sign]\ncommand = '{in}'\nkey = 'k'\n", "sign.key: is not a known key"},
           {"sign = 'x'\n", "sign: must be a table"}}) {
    const std::string text = sign.rfind("[sign]", 0) == 0 ? kMinimal + sign : sign + kMinimal;
    EXPECT_NE(ParseError(text).find(message), std::string::npos) << text << "\n" << ParseError(text);
  }
}

TEST(Manifest, SyntaxErrorsGiveFileLineAndColumn) {
  std::string error = ParseError("[product]\nname = \"Demo\n[files]\n");
  EXPECT_EQ(error.rfind("dir/setup.toml:2:", 0), 0u) << error;
  // Invalid UTF-8 inside a text is a syntax error of the manifest.
  error = ParseError("[product]\nname = \"D\xff\"\n[files]\nsource = \"p\"\n");
  EXPECT_EQ(error.rfind("dir/setup.toml:2:", 0), 0u) << error;
}

TEST(Manifest, LoadNamesAMissingFile) {
  TempDir dir;
  Manifest m;
  std::string error;
  EXPECT_FALSE(builder::LoadManifest(dir / "none.toml", m, error));
  EXPECT_NE(error.find("none.toml: cannot open"), std::string::npos);
}

TEST(AgreementText, LineEndsBecomeCrLfAndTheByteOrderMarkGoes) {
  EXPECT_EQ(builder::ToAgreementText("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(builder::ToAgreementText("\xEF\xBB\xBF许可\n"), "许可\r\n");
  EXPECT_EQ(builder::ToAgreementText("\n\n"), "\r\n\r\n");
  EXPECT_EQ(builder::ToAgreementText(""), "");
}

// A build of a manifest that should fail: exit with a message, no output.
class FailingBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "payload/bin/Demo.exe", "program");
    stub = MakeStub(dir.path());
  }
  std::string Build(const fs::path& manifest, builder::BuildOptions options = {}) {
    options.manifest = manifest;
    options.stub = stub;
    options.output = dir / "out/Demo-setup.exe";
    builder::BuildResult result;
    std::string error;
    EXPECT_FALSE(builder::BuildInstaller(options, result, error));
    EXPECT_FALSE(fs::exists(dir / "out/Demo-setup.exe"));
    if (fs::exists(dir / "out")) {
      EXPECT_EQ(CountPartialFiles(dir / "out"), 0);
    }
    return error;
  }
  TempDir dir;
  fs::path stub;
};

TEST_F(FailingBuild, MissingOrUnreadableInputsAreNamed) {
  EXPECT_NE(Build(WriteManifest(dir.path(), "license = \"none.txt\"")).find("product.license: "), std::string::npos);
  EXPECT_NE(Build(WriteManifest(dir.path(), "picture = \"none.png\"")).find("product.picture: "), std::string::npos);
  WriteFile(dir / "bad.txt", "licence \xC0\xAF text");
  std::string error = Build(WriteManifest(dir.path(), "license = \"bad.txt\""));
  EXPECT_NE(error.find("bad.txt: the licence text is not valid UTF-8"), std::string::npos) << error;
  fs::remove_all(dir / "payload");
  EXPECT_NE(Build(WriteManifest(dir.path())).find("payload: is not a folder"), std::string::npos);
}

TEST_F(FailingBuild, CaseClashInTheSourceTree) {
#ifdef _WIN32
  GTEST_SKIP() << "the file system itself merges names that differ in case";
#endif
  WriteFile(dir / "payload/bin/demo.exe", "other");
  std::string error = Build(WriteManifest(dir.path()));
  EXPECT_NE(error.find("only in letter case"), std::string::npos) << error;
}

TEST_F(FailingBuild, FileLargerThanTheFormatAllows) {
  const fs::path big = dir / "payload/big.bin";
  WriteFile(big, "");
  fs::resize_file(big, 1ull << 31);  // sparse: nothing is written
  std::string error = Build(WriteManifest(dir.path()));
  EXPECT_NE(error.find("big.bin: is 2147483648 bytes"), std::string::npos) << error;
}

TEST_F(FailingBuild, PackagePassingTheSizeLimitLeavesNothing) {
  WriteFile(dir / "payload/noise.bin", RandomBytes(300000, 7));
  builder::BuildOptions options;
  options.maxInstallerSize = 200000;  // stands in for 2 GiB
  std::string error = Build(WriteManifest(dir.path()), options);
  EXPECT_NE(error.find("would pass 200000 bytes"), std::string::npos) << error;
  EXPECT_NE(error.find("noise.bin"), std::string::npos) << error;
}

TEST_F(FailingBuild, UnreadableFile) {
#ifdef _WIN32
  GTEST_SKIP() << "file modes do not deny reading on Windows";
#else
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
#endif
  WriteFile(dir / "payload/secret.txt", "x");
  fs::permissions(dir / "payload/secret.txt", fs::perms::none);
  std::string error = Build(WriteManifest(dir.path()));
  EXPECT_NE(error.find("secret.txt: cannot be opened"), std::string::npos) << error;
}

std::vector<std::string> WarningsOf(const Manifest& m, const std::vector<builder::SourceItem>& items) {
  return builder::CheckManifest(m, items);
}

bool HasWarning(const std::vector<std::string>& warnings, const std::string& part) {
  for (const std::string& w : warnings) {
    if (w.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(ManifestWarnings, ProgramsRecordFileAndTargetsMustBePackaged) {
  Manifest m;
  m.texts.productName = "Demo";
  m.mainProgram = "bin\\Demo.exe";
  m.recordFile = "uninstall.exe";
  m.shortcuts.push_back({"Demo\\Demo", "BIN\\demo.EXE", ""});
  m.shortcuts.push_back({"Demo\\Help", "docs\\help.txt", ""});
  m.shortcuts.push_back({"Demo\\Pad", "C:\\Windows\\notepad.exe", ""});
  std::vector<builder::SourceItem> items = {{true, "bin", {}, 0}, {false, "bin\\Demo.exe", {}, 1}};
  std::vector<std::string> w = WarningsOf(m, items);
  EXPECT_FALSE(HasWarning(w, "main_program"));
  EXPECT_TRUE(HasWarning(w, "product.record_file 'uninstall.exe' is not among the packaged files"));
  EXPECT_FALSE(HasWarning(w, "shortcut[1]"));  // Windows compares names without case
  EXPECT_TRUE(HasWarning(w, "shortcut[2].target 'docs\\help.txt' is not among the packaged files"));
  EXPECT_FALSE(HasWarning(w, "shortcut[3]"));  // a drive path is not checked
  EXPECT_EQ(w.size(), 2u);

  m.mainProgram = "bin";  // a folder is no program
  EXPECT_TRUE(HasWarning(WarningsOf(m, items), "product.main_program 'bin' is not among"));
}

TEST(ManifestWarnings, NamesTheInstallRecordCannotHold) {
  Manifest m;
  m.mainProgram = "a.exe";
  std::vector<builder::SourceItem> items = {{false, "a.exe", {}, 1}};
  m.texts.productName = std::string(255, 'p');
  m.shortcuts.push_back({std::string(255, 'g') + "\\x", "a.exe", ""});
  std::vector<std::string> w = WarningsOf(m, items);
  EXPECT_FALSE(HasWarning(w, "product.name"));
  EXPECT_FALSE(HasWarning(w, "group folder"));
  m.texts.productName = std::string(253, 'p') + "安";  // 256 UTF-8 bytes
  m.shortcuts[0].menu = std::string(256, 'g') + "\\x";
  w = WarningsOf(m, items);
  EXPECT_TRUE(HasWarning(w, "product.name is 256 bytes"));
  EXPECT_TRUE(HasWarning(w, "shortcut[1].menu: the group folder is 256 bytes"));
}

TEST(ManifestWarnings, PathsPastTheWindowsLimitBelowATypicalInstallFolder) {
  Manifest m;
  m.texts.productName = "Demo";
  m.mainProgram = "a.exe";
  // "C:\Program Files (x86)\Demo\" is 28 characters; a file path may have 259.
  std::string fits(259 - 28, 'f');
  std::string passes(260 - 28, 'f');
  std::vector<builder::SourceItem> items = {{false, "a.exe", {}, 1}, {false, fits, {}, 1}};
  EXPECT_EQ(WarningsOf(m, items).size(), 0u);
  items.push_back({false, passes, {}, 1});
  std::vector<std::string> w = WarningsOf(m, items);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("1 path(s) would pass the Windows limit"), std::string::npos);
  EXPECT_NE(w[0].find(passes), std::string::npos);
  // Characters count as UTF-16 units, not bytes: 231 Chinese characters fit.
  items.pop_back();
  std::string chinese;
  for (int i = 0; i < 231; ++i) chinese += "安";
  items.push_back({false, chinese, {}, 1});
  EXPECT_EQ(WarningsOf(m, items).size(), 0u);
}

}  // namespace
