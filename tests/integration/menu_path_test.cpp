#include "integration/menu_path.h"

#include <gtest/gtest.h>

namespace integration {
namespace {

TEST(MenuPath, Split) {
  struct {
    const wchar_t* path;
    const wchar_t* subFolder;
    const wchar_t* linkName;
  } cases[] = {
      {L"A\\B", L"A", L"B"},       {L"B", L"", L"B"},
      {L"\\B", L"", L"\\B"},        // leading backslash: straight into Programs
      {L"A\\B\\C", L"A", L"B\\C"},  // only the first level is a sub-folder
      {L"A\\", L"A", L""},         {L"", L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    MenuPathSplit s = SplitMenuPath(c.path);
    EXPECT_EQ(s.subFolder, c.subFolder);
    EXPECT_EQ(s.linkName, c.linkName);
  }
}

TEST(MenuPath, TargetJoinedToTheInstallFolder) {
  EXPECT_EQ(JoinInstallPath(L"D:\\X", L"bin\\p.exe"), L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(JoinInstallPath(L"D:\\X\\", L"bin\\p.exe"), L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(JoinInstallPath(L"D:\\X", L"\\bin\\p.exe"), L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(JoinInstallPath(L"D:\\X", L"C:\\p.exe"), L"D:\\X\\C:\\p.exe");  // no drive test for entries
}

TEST(MenuPath, MenuItemRequest) {
  std::wstring startMenuFolder;
  const std::wstring record[3] = {L"A\\B", L"bin\\p.exe", L"描述"};
  ShortcutRequest r = MenuItemRequest(L"D:\\X", record, startMenuFolder);
  EXPECT_EQ(r.folderId, 2);
  EXPECT_EQ(r.target, L"D:\\X\\bin\\p.exe");
  EXPECT_EQ(r.subFolder, L"A");
  EXPECT_EQ(r.linkName, L"B");
  EXPECT_EQ(r.iconPath, L"");
  EXPECT_EQ(r.iconIndex, 0);
  EXPECT_EQ(r.description, L"描述");
  EXPECT_EQ(startMenuFolder, L"A");
}

TEST(MenuPath, StartMenuFolderIsTheLastSubFolder) {
  std::wstring startMenuFolder;
  for (const wchar_t* path : {L"A\\x", L"C\\y", L"z", L"\\w"}) {
    const std::wstring record[3] = {path, L"t.exe", L""};
    MenuItemRequest(L"D:\\X", record, startMenuFolder);
  }
  EXPECT_EQ(startMenuFolder, L"C");

  std::wstring untouched = L"earlier";
  const std::wstring plain[3] = {L"B", L"t.exe", L""};
  MenuItemRequest(L"D:\\X", plain, untouched);
  EXPECT_EQ(untouched, L"earlier");
}

TEST(MenuPath, FinishRequests) {
  ShortcutRequest d = DesktopRequest(L"D:\\X\\p.exe", L"产品");
  ShortcutRequest s = StartupRequest(L"D:\\X\\p.exe", L"产品");
  EXPECT_EQ(d.folderId, 0);
  EXPECT_EQ(s.folderId, 7);
  for (const ShortcutRequest& r : {d, s}) {
    EXPECT_EQ(r.target, L"D:\\X\\p.exe");
    EXPECT_EQ(r.subFolder, L"");
    EXPECT_EQ(r.linkName, L"产品");
    EXPECT_EQ(r.iconPath, L"D:\\X\\p.exe");
    EXPECT_EQ(r.iconIndex, 0);
    EXPECT_EQ(r.description, L"产品");
  }
}

TEST(MenuPath, ShortcutFilePaths) {
  const std::wstring programs = L"C:\\Users\\u\\Programs\\";
  EXPECT_EQ(ShortcutFilePath(programs, L"A", L"B"), L"C:\\Users\\u\\Programs\\A\\B.lnk");
  EXPECT_EQ(ShortcutFilePath(programs, L"", L"B"), L"C:\\Users\\u\\Programs\\B.lnk");
  EXPECT_EQ(ShortcutFilePath(programs, L"", L"\\B"), L"C:\\Users\\u\\Programs\\\\B.lnk");
  EXPECT_EQ(ShortcutFilePath(programs, L"A", L"B\\C"), L"C:\\Users\\u\\Programs\\A\\B\\C.lnk");
  EXPECT_EQ(ShortcutFolderPath(programs, L"A"), L"C:\\Users\\u\\Programs\\A");
}

}  // namespace
}  // namespace integration
