#include "integration/finish_actions.h"

#include <gtest/gtest.h>

namespace integration {
namespace {

const std::wstring kProgram = L"D:\\X\\bin\\p.exe";
const std::wstring kProduct = L"产品";

std::vector<FinishActionKind> Kinds(const std::vector<FinishAction>& actions) {
  std::vector<FinishActionKind> kinds;
  for (const auto& a : actions) kinds.push_back(a.kind);
  return kinds;
}

TEST(FinishActions, AllTickedInOrder) {
  auto actions = PlanFinishActions(7, kProgram, kProduct, L"菜单", true);
  ASSERT_EQ(actions.size(), 4u);
  EXPECT_EQ(actions[0].kind, FinishActionKind::CreateShortcut);
  EXPECT_EQ(actions[0].shortcut.folderId, kFolderDesktop);
  EXPECT_EQ(actions[1].kind, FinishActionKind::CreateShortcut);
  EXPECT_EQ(actions[1].shortcut.folderId, kFolderStartup);
  EXPECT_EQ(actions[1].shortcut.linkName, kProduct);
  EXPECT_EQ(actions[2].kind, FinishActionKind::RunProgram);
  EXPECT_EQ(actions[2].program, kProgram);
  EXPECT_EQ(actions[3].kind, FinishActionKind::SetNames);
  EXPECT_EQ(actions[3].names[0], L"菜单");
  EXPECT_EQ(actions[3].names[1], kProduct);
  EXPECT_EQ(actions[3].names[2], kProduct);
}

TEST(FinishActions, AllClearedStillRecordsTheProduct) {
  auto actions = PlanFinishActions(0, kProgram, kProduct, L"菜单", true);
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0].kind, FinishActionKind::SetNames);
  EXPECT_EQ(actions[0].names[1], kProduct);
  EXPECT_EQ(actions[0].names[2], L"");  // no log-on shortcut, no name
}

TEST(FinishActions, SingleChoices) {
  using K = FinishActionKind;
  EXPECT_EQ(Kinds(PlanFinishActions(FINISH_RUN_PROGRAM, kProgram, kProduct, L"", true)),
            (std::vector<K>{K::RunProgram, K::SetNames}));
  auto desktop = PlanFinishActions(FINISH_DESKTOP_LINK, kProgram, kProduct, L"", true);
  EXPECT_EQ(Kinds(desktop), (std::vector<K>{K::CreateShortcut, K::SetNames}));
  EXPECT_EQ(desktop[1].names[2], L"");
  auto autostart = PlanFinishActions(FINISH_AUTOSTART, kProgram, kProduct, L"", true);
  EXPECT_EQ(autostart[0].shortcut.folderId, kFolderStartup);
  EXPECT_EQ(autostart[1].names[2], kProduct);
}

TEST(FinishActions, WithoutRecordNoSetNames) {
  using K = FinishActionKind;
  EXPECT_EQ(Kinds(PlanFinishActions(7, kProgram, kProduct, L"", false)),
            (std::vector<K>{K::CreateShortcut, K::CreateShortcut, K::RunProgram}));
  EXPECT_TRUE(PlanFinishActions(0, kProgram, kProduct, L"", false).empty());
}

TEST(FinishActions, WithoutMainProgramNoShortcutAndNoStart) {
  auto actions = PlanFinishActions(7, L"", kProduct, L"菜单", true);
  ASSERT_EQ(Kinds(actions), std::vector<FinishActionKind>{FinishActionKind::SetNames});
  EXPECT_EQ(actions[0].names[1], kProduct);
  EXPECT_EQ(actions[0].names[2], L"");  // no log-on shortcut was made
}

TEST(FinishActions, FinishText) {
  EXPECT_EQ(FinishText(L"岚杉"), L"岚杉已经正确安装，请点击“完成”结束操作。");
  EXPECT_EQ(FinishText(L"%s"), L"%s已经正确安装，请点击“完成”结束操作。");
}

}  // namespace
}  // namespace integration
