// An installer before and without a window: its command line, what it
// learns of its package, the start-up decision, the silent walk of the pages.
#include <gtest/gtest.h>

#include <tuple>

#include "builder/installer_build.h"
#include "builder/package_listing.h"
#include "bytes.h"
#include "sample_product.h"
#include "temp_folder.h"
#include "wizard/start_plan.h"
#include "wizard/unattended_install.h"

namespace fs = std::filesystem;

namespace wizard {
namespace {

TEST(InstallerCommandLine, SwitchesInAnyOrderAndCaseTheFolderLast) {
  // whole line, silent, folder, log, bad argument
  const std::tuple<const wchar_t*, bool, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
      {LR"("C:\My Setup\setup.exe")", false, L"", L"", L""},
      {LR"(setup.exe /S /LOG=C:\t\i.log /D=C:\Silent\X)", true, LR"(C:\Silent\X)", LR"(C:\t\i.log)", L""},
      {LR"("C:\a b\setup.exe"  /log=x.log	/s  /d=C:\Program Files\My App  )", true, LR"(C:\Program Files\My App)",
       L"x.log", L""},
      {LR"(setup.exe "/LOG=C:\my logs\i.log" /D="C:\a b")", false, LR"(C:\a b)", LR"(C:\my logs\i.log)", L""},
      {LR"(setup.exe /LOG="C:\my logs\i.log" "/D=C:\a b")", false, LR"(C:\a b)", LR"(C:\my logs\i.log)", L""},
      // The folder takes the rest of the line, switches and all.
      {LR"(setup.exe /D=C:\x /S)", false, LR"(C:\x /S)", L"", L""},
      // Anything else is named, also before /S, which still counts.
      {LR"(setup.exe /X /S)", true, L"", L"", L"/X"},
      {LR"(setup.exe /S /S)", true, L"", L"", L"/S"},
      {LR"(setup.exe /LOG=a /LOG=b)", false, L"", L"a", L"/LOG=b"},
      {LR"(setup.exe /LOG=)", false, L"", L"", L"/LOG="},
      {LR"(setup.exe /D=  )", false, L"", L"", L"/D="},
      {LR"(setup.exe /Silent)", false, L"", L"", L"/Silent"},
      {LR"(setup.exe "")", false, L"", L"", L"\"\""},
  };
  for (const auto& [line, silent, folder, log, bad] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(line)));
    const CommandLine c = ParseCommandLine(line);
    EXPECT_EQ(std::tuple(c.silent, c.installFolder, c.logPath, c.badArgument),
              std::tuple(silent, std::wstring(folder), std::wstring(log), std::wstring(bad)));
  }
}

TEST(InstallerStart, OnlyAnInstallerBuiltWithDeployReadsItsCommandLine) {
  InstallerFacts plain, deploy, damaged;
  plain.readable = deploy.readable = true;
  deploy.deploy.keyName = "Demo";
  // facts, command line, mode, exit code (End and BadCommandLine), log path followed
  const std::tuple<const InstallerFacts*, const wchar_t*, StartMode, int, const wchar_t*> cases[] = {
      {&plain, L"setup.exe /S /LOG=l /X", StartMode::Wizard, 0, L""},
      {&deploy, L"setup.exe", StartMode::Wizard, 0, L""},
      {&deploy, L"setup.exe /LOG=l /D=C:\\x", StartMode::Wizard, 0, L"l"},
      {&deploy, L"setup.exe /s /LOG=l", StartMode::Silent, 0, L"l"},
      {&deploy, L"setup.exe /LOG=l /S /X", StartMode::End, EXIT_BAD_COMMAND_LINE, L"l"},
      {&deploy, L"setup.exe /X", StartMode::BadCommandLine, EXIT_BAD_COMMAND_LINE, L""},
      // Unreadable: the wizard says so, unless /S forbids every window.
      {&damaged, L"setup.exe /X", StartMode::Wizard, 0, L""},
      {&damaged, L"setup.exe /S /LOG=l", StartMode::End, EXIT_FAILED, L"l"},
  };
  for (const auto& [facts, line, mode, code, log] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(line)));
    const StartPlan plan = PlanStart(*facts, line);
    EXPECT_EQ(plan.mode, mode);
    if (mode == StartMode::End || mode == StartMode::BadCommandLine) {
      EXPECT_EQ(plan.end.exitCode, code);
    }
    EXPECT_EQ(plan.commandLine.logPath, log);
  }
}

// Builds the sample product with the stand-in uninstaller and [deploy]
// (when given) into folder/Demo-setup.exe.
fs::path BuildDemo(const TempFolder& folder, const std::string& deploy, bool uninstaller = true) {
  const fs::path manifest = support::MakeProduct(folder.Path());
  std::string text = support::ReadFile(manifest);
  if (uninstaller) text.insert(text.find("\n[files]"), "uninstaller = true\n");
  support::WriteFile(manifest, text + deploy);
  support::WriteFile(folder.Child("uninstall-program.exe"), "MZ" + std::string(3000, 'u'));
  builder::BuildOptions options;
  options.manifest = manifest;
  options.stub = support::MakeStub(folder.Path());
  options.uninstaller = folder.Child("uninstall-program.exe");
  options.output = folder.Child("Demo-setup.exe");
  builder::BuildResult result;
  std::string error;
  EXPECT_TRUE(builder::BuildInstaller(options, result, error)) << error;
  return options.output;
}

TEST(InstallerStart, WhatTheInstallerKnowsOfItsPackage) {
  TempFolder folder;
  const std::string table = "[deploy]\nversion = \"1.2\"\npublisher = \"Pub\"\nurl = \"https://x.org/\"\n";
  const fs::path installer = BuildDemo(folder, table);
  InstallerFacts facts = ReadInstallerFacts(installer.wstring());
  EXPECT_TRUE(facts.readable);
  EXPECT_EQ(facts.deploy, (DeployFacts{"Demo", "1.2", "Pub", "https://x.org/"}));
  builder::PackageListing listing;
  std::string error;
  ASSERT_TRUE(builder::ReadListing(installer, listing, error)) << error;
  std::uint64_t installed = 0;
  for (const WalkedEntry& e : listing.entries) installed += e.rawLength;
  EXPECT_EQ(facts.installedBytes, installed);
  EXPECT_NE(
      builder::FormatListingText(listing).find("installed-programs entry: Demo\n  version: 1.2\n  publisher: Pub\n"
                                               "  url: https://x.org/\n"),
      std::string::npos);
  EXPECT_NE(
      builder::FormatListingJson(listing).find(
          "\"deploy\": {\"key\": \"Demo\", \"version\": \"1.2\", \"publisher\": \"Pub\", \"url\": \"https://x.org/\"}"),
      std::string::npos);

  // A byte of the uninstaller's stored contents changed: the installer cannot
  // tell what it was built as, and list refuses it.
  std::string bytes = support::ReadFile(installer);
  for (const WalkedEntry& e : listing.entries) {
    if (e.name == "uninstall.exe") bytes[std::size_t(e.offset) + sizeof(EntryHeader) + e.name.size() + 20] ^= 1;
  }
  support::WriteFile(installer, bytes);
  EXPECT_FALSE(ReadInstallerFacts(installer.wstring()).readable);
  EXPECT_FALSE(builder::ReadListing(installer, listing, error));
  EXPECT_NE(error.find("the record file 'uninstall.exe' does not decode"), std::string::npos) << error;

  // Without [deploy], and with a record file that is not our uninstaller:
  // readable, nothing to register.
  for (const bool uninstaller : {true, false}) {
    TempFolder plain;
    const fs::path built = BuildDemo(plain, "", uninstaller);
    facts = ReadInstallerFacts(built.wstring());
    EXPECT_TRUE(facts.readable && !facts.deploy.Present()) << uninstaller;
    ASSERT_TRUE(builder::ReadListing(built, listing, error)) << error;
    EXPECT_NE(builder::FormatListingText(listing).find("installed-programs entry: none\n"), std::string::npos);
    EXPECT_NE(builder::FormatListingJson(listing).find("\"deploy\": null\n}"), std::string::npos);
  }
}

// The silent walk's steps as a script of what ran, with the answers to give.
class Script : public UnattendedSteps {
 public:
  std::string ran;
  // The steps that fail: F folder, E environment (damaged package), L
  // environment (folder too deep for the package's names), C copy, R registry.
  std::string refuse;
  bool LeaveFolderPage() override { return Run('F'); }
  EnvironmentVerdict CheckEnvironment() override {
    if (!Run('E')) return EnvironmentVerdict::Damaged;
    return refuse.find('L') == std::string::npos ? EnvironmentVerdict::Ready : EnvironmentVerdict::FolderTooLong;
  }
  bool CopyFiles() override { return Run('C'); }
  bool WriteRegistry() override { return Run('R'); }
  void CreateStartMenu() override { Run('S'); }
  void Finish() override { Run('D'); }

 private:
  bool Run(char step) {
    ran += step;
    return refuse.find(step) == std::string::npos;
  }
};

TEST(InstallerStart, TheSilentWalkOfThePageFlowAndItsEnds) {
  // refused steps, steps run, how it ends
  const std::tuple<const char*, const char*, InstallEnd> cases[] = {
      {"", "FECRSD", kEndInstalled},        {"F", "F", kEndFolderRefused}, {"E", "FE", kEndDamaged},
      {"L", "FE", kEndFolderRefused},  // nothing copied below a folder too deep
      {"C", "FEC", kEndCopyFailed},    // no entry, no shortcuts
      {"R", "FECRSD", kEndEntryNotWritten},
  };
  for (const auto& [refuse, ran, end] : cases) {
    Script script;
    script.refuse = refuse;
    const InstallEnd got = RunUnattended(script);
    EXPECT_EQ(std::tuple(script.ran, got.exitCode, std::string(got.reason)),
              std::tuple(std::string(ran), end.exitCode, std::string(end.reason)))
        << refuse;
  }
}

}  // namespace
}  // namespace wizard
