// The manifest loader: keys read, paths resolved against the manifest's
// folder, errors naming the key or line; the licence text, a build's
// warnings, the signing command's words.
#include <gtest/gtest.h>

#include "builder/child_process.h"
#include "builder/license_text.h"
#include "builder/manifest.h"
#include "builder/manifest_checks.h"
#include "builder/sign_command.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace fs = std::filesystem;
using builder::Manifest;

namespace {

const std::string kMinimal = "[product]\nname = \"Demo\"\n[files]\nsource = \"payload\"\n";

std::string ParseError(const std::string& text) {
  Manifest m;
  std::string error;
  EXPECT_FALSE(builder::ParseManifest(text, "dir/setup.toml", m, error)) << text;
  return error;
}

bool HasWarning(const std::vector<std::string>& warnings, const std::string& part) {
  for (const std::string& w : warnings) {
    if (w.find(part) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

TEST(BuilderManifest, ReadsEveryKeyAndResolvesPathsAgainstTheManifestFolder) {
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
  EXPECT_EQ(m.texts.productName + "|" + m.texts.welcome + "|" + m.mainProgram + "|" + m.recordFile,
            "Demo|欢迎|bin\\Demo.exe|uninstall.exe");
  EXPECT_EQ(
      (std::vector<fs::path>{m.output, m.picture, m.license, m.source, m.sign.folder}),
      (std::vector<fs::path>{"dir/dist/Demo-setup.exe", "dir/logo.png", "dir/LICENSE.txt", "dir/payload", "dir"}));
  ASSERT_EQ(m.shortcuts.size(), 2u);
  EXPECT_EQ(m.shortcuts[0].description, "启动");
  EXPECT_EQ(m.shortcuts[1].target, "C:\\Windows\\notepad.exe");
  EXPECT_EQ(m.sign.words,
            (std::vector<std::string>{"osslsigncode", "sign", "-pkcs12", "my cert.pfx", "-in", "{in}", "-out={out}"}));
  ASSERT_TRUE(
      builder::ParseManifest(kMinimal + "[sign]\ncommand = ['sign tool', '{in}']\n", "dir/setup.toml", m, error))
      << error;
  EXPECT_EQ(m.sign.words, (std::vector<std::string>{"sign tool", "{in}"}));
  // [deploy] names the installed-programs entry after the product.
  const std::string deploy =
      "[product]\nname = \"Demo 产品\"\nuninstaller = true\n[files]\nsource = \"p\"\n"
      "[deploy]\nversion = \"1.2\"\npublisher = \"Pub\"\nurl = \"https://x.org/\"\n";
  ASSERT_TRUE(builder::ParseManifest(deploy, "dir/setup.toml", m, error)) << error;
  EXPECT_EQ(m.deploy, (DeployFacts{"Demo 产品", "1.2", "Pub", "https://x.org/"}));
  // Characters the TOML parser once mishandled come through inside texts.
  for (const char* t : {"\xC2\xA1", "\xC3\xA9t\xC3\xA9", "\xD2\x99", "\xE3\x80\x82", "\xE2\xB2\x8E", "\xEF\xAC\xA6",
                        "\xEF\xBB\xBE", "\xEF\xB8\xB0", "\xE3\x80\x80", "\xEF\x80\x80"}) {
    ASSERT_TRUE(builder::ParseManifest("[product]\nname = \"" + std::string(t) + "\"\n[files]\nsource = \"p\"\n",
                                       "dir/setup.toml", m, error))
        << t << ": " << error;
    EXPECT_EQ(m.texts.productName, t);
  }
}

TEST(BuilderManifest, ErrorsNameTheKeyOrTheLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"[files]\nsource = \"p\"\n", "product: table [product] is missing"},
      {"[product]\nheading = \"x\"\n[files]\nsource = \"p\"\n", "product.name: is missing"},
      {"[product]\nname = 5\n[files]\nsource = \"p\"\n", "product.name: must be a text"},
      {"[product]\nname = \"D\"\nlicence = \"x\"\n[files]\nsource = \"p\"\n", "product.licence: is not a known key"},
      {kMinimal + "colour = \"red\"\n", "files.colour: is not a known key"},
      {"[product]\nname = \"D\"\n[files]\nsource = \"\"\n", "files.source: is empty"},
      {"[product]\nname = \"a/b\"\n[files]\nsource = \"p\"\n", "product.name: cannot name"},
      {"[product]\nname = \"D\"\nmain_program = '..\\x.exe'\n[files]\nsource = \"p\"\n", "product.main_program"},
      {"[product]\nname = \"D\"\nrecord_file = 'C:\\u.exe'\n[files]\nsource = \"p\"\n", "product.record_file"},
      {kMinimal + "[[shortcut]]\nmenu = 'D\\D'\n", "shortcut[1].target: is missing"},
      {kMinimal + "[[shortcut]]\nmenu='a\\b'\ntarget='x'\n[[shortcut]]\nmenu = 'D\\a:b'\ntarget = 'x'\n",
       "shortcut[2].menu"},
      {kMinimal + "[[shortcut]]\nmenu = 'D\\D'\ntarget = 'x'\nicon = 'y'\n", "shortcut[1].icon: is not a known key"},
      {"shortcut = 3\n" + kMinimal, "shortcut: must be a list"},
      {kMinimal + "[sign]\n", "sign.command: is missing"},
      {kMinimal + "[sign]\ncommand = 'signtool sign x.exe'\n", "sign.command: the command does not name the installer"},
      {kMinimal + "[sign]\ncommand = \"sign '{in}\"\n", "sign.command: the quote ' is not closed"},
      {kMinimal + "[sign]\ncommand = ['sign', 5]\n", "sign.command: must be a text or a list of texts"},
      {kMinimal + "[sign]\ncommand = '{in}'\nkey = 'k'\n", "sign.key: is not a known key"},
      {"sign = 'x'\n" + kMinimal, "sign: must be a table"},
      {kMinimal + "[deploy]\nversion = \"1\"\npublisher = \"P\"\n", "deploy: needs product.uninstaller = true"},
      {kMinimal + "[deploy]\nversion = \"1\"\n", "deploy.publisher: is missing"},
      {kMinimal + "[deploy]\nversion = \"\"\npublisher = \"P\"\n", "deploy.version: must be a text of 1"},
      {kMinimal + "[deploy]\nversion = \"1\"\npublisher = \"P\"\nurl = \"file:///x\"\n", "deploy.url: must be"},
      {kMinimal + "[deploy]\nversion = \"1\"\npublisher = \"P\"\nkey = \"K\"\n", "deploy.key: is not a known key"},
      {"deploy = 1\n" + kMinimal, "deploy: must be a table"},
      {"[product]\nname = \"Demo\n[files]\n", "dir/setup.toml:2:"},
      {"[product]\nname = \"D\xff\"\n[files]\nsource = \"p\"\n", "dir/setup.toml:2:"},  // not UTF-8
      {"[product]\nname = \"\xEE\x80\x80\"\n[files]\nsource = \"p\"\n", "private-use"},
      // Stray characters between tokens, and a key quoted with one of them.
      {"[product]\nname = \"x\"\xE3\x80\x82\n[files]\nsource = \"p\"\n", "dir/setup.toml:2:"},
      {"[product]\nname = \"x\"\n\"\xE3\x80\x82\" = \"y\"\n[files]\nsource = \"p\"\n",
       "product.\xE3\x80\x82: is not a known key"},
  };
  for (const auto& [text, message] : cases) {
    const std::string error = ParseError(text);
    EXPECT_NE(error.find(message), std::string::npos) << text << "\n" << error;
  }
}

TEST(BuilderManifest, LicenceLineEndsBecomeCrLfAndTheByteOrderMarkGoes) {
  EXPECT_EQ(builder::ToAgreementText("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(builder::ToAgreementText("\xEF\xBB\xBF许可\n"), "许可\r\n");
  EXPECT_EQ(builder::ToAgreementText("\n\n"), "\r\n\r\n");
}

TEST(BuilderManifest, WarningsOfABuild) {
  Manifest m;
  m.texts.productName = "Demo";
  m.mainProgram = "bin\\Demo.exe";
  m.recordFile = "uninstall.exe";
  m.shortcuts = {{"Demo\\Demo", "BIN\\demo.EXE", ""},  // Windows compares names without case
                 {"Demo\\Help", "docs\\help.txt", ""},
                 {"Demo\\Pad", "C:\\Windows\\notepad.exe", ""}};  // a drive path is not checked
  std::vector<builder::SourceItem> items = {{true, "bin", {}, 0}, {false, "bin\\Demo.exe", {}, 1}};
  std::vector<std::string> w = builder::CheckManifest(m, items);
  EXPECT_TRUE(HasWarning(w, "product.record_file 'uninstall.exe' is not among the packaged files"));
  EXPECT_TRUE(HasWarning(w, "shortcut[2].target 'docs\\help.txt' is not among the packaged files"));
  EXPECT_EQ(w.size(), 2u);
  m.mainProgram = "bin";  // a folder is no program
  EXPECT_TRUE(HasWarning(builder::CheckManifest(m, items), "product.main_program 'bin' is not among"));

  // Names the install record cannot hold: 255 bytes fit, 256 do not.
  m = {};
  m.mainProgram = "a.exe";
  items = {{false, "a.exe", {}, 1}};
  m.texts.productName = std::string(255, 'p');
  m.shortcuts = {{std::string(255, 'g') + "\\x", "a.exe", ""}};
  w = builder::CheckManifest(m, items);
  EXPECT_FALSE(HasWarning(w, "product.name") || HasWarning(w, "group folder"));
  m.texts.productName = std::string(253, 'p') + "安";
  m.shortcuts[0].menu = std::string(256, 'g') + "\\x";
  w = builder::CheckManifest(m, items);
  EXPECT_TRUE(HasWarning(w, "product.name is 256 bytes"));
  EXPECT_TRUE(HasWarning(w, "shortcut[1].menu: the group folder is 256 bytes"));

  // Paths past the Windows limit below "C:\Program Files (x86)\Demo\" (28
  // characters, counted in UTF-16 units): a file path may have 259.
  m = {};
  m.texts.productName = "Demo";
  m.mainProgram = "a.exe";
  std::string chinese;
  for (int i = 0; i < 231; ++i) chinese += "安";
  items = {{false, "a.exe", {}, 1}, {false, std::string(231, 'f'), {}, 1}, {false, chinese, {}, 1}};
  EXPECT_TRUE(builder::CheckManifest(m, items).empty());
  items.push_back({false, std::string(232, 'f'), {}, 1});
  w = builder::CheckManifest(m, items);
  ASSERT_EQ(w.size(), 1u);
  EXPECT_NE(w[0].find("1 path(s) would pass the Windows limit"), std::string::npos) << w[0];
}

TEST(BuilderManifest, SigningCommandWords) {
  using Words = std::vector<std::string>;
  const std::pair<std::string, Words> lines[] = {
      {"  a\t b  ", {"a", "b"}},
      {R"(signtool sign /f "C:\certs\my cert.pfx" /p 'pa"ss' {in})",
       {"signtool", "sign", "/f", R"(C:\certs\my cert.pfx)", "/p", "pa\"ss", "{in}"}},
      {R"(x -in="{in}"x '' "")", {"x", "-in={in}x", "", ""}},
      {"签名 {in}", {"签名", "{in}"}},
  };
  Words words;
  std::string error;
  for (const auto& [line, expected] : lines) {
    ASSERT_TRUE(builder::SplitCommandLine(line, words, error)) << line << ": " << error;
    EXPECT_EQ(words, expected) << line;
  }
  for (const std::string line : {"", "   ", "sign \"x'"})
    EXPECT_FALSE(builder::SplitCommandLine(line, words, error)) << line;
  words = {"tool", "-in", "{in}", "--out={out}", "{in}{out}", "{inx}"};
  EXPECT_EQ(builder::ExpandSignCommand(words, "/a b/i.exe", "/o.exe"),
            (Words{"tool", "-in", "/a b/i.exe", "--out=/o.exe", "/a b/i.exe/o.exe", "{inx}"}));
  EXPECT_TRUE(builder::WritesSignedCopy(words));
  EXPECT_FALSE(builder::WritesSignedCopy({"signtool", "sign", "{in}"}));

  // The Windows command line that hands every word on unchanged.
  const std::pair<std::vector<std::wstring>, std::wstring> commands[] = {
      {{L"signtool", L"sign", L"C:\\a\\b.exe"}, L"signtool sign C:\\a\\b.exe"},
      {{L"x", L"C:\\My Files\\", L""}, L"x \"C:\\My Files\\\\\" \"\""},
      {{L"x", L"say \"hi\"", L"a\\\"b"}, L"x \"say \\\"hi\\\"\" \"a\\\\\\\"b\""},
      {{L"签 名", L"\\\\server\\share"}, L"\"签 名\" \\\\server\\share"},
  };
  for (const auto& [args, line] : commands) {
    EXPECT_EQ(builder::WindowsCommandLine(args), line);
#ifdef _WIN32
    int count = 0;
    LPWSTR* parsed = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(std::vector<std::wstring>(parsed, parsed + count), args);
    LocalFree(parsed);
#endif
  }
}
