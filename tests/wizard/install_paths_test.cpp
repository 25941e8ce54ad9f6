#include "wizard/install_paths.h"

#include <gtest/gtest.h>

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

TEST(LeavingFolderPage, InvalidFolderChangesNothing) {
  std::wstring folder = L"C:\\Old", program = L"C:\\Old\\p.exe";
  EXPECT_FALSE(LeaveFolderPage(L"relative", L"p.exe", folder, program));
  EXPECT_EQ(folder, L"C:\\Old");
  EXPECT_EQ(program, L"C:\\Old\\p.exe");
}

TEST(LeavingFolderPage, TypedFolderTakenAsTypedAndProgramReBasedEachTime) {
  std::wstring folder, program;
  ASSERT_TRUE(LeaveFolderPage(L"D:\\First", L"bin\\p.exe", folder, program));
  EXPECT_EQ(folder, L"D:\\First");  // no product folder appended to a typed folder
  EXPECT_EQ(program, L"D:\\First\\bin\\p.exe");
  // Back from the confirmation page, another folder: the program follows it.
  ASSERT_TRUE(LeaveFolderPage(L"E:\\Second\\", L"bin\\p.exe", folder, program));
  EXPECT_EQ(folder, L"E:\\Second\\");
  EXPECT_EQ(program, L"E:\\Second\\bin\\p.exe");
  ASSERT_TRUE(LeaveFolderPage(L"E:\\Third", L"C:\\abs\\p.exe", folder, program));
  EXPECT_EQ(program, L"C:\\abs\\p.exe");
}

}  // namespace
}  // namespace wizard
