// The install-folder rules of the folder page against a made-up file
// system, and the paths the wizard derives from the install folder.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "laid_package.h"
#include "temp_folder.h"
#include "wizard/install_paths.h"
#include "wizard/package_integrity.h"

namespace wizard {
namespace {

using Paths = std::vector<std::wstring>;

// A file system of a few paths: what exists, and where no folder can be made.
class FakeProbe : public platform::FolderProbe {
 public:
  platform::PathKind KindOf(const std::wstring& path) const override {
    static const std::map<std::wstring, platform::PathKind> kinds = {
        {L"C:\\", platform::PathKind::Folder},
        {L"C:\\Program Files", platform::PathKind::Folder},
        {L"C:\\file.txt", platform::PathKind::File},
        {L"C:\\Locked", platform::PathKind::Folder},
        {L"C:\\Program Files\\Junction", platform::PathKind::Link},
        {L"R:\\", platform::PathKind::Folder},
        {L"\\\\srv\\share\\", platform::PathKind::Folder}};
    auto found = kinds.find(path);
    return found == kinds.end() ? platform::PathKind::Missing : found->second;
  }
  bool CanCreateFolderIn(const std::wstring& folder) const override {
    probed.push_back(folder);
    return folder != L"C:\\Locked" && folder != L"R:\\";
  }
  mutable Paths probed;
};

TEST(WizardPaths, WhatTheFolderPageAccepts) {
  const auto A = FolderVerdict::Accepted, M = FolderVerdict::Malformed, D = FolderVerdict::DeviceName;
  // Typed, verdict, the folder taken when accepted, where the probe folder
  // was made ("" when not asked).
  const std::tuple<std::wstring, FolderVerdict, std::wstring, std::wstring> cases[] = {
      {L"C:\\App ", A, L"C:\\App", L"C:\\"},
      {L"C:\\App. .\\Sub..\\", A, L"C:\\App\\Sub\\", L"C:\\"},
      {L"C:\\Program Files\\New\\Deeper", A, L"C:\\Program Files\\New\\Deeper", L"C:\\Program Files"},
      {L"C:\\Program Files", A, L"C:\\Program Files", L"C:\\Program Files"},
      {L"C:\\..\\Program Files\\.\\Old\\..\\New", A, L"C:\\Program Files\\New", L"C:\\Program Files"},
      {L"Z:\\x\\\\y", FolderVerdict::NoDrive, L"", L""},
      {L"\\\\srv\\share\\App", A, L"\\\\srv\\share\\App", L"\\\\srv\\share\\"},
      {L"C:\\CON\\App", D, L"", L""},
      {L"C:\\App\\LPT1 . ", D, L"", L""},
      {L"C:\\ \\x", M, L"", L""},
      {L"C:\\App\\...", M, L"", L""},
      {L"C:\\file.txt", FolderVerdict::NamesFile, L"", L""},
      {L"C:\\file.txt\\sub", FolderVerdict::NamesFile, L"", L""},
      // Nothing is made through a link, the probe folder included.
      {L"C:\\Program Files\\Junction\\App", FolderVerdict::Linked, L"", L""},
      {L"R:\\App", FolderVerdict::NotWritable, L"", L"R:\\"},
      {L"C:\\Locked\\x", FolderVerdict::NotWritable, L"", L"C:\\Locked"},
      // CreateDirectoryW makes folders of 247 units at most.
      {L"C:\\" + std::wstring(244, L'a'), A, L"C:\\" + std::wstring(244, L'a'), L"C:\\"},
      {L"C:\\" + std::wstring(245, L'a') + L"\\", FolderVerdict::TooLong, L"", L""}};
  for (const auto& [typed, verdict, taken, probed] : cases) {
    SCOPED_TRACE(std::string(typed.begin(), typed.end()));
    FakeProbe probe;
    std::wstring accepted = L"unchanged";
    EXPECT_EQ(CheckInstallFolder(typed, probe, &accepted), verdict);
    EXPECT_EQ(accepted, verdict == A ? taken : L"unchanged");
    EXPECT_EQ(probe.probed, probed.empty() ? Paths{} : Paths{probed});
  }
  // Not the form of an absolute folder Windows can hold.
  std::wstring taken;
  for (const std::wstring& bad : std::vector<std::wstring>{
           L"", L"C:", L"C:relative", L"\\top", L"relative\\dir", L"1:\\x", L"\\\\server", L"\\\\server\\",
           L"\\\\\\share", L"\\\\?\\C:\\x", L"C:\\a:b", L"C:\\a\tb", L"C:\\a<b", L"C:\\a>b", L"C:\\a\"b", L"C:\\a|b",
           L"C:\\a?b", L"C:\\a*b", std::wstring(L"C:\\a\0b", 6)}) {
    EXPECT_EQ(CheckInstallFolder(bad, FakeProbe(), &taken), M) << std::string(bad.begin(), bad.end());
  }
}

TEST(WizardPaths, LeavingTheFolderPageReBasesTheMainProgram) {
  FakeProbe probe;
  std::wstring folder = L"C:\\Old", program = L"C:\\Old\\p.exe";
  EXPECT_FALSE(LeaveFolderPage(L"C:\\CON", L"p.exe", probe, folder, program));
  EXPECT_EQ(folder + L"|" + program, L"C:\\Old|C:\\Old\\p.exe");
  // Typed folders are trimmed and get no product folder; the program
  // follows every new folder, a drive path stays as it is.
  // Typed folder, packaged main program, the folder and program taken.
  const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\First. ", L"bin\\p.exe", L"C:\\First", L"C:\\First\\bin\\p.exe"},
      {L"C:\\Second\\", L"\\bin\\p.exe", L"C:\\Second\\", L"C:\\Second\\bin\\p.exe"},
      {L"C:\\Third", L"D:\\abs\\p.exe", L"C:\\Third", L"D:\\abs\\p.exe"},
      {L"C:\\", L"\\", L"C:\\", L"C:\\"},
      {L"C:\\Fourth", L"", L"C:\\Fourth", L""},
  };
  for (const auto& [typed, packaged, newFolder, newProgram] : cases) {
    ASSERT_TRUE(LeaveFolderPage(typed, packaged, probe, folder, program)) << typed;
    EXPECT_EQ(folder + L"|" + program, std::wstring(newFolder) + L"|" + newProgram);
  }
}

// The environment check holds the install folder to the longest names of
// the real package, in UTF-16 units (说明 is two units of six bytes, the
// emoji two of four): a folder entry to the 247 units CreateDirectoryW
// makes, a file entry to the 259 of a path Windows opens.
TEST(WizardPaths, TheEnvironmentCheckLeavesRoomForThePackagesNames) {
  TempFolder dir;
  support::LaidPackage p;
  const std::string folder = "\xE8\xAF\xB4\xE6\x98\x8E" + std::string(8, 'd');  // 10 units
  p.entries = {{0, folder, {}},
               {8,
                folder + "\\\xF0\x9F\x98\x80"
                         "f.txt",
                support::Blob("x")}};  // 18 units
  support::WriteBytes(dir.Child("setup.exe"), p.Lay());
  const PackageCheck check = CheckPackage(dir.Wide(L"setup.exe"));
  ASSERT_TRUE(check.sound);
  EXPECT_EQ(std::pair(check.longestFolderName, check.longestFileName), std::pair(10, 18));
  const auto folderOf = [](std::size_t units) { return L"C:\\" + std::wstring(units - 3, L'a'); };
  // Folder, "\", name: 236 + 1 + 10 = 247 for the folder entry.
  EXPECT_EQ(JudgeEnvironment(check, folderOf(236)), EnvironmentVerdict::Ready);
  EXPECT_EQ(JudgeEnvironment(check, folderOf(237)), EnvironmentVerdict::FolderTooLong);
  // Without folder entries the file's 240 + 1 + 18 = 259 is the limit.
  const PackageCheck files{true, 0, 18};
  EXPECT_EQ(JudgeEnvironment(files, folderOf(240)), EnvironmentVerdict::Ready);
  EXPECT_EQ(JudgeEnvironment(files, folderOf(241)), EnvironmentVerdict::FolderTooLong);
  EXPECT_EQ(JudgeEnvironment(PackageCheck{}, L"C:\\App"), EnvironmentVerdict::Damaged);
}

TEST(WizardPaths, DefaultFolderAndTheFoldersToCreate) {
  EXPECT_EQ(AppendProductFolder(L"C:\\Program Files", L"岚杉"), L"C:\\Program Files\\岚杉");
  EXPECT_EQ(AppendProductFolder(L"D:\\", L"P"), L"D:\\P");  // a drive root has its "\" already
  EXPECT_EQ(AppendProductFolder(L"", L"P"), L"");           // no Program Files, no product folder
  // Every missing level, outermost first; a network path below its share.
  EXPECT_EQ(FolderLevels(L"D:\\Apps\\Vendor\\\\X\\"),
            (Paths{L"D:\\Apps", L"D:\\Apps\\Vendor", L"D:\\Apps\\Vendor\\\\X"}));
  EXPECT_EQ(FolderLevels(L"\\\\srv\\share\\A\\B"), (Paths{L"\\\\srv\\share\\A", L"\\\\srv\\share\\A\\B"}));
  EXPECT_EQ(FolderLevels(L"C:\\"), Paths{});
}

}  // namespace
}  // namespace wizard
