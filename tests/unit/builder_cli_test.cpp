// The mksetup program end to end, as other tools script it (exit codes,
// messages, default stub and output, list, verify, extract, signing, record),
// and what only a Linux source tree holds: links, fifos, names Windows cannot.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <functional>
#include <tuple>

#include "builder/package_extract.h"
#include "builder/source_tree.h"
#include "bytes.h"
#include "laid_package.h"
#include "platform/utf.h"
#include "record_file.h"
#include "sample_product.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using support::ReadFile;
using support::WriteFile;

namespace {

struct Ran {
  int exitCode = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

fs::path Mksetup() { return fs::path(std::getenv("SETUP_BIN_DIR") ? std::getenv("SETUP_BIN_DIR") : ".") / "mksetup"; }

// Runs mksetup (or another copy of it) with the arguments in folder cd.
Ran Mk(const std::vector<std::string>& args, const fs::path& program = Mksetup(), const fs::path& cd = {}) {
  TempFolder capture;
  std::string command = (cd.empty() ? "" : "cd " + Quote(cd.string()) + " && ") + Quote(program.string());
  for (const std::string& a : args) command += ' ' + Quote(a);
  command += " >" + Quote(capture.Child("out").string()) + " 2>" + Quote(capture.Child("err").string()) + " </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(capture.Child("out")), ReadFile(capture.Child("err"))};
}

// Runs a shell command quietly; its exit status.
int Sh(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()); }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    manifest = support::MakeProduct(dir.Path());
    stub = support::MakeStub(dir.Path()).string();
    out = dir.Child("Demo-setup.exe").string();
  }
  Ran Build(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"build", manifest.string(), "-o", out, "--stub", stub};
    args.insert(args.end(), extra.begin(), extra.end());
    return Mk(args);
  }
  TempFolder dir;
  fs::path manifest;
  std::string stub, out;
};

}  // namespace

TEST_F(Cli, BuildListVerifyExtract) {
  Ran r = Build({"-j", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "wrote " + out)) << r.out;
  EXPECT_EQ(r.err, "");  // no warnings, and no progress bar when stderr is not a terminal

  r = Mk({"list", out, "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"product_name\": \"Demo\"")) << r.out;
  EXPECT_TRUE(Has(r.out, "{\"type\": \"file\", \"name\": \"bin\\\\Demo.exe\", \"stored_size\": ")) << r.out;
  EXPECT_TRUE(Has(r.out, "{\"menu\": \"Demo\\\\Demo\", \"target\": \"bin\\\\Demo.exe\", \"description\": \"启动\"}"));

  r = Mk({"verify", out});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.out, ": sound: 6 folders, 5 files")) << r.out;

  r = Mk({"extract", out, dir.Child("x").string()});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(support::Snapshot(dir.Child("x")), support::Snapshot(dir.Child("payload")));
  // Nothing is written through symbolic links out of the folder.
  fs::create_directories(dir.Child("into"));
  fs::create_directories(dir.Child("elsewhere"));
  fs::create_directory_symlink(dir.Child("elsewhere"), dir.Child("into/bin"));
  WriteFile(dir.Child("victim.txt"), "keep me");
  fs::create_symlink(dir.Child("victim.txt"), dir.Child("into/uninstall.exe"));
  builder::ExtractReport report;
  std::string error;
  ASSERT_TRUE(builder::ExtractInstaller(out, dir.Child("into"), report, error)) << error;
  ASSERT_EQ(report.failures.size(), 5u);
  EXPECT_TRUE(Has(report.failures[4], "entry 'uninstall.exe'")) << report.failures[4];
  EXPECT_TRUE(fs::is_empty(dir.Child("elsewhere")));
  EXPECT_EQ(ReadFile(dir.Child("victim.txt")), "keep me");
  EXPECT_EQ(ReadFile(dir.Child("into/docs") / u8"说明.txt"), "使用说明\r\n第二行\r\n");

  // A damaged installer: verify, list and extract exit with 1, naming the fault.
  std::string bytes = ReadFile(out);
  bytes[bytes.size() - 44 + 8] ^= 1;
  WriteFile(out, bytes);
  r = Mk({"verify", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r.err, "fault at byte " + std::to_string(bytes.size() - 44 + 8) + ": trailer word 2")) << r.err;
  EXPECT_EQ(Mk({"list", out}).exitCode, 1);
  EXPECT_EQ(Mk({"extract", out, dir.Child("y").string()}).exitCode, 1);
  EXPECT_FALSE(fs::exists(dir.Child("y")));
  EXPECT_EQ(Mk({"verify", dir.Child("missing.exe").string()}).exitCode, 2);
}

TEST_F(Cli, BadInputExitsWithTwoAndWarningsGoToStderr) {
  WriteFile(manifest, "[product]\nname = \"Demo\"\nmain = 'x'\n[files]\nsource = \"payload\"\n");
  Ran r = Build();
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Has(r.err, "setup.toml: product.main: is not a known key; no installer written")) << r.err;
  EXPECT_FALSE(fs::exists(out));
  r = Mk({"build", dir.Child("none.toml").string(), "--stub", stub});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Has(r.err, "none.toml: cannot open the manifest")) << r.err;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"build", manifest.string(), "-j", "0", "--stub", stub}, {"frobnicate"}, {}}) {
    EXPECT_EQ(Mk(args).exitCode, 2);
  }

  // A main program not packaged, and an installer the next build would package.
  support::MakeProduct(dir.Path());
  std::string text = ReadFile(manifest);
  WriteFile(manifest, text.replace(text.find("Demo.exe"), 4, "Missing"));
  out = dir.Child("payload/in.exe").string();
  r = Build();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(Has(r.err, "mksetup: warning: product.main_program 'bin\\Missing.exe' is not among the packaged files"))
      << r.err;
  EXPECT_TRUE(Has(r.err, "in.exe: the installer lies inside files.source")) << r.err;
}

TEST_F(Cli, DefaultStubAndOutput) {
  // A copy of mksetup in <tree>/native/bin looks for <tree>/<arch>/bin/setup.exe,
  // an installed one in <prefix>/bin for <prefix>/share/mksetup/<arch>/setup.exe first.
  const fs::path tool = dir.Child("tree/native/bin/mksetup"), installed = dir.Child("prefix/bin/mksetup");
  for (const fs::path& copy : {tool, installed}) {
    fs::create_directories(copy.parent_path());
    fs::copy_file(Mksetup(), copy);
  }
  fs::create_directories(dir.Child("work"));
  Ran r = Mk({"build", manifest.string()}, tool);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(Has(r.err, "no win32 installer program at " +
                             dir.Child("tree/native/share/mksetup/win32/setup.exe").string() + " or " +
                             dir.Child("tree/win32/bin/setup.exe").string()))
      << r.err;
  // Each stub names where it lies; no --stub-arch takes the 32-bit one.
  const std::string stubs[] = {"tree/win32/bin/setup.exe", "tree/win64/bin/setup.exe",
                               "prefix/share/mksetup/win32/setup.exe", "prefix/share/mksetup/win64/setup.exe"};
  for (const std::string& s : stubs) WriteFile(dir.Child(s), "MZ " + s);
  for (int i = 0; i < 4; ++i) {
    // No -o and no output key: <product name>-setup.exe in the current folder.
    std::vector<std::string> args = {"build", manifest.string()};
    if (i % 2) args.insert(args.end(), {"--stub-arch", "win64"});
    ASSERT_EQ(Mk(args, i < 2 ? tool : installed, dir.Child("work")).exitCode, 0) << stubs[i];
    EXPECT_EQ(ReadFile(dir.Child("work/Demo-setup.exe")).substr(0, stubs[i].size() + 3), "MZ " + stubs[i]);
  }
  EXPECT_EQ(Mk({"build", manifest.string(), "--stub-arch", "arm64"}, tool).exitCode, 2);
  EXPECT_EQ(Mk({"build", manifest.string(), "--stub-arch", "win64", "--stub", stub}).exitCode, 2);
  // The manifest's output key, relative to the manifest's folder.
  WriteFile(manifest, ReadFile(manifest).insert(0, "output = \"dist/named.exe\"\n"));
  EXPECT_EQ(Mk({"build", manifest.string()}, tool).exitCode, 0);
  EXPECT_TRUE(fs::exists(dir.Child("dist/named.exe")));
}

// Signing with osslsigncode and a certificate made here with openssl.
class SignedBuild : public Cli {
 protected:
  void SetUp() override {
    Cli::SetUp();
    const support::Bytes image = support::PeImage();
    WriteFile(dir.Child("pe.exe"), std::string(image.begin(), image.end()));
    stub = dir.Child("pe.exe").string();
    ASSERT_EQ(
        Sh("cd " + Quote(dir.Path().string()) +
           " && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj /CN=mksetup-test"
           " && openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx -passout pass:secret"),
        0);
  }
  std::string Signer(const std::string& password = "secret", const std::string& in = "{in}",
                     const std::string& out = "{out}") const {
    return "osslsigncode sign -pkcs12 " + Quote(dir.Child("cert.pfx").string()) + " -pass " + password + " -in " + in +
           " -out " + out;
  }
  int Verify(const std::string& installer) const {
    return Sh("osslsigncode verify -CAfile " + Quote(dir.Child("cert.pem").string()) + " " + Quote(installer));
  }
};

TEST_F(SignedBuild, TheSignedInstallerIsSoundAndOnlyRead) {
  // A signed record file: the install record will break its signature.
  fs::remove(dir.Child("payload/uninstall.exe"));
  ASSERT_EQ(Sh(Signer("secret", Quote(stub), Quote(dir.Child("payload/uninstall.exe").string()))), 0);
  Ran r = Build({"--sign", Signer()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(r.out.size() - 9), ", signed\n") << r.out;
  EXPECT_TRUE(Has(r.err, "mksetup: warning: product.record_file 'uninstall.exe' is a signed program")) << r.err;
  const std::string bytes = ReadFile(out);
  ASSERT_EQ(Verify(out), 0);
  r = Mk({"list", out});
  EXPECT_TRUE(Has(r.out, "installer program: PE32 (32-bit Windows), signed\n")) << r.out;
  EXPECT_EQ(Mk({"verify", out}).exitCode, 0);
  EXPECT_EQ(Mk({"extract", out, dir.Child("x").string()}).exitCode, 0);
  EXPECT_EQ(support::Snapshot(dir.Child("x")), support::Snapshot(dir.Child("payload")));
  EXPECT_TRUE(ReadFile(out) == bytes);
}

TEST_F(SignedBuild, AFailedSigningLeavesTheEarlierOutputAndNothingElse) {
  // Signs, then changes one byte of a file's blob inside the signed copy.
  WriteFile(dir.Child("tamper.sh"), Signer("secret", "\"$1\"", "\"$2\"") +
                                        " && python3 -c \"import sys\n"
                                        "d = bytearray(open(sys.argv[1], 'rb').read())\n"
                                        "d[d.find('docs\\\\说明.txt'.encode()) + 20] ^= 1\n"
                                        "open(sys.argv[1], 'wb').write(d)\" \"$2\"\n");
  const std::pair<std::string, std::string> cases[] = {
      {Signer("wrong"), "signing: 'osslsigncode' exited with code "},
      {"cp {in} {out}", "signing: the command succeeded but the installer carries no signature"},
      {"true {in} {out}", "signing: the command left no signed installer at "},
      {"sh " + Quote(dir.Child("tamper.sh").string()) + " {in} {out}",
       "signing: the signed installer is faulty: fault at byte "},
      {"no-such-signer {in}", "signing: cannot start 'no-such-signer': No such file or directory"},
      {"signtool sign out.exe", "--sign: the command does not name the installer to sign as {in}"},
      {"sign '{in}", "--sign: the quote ' is not closed"},
  };
  out = dir.Child("out/Demo-setup.exe").string();
  WriteFile(out, "earlier installer");
  for (const auto& [command, message] : cases) {
    const Ran r = Build({"--sign", command});
    EXPECT_EQ(r.exitCode, 2) << command;
    EXPECT_TRUE(Has(r.err, "mksetup: error: " + message)) << command << ": " << r.err;
    EXPECT_TRUE(ReadFile(out) == "earlier installer") << command;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Child("out")), fs::directory_iterator()), 1) << command;
  }
}

TEST(BuilderCli, RecordReadsTheBlockAnInstallationAppended) {
  TempFolder dir;
  const fs::path file = dir.Path() / u8"安装目录/卸载.exe";
  const support::Bytes noise = support::Noise(3000, 11);
  WriteFile(file, "MZ" + std::string(noise.begin(), noise.end()));
  const auto append = [&](const std::wstring& menu, const std::wstring& product) {
    return support::AppendRecord(platform::Utf8ToWide(file.string()), menu, product, product);
  };
  ASSERT_TRUE(append(L"\x793A\x4F8B\\\x5DE5\x5177", L"\x793A\x4F8B \"\x8F6F\x4EF6\""));  // 示例\工具, 示例 "软件"
  Ran r = Mk({"record", file.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "offset: 3002\nmagic: 0x12030416\nstart-menu folder: 示例\\工具\nproduct name: 示例 \"软件\"\n"
            "log-on shortcut: 示例 \"软件\"\nfile size: 3790\nconsistent: yes\n");
  r = Mk({"record", file.string(), "--json"});
  EXPECT_EQ(r.out,
            "{\n  \"offset\": 3002,\n  \"magic\": \"0x12030416\",\n  \"start_menu_folder\": \"示例\\\\工具\",\n"
            "  \"product_name\": \"示例 \\\"软件\\\"\",\n  \"autostart_link\": \"示例 \\\"软件\\\"\",\n"
            "  \"file_size\": 3790,\n  \"consistent\": true\n}\n");
  // A second installation appends a second block; the last one counts. Bytes
  // put in front move the block away from where it says it begins.
  append(L"", L"Demo 2");
  WriteFile(file, "MZ" + ReadFile(file));
  r = Mk({"record", file.string(), "--json"});
  EXPECT_TRUE(Has(r.out, "\"offset\": 3790,") && Has(r.out, "\"product_name\": \"Demo 2\"") &&
              Has(r.out, "\"start_menu_folder\": \"\"") && Has(r.out, "\"consistent\": false"))
      << r.out;

  // A record appended to an empty file is the whole file.
  WriteFile(file, "");
  append(L"", L"Demo 3");
  r = Mk({"record", file.string(), "--json"});
  EXPECT_TRUE(Has(r.out, "\"offset\": 0,") && Has(r.out, "\"consistent\": true")) << r.out;

  const std::tuple<std::string, std::string, int, std::string> cases[] = {
      {"plain.exe", "MZ" + std::string(2000, 'p'), 1,
       "plain.exe: no install record: the last 788 bytes do not hold 0x12030416 at byte 8"},
      {"short.exe", std::string(8, '\0') + "\x16\x04\x03\x12" + std::string(775, '\0'), 1,
       "short.exe: 787 bytes, shorter than an install record (788 bytes)"},
      {"missing.exe", "", 2, "missing.exe: cannot be opened"},
  };
  for (const auto& [name, bytes, code, message] : cases) {
    if (name != "missing.exe") WriteFile(dir.Child(name), bytes);
    r = Mk({"record", dir.Child(name).string(), "--json"});
    EXPECT_EQ(r.exitCode, code) << name;
    EXPECT_EQ(r.out, "") << name;
    EXPECT_TRUE(Has(r.err, message)) << name << ": " << r.err;
  }
  EXPECT_EQ(Mk({"record"}).exitCode, 2);
}

// The source-tree listing: depth first in upper-case name order with empty
// folders; links inside followed, links outside, dangling or looping refused;
// names Windows cannot hold refused.
TEST(BuilderCli, SourceTreesOnLinux) {
  TempFolder dir;
  const auto walk = [](const fs::path& root, std::string& error) {
    std::vector<builder::SourceItem> items;
    std::vector<std::string> lines;
    if (builder::WalkSourceTree(root, builder::WalkLimits{1u << 20}, items, error)) {
      for (const auto& i : items) lines.push_back((i.folder ? "D " : "F ") + i.name);
    }
    return lines;
  };
  const fs::path p = dir.Child("p");
  for (const char* name : {"zeta.txt", "a_b.txt", "ab.txt", "Bin/tool.exe", "Bin/lib/x.dll", "B.txt", "real/f.txt"}) {
    WriteFile(p / name, name);
  }
  fs::create_directories(p / "empty");
  fs::create_symlink("real/f.txt", p / "alias.txt");
  fs::create_directory_symlink("real", p / "view");
  std::string error;
  EXPECT_EQ(walk(p, error),
            (std::vector<std::string>{"F ab.txt", "F alias.txt", "F a_b.txt", "F B.txt", "D Bin", "D Bin\\lib",
                                      "F Bin\\lib\\x.dll", "F Bin\\tool.exe", "D empty", "D real", "F real\\f.txt",
                                      "D view", "F view\\f.txt", "F zeta.txt"}))
      << error;

  const std::pair<std::function<void(const fs::path&)>, std::string> bad[] = {
      {[&](const fs::path& q) { fs::create_symlink(dir.Child("p/zeta.txt"), q / "link.txt"); }, "leads outside"},
      {[](const fs::path& q) { fs::create_directory_symlink("..", q / "up"); }, "leads outside"},
      {[](const fs::path& q) { fs::create_symlink("missing.txt", q / "dangling.txt"); }, "leads nowhere"},
      {[](const fs::path& q) { fs::create_directory_symlink("..", q / "sub/loop"); }, "leads back into a folder"},
      {[](const fs::path& q) { mkfifo((q / "pipe").c_str(), 0600); }, "pipe: is neither a file nor a folder"},
      {[](const fs::path& q) { WriteFile(q / "sub/Été.txt", "1"), WriteFile(q / "sub/éTÉ.txt", "2"); },
       "only in letter case"},
      {[](const fs::path& q) { WriteFile(q / "DATA", "1"), WriteFile(q / "data/x", "2"); }, "only in letter case"},
      {[](const fs::path& q) { WriteFile(q / "a.bin", std::string((1u << 20) + 1, 'a')); }, "a.bin: is 1048577 bytes"},
  };
  int n = 0;
  for (const auto& [make, message] : bad) {
    const fs::path q = dir.Child("bad" + std::to_string(n++));
    WriteFile(q / "sub/ok.txt", "1");
    make(q);
    error.clear();
    EXPECT_TRUE(walk(q, error).empty()) << message;
    EXPECT_TRUE(Has(error, message)) << message << ": " << error;
  }
  // Windows' own name rule is PackageNames'; here the names only Linux can hold.
  for (const char* name : {"back\\slash.txt", "what?", "bad\xff.txt"}) {
    const fs::path q = dir.Child("name" + std::to_string(n++));
    WriteFile(q / name, "1");
    error.clear();
    EXPECT_TRUE(walk(q, error).empty() && Has(error, q.filename().string() + "/")) << name << ": " << error;
  }
  EXPECT_TRUE(walk(dir.Child("none"), error).empty() && Has(error, "none: is not a folder")) << error;
}

#endif  // !_WIN32
