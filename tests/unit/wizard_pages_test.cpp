// The page rules the screen cannot show: Next, Back and Cancel on every page,
// step reports moving the page on, a worker that cannot start.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "wizard/page_model.h"

namespace wizard {
namespace {

constexpr auto U = NextSource::User;
constexpr auto S = NextSource::StepHandler;

TEST(WizardPages, NextOnEveryPageFromEverySource) {
  // page, source, ticked, the page it leads to, leaveFolderPage, applyAgreementRule, action;
  // from the step handler (S), which sets the page and runs Next itself.
  const std::tuple<int, NextSource, bool, int, bool, bool, PageAction> cases[] = {
      {0, U, false, 1, false, false, PageAction::None},
      {1, U, false, 2, false, true, PageAction::None},
      {2, U, true, 3, false, false, PageAction::None},
      {3, U, false, 4, true, false, PageAction::StartEnvironmentCheck},
      {6, U, false, 7, false, false, PageAction::StartComponents},
      {5, S, false, 6, false, false, PageAction::None},
      {8, S, false, 8, false, false, PageAction::StartCopy},
      {10, S, false, 10, false, false, PageAction::StartRegistry},
      {11, S, false, 11, false, false, PageAction::StartStartMenu},
      {12, S, false, 12, false, false, PageAction::FinishHandOver}};
  for (const auto& [page, source, ticked, to, leaveFolder, agreementRule, action] : cases) {
    SCOPED_TRACE(page);
    const Transition t = NextTransition(page, source, ticked);
    ASSERT_TRUE(t.handled);
    EXPECT_EQ(std::tie(t.page, t.leaveFolderPage, t.applyAgreementRule, t.action),
              std::tie(to, leaveFolder, agreementRule, action));
    EXPECT_FALSE(t.showNext);
    EXPECT_EQ(t.updatePage, action != PageAction::FinishHandOver);  // the wizard hides itself instead
  }
  // Enter on an unticked agreement, a step page's own Next, and the user's
  // Next or Enter while a step runs change nothing.
  const std::tuple<int, NextSource, bool> ignored[] = {{2, U, false}, {4, S, false}, {7, S, false}, {9, S, false},
                                                       {4, U, true},  {5, U, true},  {7, U, true},  {8, U, true},
                                                       {10, U, true}, {11, U, true}, {12, U, true}};
  for (const auto& [page, source, ticked] : ignored) EXPECT_FALSE(NextTransition(page, source, ticked).handled) << page;
}

TEST(WizardPages, BackAndCancelOnEveryPage) {
  // Back's target (-1: ignored) and whether Cancel, Esc or Alt+F4 ask to quit.
  const struct {
    int back;
    bool cancelAsks;
  } pages[] = {{-1, true},  {0, true},   {1, true},   {2, true},   {-1, false}, {-1, false}, {3, true},
               {-1, false}, {-1, false}, {-1, false}, {-1, false}, {-1, false}, {-1, false}, {-1, false}};
  for (int page = 0; page < 14; ++page) {
    SCOPED_TRACE(page);
    const Transition t = BackTransition(page);
    EXPECT_EQ(t.handled, pages[page].back >= 0);
    EXPECT_EQ(CancelAsksToQuit(page), pages[page].cancelAsks);
    if (!t.handled) continue;
    EXPECT_EQ(t.page, pages[page].back);
    EXPECT_TRUE(t.updatePage);
    EXPECT_EQ(t.showNext, page == PAGE_AGREEMENT);  // back on the language page Next shows again
    EXPECT_EQ(t.action, PageAction::None);
  }
  EXPECT_FALSE(CancelAsksToQuit(-1));
  // Back from the confirmation, then Next: the folder is checked again.
  const Transition next = NextTransition(BackTransition(PAGE_CONFIRM).page, U, true);
  EXPECT_TRUE(next.leaveFolderPage);
  EXPECT_EQ(next.action, PageAction::StartEnvironmentCheck);
}

TEST(WizardPages, StepReportsLeadFromTheConfirmationToTheFinish) {
  EXPECT_EQ(HandleInstallStep(4, true).page, PAGE_ENVIRONMENT_SET);
  EXPECT_EQ(HandleInstallStep(5, false).response, StepResponse::Nothing);
  EXPECT_EQ(HandleInstallStep(9, true).response, StepResponse::Nothing);
  const StepHandling progress = HandleInstallStep(8, true);
  EXPECT_EQ(progress.response, StepResponse::ShowProgress);
  EXPECT_STREQ(progress.label, L"正在复制文件:    ");

  // Next on the confirmation, then each step's final report: the actions
  // follow one another and the last one hands over to the finish step.
  std::vector<PageAction> started = {NextTransition(PAGE_CONFIRM, U, false).action};
  for (int code : {7, 8, 10, 11}) {
    const StepHandling h = HandleInstallStep(code, false);
    ASSERT_NE(h.response, StepResponse::Nothing) << code;
    const int page = h.response == StepResponse::EndOfCopying ? kPageAfterCopying : h.page;
    started.push_back(NextTransition(page, S, false).action);
  }
  EXPECT_EQ(started,
            (std::vector<PageAction>{PageAction::StartComponents, PageAction::StartCopy, PageAction::StartRegistry,
                                     PageAction::StartStartMenu, PageAction::FinishHandOver}));
}

TEST(WizardPages, AWorkerThatCannotStartLeavesNoStuckPage) {
  // Nothing written yet: back where the user pressed Next, which starts the
  // same work again; from copying on, a failed installation.
  for (PageAction action : {PageAction::StartEnvironmentCheck, PageAction::StartComponents}) {
    const StartFailure f = WorkerStartFailed(action);
    EXPECT_FALSE(f.endInstallation);
    EXPECT_TRUE(CancelAsksToQuit(f.page));
    EXPECT_EQ(NextTransition(f.page, U, true).action, action);
  }
  for (PageAction action : {PageAction::StartCopy, PageAction::StartRegistry, PageAction::StartStartMenu})
    EXPECT_TRUE(WorkerStartFailed(action).endInstallation);
}

TEST(WizardPages, AFolderHoldingAFormatMarkerIsShownAsItIs) {
  EXPECT_EQ(ConfirmationText(L"C:\\%s", L"P"),
            L"即将在\n    C:\\%s\n安装P, 继续请点击“下一步”：退出安装请点击“取消”, 返回请点击“上一步”");
  EXPECT_EQ(FillFormat(L"%s-%s-%s", L"a", L"b"), L"a-b-%s");
}

}  // namespace
}  // namespace wizard
