#include "wizard/install_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace wizard {
namespace {

TEST(InstallFolder, DefaultAndBrowsedFolderGetTheProductFolder) {
  EXPECT_EQ(AppendProductFolder(L"C:\\Program Files", L"岚杉"), L"C:\\Program Files\\岚杉");
  EXPECT_EQ(AppendProductFolder(L"D:\\", L"P"), L"D:\\P");  // a drive root has its "\" already
  EXPECT_EQ(AppendProductFolder(L"", L"P"), L"");           // no Program Files, no product folder
  EXPECT_EQ(AppendProductFolder(L"C:\\X", L""), L"C:\\X\\");
}

TEST(InstallFolder, InstallableFolders) {
  for (const wchar_t* ok : {L"C:\\", L"c:\\Program Files\\岚杉", L"D:\\a b\\c.d\\", L"\\\\server\\share",
                            L"\\\\server\\share\\dir", L"Z:\\x\\\\y"}) {
    EXPECT_TRUE(IsInstallableFolder(ok)) << ok;
  }
}

TEST(InstallFolder, FoldersThatCannotBeInstalledInto) {
  const wchar_t* bad[] = {
      L"",               // empty
      L"C:",             // drive without root
      L"C:relative",     // drive-relative
      L"\\top",          // root of the current drive
      L"relative\\dir",  // relative
      L"1:\\x",          // not a drive letter
      L"\\\\server",     // UNC without share
      L"\\\\server\\",   // UNC with empty share
      L"\\\\\\share",    // UNC with empty server
      L"C:\\a<b",
      L"C:\\a>b",
      L"C:\\a\"b",
      L"C:\\a|b",
      L"C:\\a?b",
      L"C:\\a*b",
      L"C:\\a:b",       // ':' only at index 1
      L"\\\\?\\C:\\x",  // device path
      L"C:\\a\tb",      // control character
      L"C:\\a\nb",
  };
  for (const wchar_t* folder : bad) EXPECT_FALSE(IsInstallableFolder(folder)) << folder;
  EXPECT_FALSE(IsInstallableFolder(std::wstring(L"C:\\a\0b", 6)));
}

TEST(MainProgramPath, ResolvedAgainstTheInstallFolder) {
  EXPECT_EQ(ResolveMainProgramPath(L"bin\\p.exe", L"D:\\X"), L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(ResolveMainProgramPath(L"bin\\p.exe", L"D:\\X\\"), L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(ResolveMainProgramPath(L"\\bin\\p.exe", L"D:\\X"), L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(ResolveMainProgramPath(L"\\bin\\p.exe", L"D:\\X\\"), L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(ResolveMainProgramPath(L"E:\\tools\\p.exe", L"D:\\X"), L"E:\\tools\\p.exe");  // drive path kept
  EXPECT_EQ(ResolveMainProgramPath(L"", L"D:\\X"), L"");
  EXPECT_EQ(ResolveMainProgramPath(L"p.exe", L""), L"p.exe");
  EXPECT_EQ(ResolveMainProgramPath(L"\\", L"D:\\X"), L"D:\\X\\");
}

// A file system of a few paths: what exists, and where no folder can be made.
class FakeProbe : public platform::FolderProbe {
 public:
  FakeProbe() {
    kinds = {{L"C:\\", platform::PathKind::Folder},       {L"C:\\Program Files", platform::PathKind::Folder},
             {L"C:\\file.txt", platform::PathKind::File}, {L"C:\\Locked", platform::PathKind::Folder},
             {L"R:\\", platform::PathKind::Folder},       {L"\\\\srv\\share\\", platform::PathKind::Folder}};
    readOnly = {L"C:\\Locked", L"R:\\"};
  }
  platform::PathKind KindOf(const std::wstring& path) const override {
    auto found = kinds.find(path);
    return found == kinds.end() ? platform::PathKind::Missing : found->second;
  }
  bool CanCreateFolderIn(const std::wstring& folder) const override {
    probed.push_back(folder);
    return readOnly.count(folder) == 0;
  }
  std::map<std::wstring, platform::PathKind> kinds;
  std::set<std::wstring> readOnly;
  mutable std::vector<std::wstring> probed;
};

TEST(InstallFolderCheck, WhatCanBeInstalledInto) {
  const std::wstring deep240 = L"C:\\" + std::wstring(240, L'a');
  struct Case {
    std::wstring typed;
    int longest;
    FolderVerdict verdict;
    std::wstring accepted;  // the folder taken, when accepted
    std::wstring probed;    // where the probe folder was made ("" when not asked)
  } cases[] = {
      {L"C:\\App ", 10, FolderVerdict::Accepted, L"C:\\App", L"C:\\"},
      {L"C:\\App. .\\Sub..\\", 10, FolderVerdict::Accepted, L"C:\\App\\Sub\\", L"C:\\"},
      {L"C:\\Program Files\\New\\Deeper", 10, FolderVerdict::Accepted, L"C:\\Program Files\\New\\Deeper",
       L"C:\\Program Files"},
      {L"C:\\Program Files", 10, FolderVerdict::Accepted, L"C:\\Program Files", L"C:\\Program Files"},
      {L"\\\\srv\\share\\App", 10, FolderVerdict::Accepted, L"\\\\srv\\share\\App", L"\\\\srv\\share\\"},
      {L"C:\\CON\\App", 10, FolderVerdict::DeviceName, L"", L""},
      {L"C:\\App\\nul.txt", 10, FolderVerdict::DeviceName, L"", L""},
      {L"C:\\App\\LPT1 . ", 10, FolderVerdict::DeviceName, L"", L""},
      {L"C:\\..\\Program Files\\.\\Old\\..\\New", 10, FolderVerdict::Accepted, L"C:\\Program Files\\New",
       L"C:\\Program Files"},
      {L"C:\\ \\x", 10, FolderVerdict::Malformed, L"", L""},
      {L"C:\\App\\...", 10, FolderVerdict::Malformed, L"", L""},
      {L"relative\\App", 10, FolderVerdict::Malformed, L"", L""},
      {L"Q:\\App", 10, FolderVerdict::NoDrive, L"", L""},
      {L"C:\\file.txt", 10, FolderVerdict::NamesFile, L"", L""},
      {L"C:\\file.txt\\sub", 10, FolderVerdict::NamesFile, L"", L""},
      {L"R:\\App", 10, FolderVerdict::NotWritable, L"", L"R:\\"},
      {L"C:\\Locked\\x", 10, FolderVerdict::NotWritable, L"", L"C:\\Locked"},
      // Folder, "\", the longest name and the terminating zero: 260 at most.
      {deep240, 15, FolderVerdict::Accepted, deep240, L"C:\\"},
      {deep240, 16, FolderVerdict::TooLong, L"", L""},
      {deep240 + L"   ", 16, FolderVerdict::TooLong, L"", L""},
      // CreateDirectoryW makes folders of 247 units at most.
      {L"C:\\" + std::wstring(244, L'a'), 0, FolderVerdict::Accepted, L"C:\\" + std::wstring(244, L'a'), L"C:\\"},
      {L"C:\\" + std::wstring(245, L'a') + L"\\", 0, FolderVerdict::TooLong, L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeProbe probe;
    std::wstring accepted = L"unchanged";
    EXPECT_EQ(CheckInstallFolder(c.typed, c.longest, probe, &accepted), c.verdict);
    EXPECT_EQ(accepted, c.verdict == FolderVerdict::Accepted ? c.accepted : L"unchanged");
    EXPECT_EQ(probe.probed, c.probed.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.probed});
  }
}

TEST(LeavingFolderPage, RefusedFolderChangesNothing) {
  FakeProbe probe;
  std::wstring folder = L"C:\\Old", program = L"C:\\Old\\p.exe";
  EXPECT_FALSE(LeaveFolderPage(L"C:\\CON", L"p.exe", 10, probe, folder, program));
  EXPECT_EQ(folder, L"C:\\Old");
  EXPECT_EQ(program, L"C:\\Old\\p.exe");
}

TEST(LeavingFolderPage, TrimmedFolderTakenAndProgramReBasedEachTime) {
  FakeProbe probe;
  std::wstring folder, program;
  ASSERT_TRUE(LeaveFolderPage(L"C:\\First. ", L"bin\\p.exe", 10, probe, folder, program));
  EXPECT_EQ(folder, L"C:\\First");  // trimmed; no product folder appended to a typed folder
  EXPECT_EQ(program, L"C:\\First\\bin\\p.exe");
  // Back from the confirmation page, another folder: the program follows it.
  ASSERT_TRUE(LeaveFolderPage(L"C:\\Second\\", L"bin\\p.exe", 10, probe, folder, program));
  EXPECT_EQ(folder, L"C:\\Second\\");
  EXPECT_EQ(program, L"C:\\Second\\bin\\p.exe");
  ASSERT_TRUE(LeaveFolderPage(L"C:\\Third", L"D:\\abs\\p.exe", 10, probe, folder, program));
  EXPECT_EQ(program, L"D:\\abs\\p.exe");
}

#ifdef _WIN32
// The probe of the real file system, in a scratch folder and where Wine
// maps its Z: drive onto the host's / (a /proc no folder can be made in).
TEST(InstallFolderCheck, OnTheRealFileSystem) {
  TempFolder scratch;
  platform::SystemFolderProbe probe;
  std::wstring accepted;
  EXPECT_EQ(CheckInstallFolder(scratch.Wide(L"New. \\Deeper "), 10, probe, &accepted), FolderVerdict::Accepted);
  EXPECT_EQ(accepted, scratch.Wide(L"New\\Deeper"));
  EXPECT_TRUE(std::filesystem::is_empty(scratch.Path())) << "the probe left something behind";
  TempFolder::WriteBytes(scratch.Child("file.txt"), {'x'});
  EXPECT_EQ(CheckInstallFolder(scratch.Wide(L"file.txt"), 10, probe, &accepted), FolderVerdict::NamesFile);
  EXPECT_EQ(CheckInstallFolder(scratch.Wide(L"file.txt\\sub"), 10, probe, &accepted), FolderVerdict::NamesFile);
  EXPECT_EQ(CheckInstallFolder(scratch.Wide(), 10, probe, &accepted), FolderVerdict::Accepted);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 1);

  const DWORD drives = ::GetLogicalDrives();
  wchar_t missing = 0;
  for (wchar_t letter = L'Q'; letter <= L'Y' && !missing; ++letter)
    if (!(drives & (1u << (letter - L'A')))) missing = letter;
  ASSERT_NE(missing, 0);
  EXPECT_EQ(CheckInstallFolder(std::wstring(1, missing) + L":\\App", 10, probe, &accepted), FolderVerdict::NoDrive);
  if (probe.KindOf(L"Z:\\proc\\self") == platform::PathKind::Folder) {
    EXPECT_EQ(CheckInstallFolder(L"Z:\\proc\\App", 10, probe, &accepted), FolderVerdict::NotWritable);
  }
}
#endif

}  // namespace
}  // namespace wizard
