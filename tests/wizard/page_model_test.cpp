#include "wizard/page_model.h"

#include <gtest/gtest.h>

#include "wizard/wizard_texts.h"

namespace wizard {
namespace {

struct NextCase {
  int page;
  NextSource source;
  bool ticked;
  bool handled;
  int to;
  bool leaveFolder;
  bool agreementRule;
  PageAction action;
};

TEST(PageModelNext, EveryPageOfTheNextTable) {
  const auto U = NextSource::User;
  const auto S = NextSource::StepHandler;
  const NextCase cases[] = {
      {0, U, false, true, 1, false, false, PageAction::None},
      {1, U, false, true, 2, false, true, PageAction::None},
      {2, U, true, true, 3, false, false, PageAction::None},
      {3, U, false, true, 4, true, false, PageAction::StartEnvironmentCheck},
      {6, U, false, true, 7, false, false, PageAction::StartComponents},
      // Pages the step handler enters and then runs Next on.
      {5, S, false, true, 6, false, false, PageAction::None},
      {8, S, false, true, 8, false, false, PageAction::StartCopy},
      {10, S, false, true, 10, false, false, PageAction::StartRegistry},
      {11, S, false, true, 11, false, false, PageAction::StartStartMenu},
      {4, S, false, false, 0, false, false, PageAction::None},
      {7, S, false, false, 0, false, false, PageAction::None},
      {9, S, false, false, 0, false, false, PageAction::None},
  };
  for (const NextCase& c : cases) {
    SCOPED_TRACE(c.page);
    Transition t = NextTransition(c.page, c.source, c.ticked);
    EXPECT_EQ(t.handled, c.handled);
    if (!c.handled) continue;
    EXPECT_EQ(t.page, c.to);
    EXPECT_EQ(t.leaveFolderPage, c.leaveFolder);
    EXPECT_EQ(t.applyAgreementRule, c.agreementRule);
    EXPECT_FALSE(t.showNext);
    EXPECT_TRUE(t.updatePage);
    EXPECT_EQ(t.action, c.action);
  }
}

TEST(PageModelNext, FinishHandOverWithoutPageUpdate) {
  Transition t = NextTransition(12, NextSource::StepHandler, false);
  EXPECT_TRUE(t.handled);
  EXPECT_EQ(t.action, PageAction::FinishHandOver);
  EXPECT_FALSE(t.updatePage);  // the wizard hides itself instead
}

TEST(PageModelKeyboard, EnterDoesNotPassAnUntickedAgreement) {
  EXPECT_FALSE(NextTransition(2, NextSource::User, false).handled);
  EXPECT_TRUE(NextTransition(2, NextSource::User, true).handled);
  EXPECT_FALSE(NextShownForAgreement(false));
  EXPECT_TRUE(NextShownForAgreement(true));
}

TEST(PageModelKeyboard, UserActionsChangeNothingWhileAStepRuns) {
  for (int page : {4, 5, 7, 8, 10, 11, 12}) {
    SCOPED_TRACE(page);
    EXPECT_TRUE(IsStepPage(page));
    EXPECT_FALSE(NextTransition(page, NextSource::User, true).handled);
    EXPECT_FALSE(BackTransition(page).handled);
    EXPECT_FALSE(CancelAsksToQuit(page));
  }
  for (int page : {0, 1, 2, 3, 6}) {
    SCOPED_TRACE(page);
    EXPECT_FALSE(IsStepPage(page));
    EXPECT_TRUE(CancelAsksToQuit(page));
  }
  EXPECT_FALSE(CancelAsksToQuit(9));
  EXPECT_FALSE(CancelAsksToQuit(-1));
}

TEST(PageModelSteps, AWorkerThatCannotStartLeavesNoStuckPage) {
  struct {
    PageAction action;
    bool ends;
    int page;
  } cases[] = {
      // Nothing written yet: back where the user pressed Next, to retry or quit.
      {PageAction::StartEnvironmentCheck, false, PAGE_INSTALL_FOLDER},
      {PageAction::StartComponents, false, PAGE_CONFIRM},
      // From copying on: a failed installation.
      {PageAction::StartCopy, true, -1},
      {PageAction::StartRegistry, true, -1},
      {PageAction::StartStartMenu, true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.action));
    StartFailure f = WorkerStartFailed(c.action);
    EXPECT_EQ(f.endInstallation, c.ends);
    EXPECT_EQ(f.page, c.page);
    if (c.ends) continue;
    // The page gone back to takes the user's Next and Cancel again.
    EXPECT_FALSE(IsStepPage(f.page));
    EXPECT_TRUE(CancelAsksToQuit(f.page));
    EXPECT_EQ(NextTransition(f.page, NextSource::User, true).action, c.action);
  }
}

TEST(PageModelBack, EveryPageOfTheBackTable) {
  const int from[] = {1, 2, 3, 6};
  const int to[] = {0, 1, 2, 3};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(from[i]);
    Transition t = BackTransition(from[i]);
    EXPECT_TRUE(t.handled);
    EXPECT_EQ(t.page, to[i]);
    EXPECT_TRUE(t.updatePage);
    EXPECT_EQ(t.showNext, from[i] == 2);  // back to the language page always shows Next
    EXPECT_EQ(t.action, PageAction::None);
  }
  for (int page : {0, 4, 5, 7, 8, 9, 10, 11, 12, 13}) EXPECT_FALSE(BackTransition(page).handled) << page;
}

TEST(PageModelBack, ConfirmationBackThenNextChecksTheEnvironmentAgain) {
  Transition back = BackTransition(PAGE_CONFIRM);
  Transition next = NextTransition(back.page, NextSource::User, true);
  EXPECT_TRUE(next.leaveFolderPage);
  EXPECT_EQ(next.action, PageAction::StartEnvironmentCheck);
}

TEST(PageModelSteps, StepReportsMoveThePage) {
  struct {
    int code;
    bool item;
    StepResponse response;
    int page;
  } cases[] = {
      {4, false, StepResponse::GoToPageAndNext, 5},   {4, true, StepResponse::GoToPageAndNext, 5},
      {7, false, StepResponse::GoToPageAndNext, 8},   {8, false, StepResponse::EndOfCopying, -1},
      {10, false, StepResponse::GoToPageAndNext, 11}, {11, false, StepResponse::GoToPageAndNext, 12},
      {5, false, StepResponse::Nothing, -1},          {9, true, StepResponse::Nothing, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    StepHandling h = HandleInstallStep(c.code, c.item);
    EXPECT_EQ(h.response, c.response);
    EXPECT_EQ(h.page, c.page);
  }
  EXPECT_EQ(kPageAfterCopying, 10);
}

TEST(PageModelSteps, ProgressLabels) {
  EXPECT_EQ(HandleInstallStep(8, true).response, StepResponse::ShowProgress);
  EXPECT_STREQ(HandleInstallStep(8, true).label, L"正在复制文件:    ");
  EXPECT_STREQ(HandleInstallStep(10, true).label, L"正在写入注册表:    ");
  EXPECT_STREQ(HandleInstallStep(11, true).label, L"正在创建开始菜单:    ");
}

TEST(PageModelSteps, TheWholeChainFromConfirmationToFinish) {
  // Next on 6, then each final report; the step handler runs Next itself.
  std::vector<PageAction> started;
  Transition t = NextTransition(6, NextSource::User, false);
  started.push_back(t.action);
  for (int code : {7, 8, 10, 11}) {
    StepHandling h = HandleInstallStep(code, false);
    int page = h.response == StepResponse::EndOfCopying ? kPageAfterCopying : h.page;
    t = NextTransition(page, NextSource::StepHandler, false);
    started.push_back(t.action);
  }
  const std::vector<PageAction> expected = {PageAction::StartComponents, PageAction::StartCopy,
                                            PageAction::StartRegistry, PageAction::StartStartMenu,
                                            PageAction::FinishHandOver};
  EXPECT_EQ(started, expected);
}

// Per page, the twelve controls in Control order:
// Next Cancel Back Browse LangLabel Lang FolderLabel Folder AgrLabel Agr Agree Progress
// S shown, H hidden, - unchanged.
TEST(PageModelVisibility, EveryPage) {
  const std::pair<int, const char*> table[] = {
      {0, "--HHHHHHHHH-"},  {1, "--SHSSHHHHH-"},  {2, "---HHHHHSSS-"},  {3, "--SSHHSSHHH-"}, {4, "HHHHHHHHHHH-"},
      {5, "------------"},  {6, "SSS---------"},  {7, "HHH---------"},  {8, "------------"}, {9, "------------"},
      {10, "------------"}, {11, "------------"}, {12, "------------"},
  };
  for (const auto& [page, expected] : table) {
    SCOPED_TRACE(page);
    std::string got;
    for (const ControlVisibility& cv : PageVisibility(page)) {
      got += cv.visibility == Visibility::Shown ? 'S' : cv.visibility == Visibility::Hidden ? 'H' : '-';
      EXPECT_EQ(cv.visibility, PageVisibility(page, cv.control));
    }
    EXPECT_EQ(got, expected);
  }
}

TEST(PageModelVisibility, ControlIds) {
  const int ids[] = {1, 2, 1011, 1010, 1012, 1006, 1013, 1009, 1014, 1007, 1008, 1015};
  auto all = PageVisibility(0);
  for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(ControlId(all[i].control), ids[i]);
}

TEST(PageModelTexts, GuideAndNoticePerPage) {
  const std::wstring welcome = L"欢迎", notice = L"注意", folder = L"D:\\X", product = L"产品";
  PageTexts p0 = PageTextsFor(0, welcome, notice, folder, product);
  EXPECT_TRUE(p0.setGuide);
  EXPECT_EQ(p0.guideText, welcome);
  EXPECT_EQ(p0.noticeText, notice);

  const std::pair<int, const wchar_t*> fixed[] = {
      {1, L"请按向导选择安装语言：退出安装请点击“取消”, 返回请点击“上一步”, 继续请点击“下一步”"},
      {2, L"请同意用户安装协议并继续点击“下一步”：退出安装请点击“取消”, 返回请点击“上一步”"},
      {3,
       L"请按向导选择安装路径, 若更换安装路径请点击“浏览”或手动输入路径：退出安装请点击“取消”, 返回请点击“上一步”, 继续请点击“下一步”"},
      {4, L"正在检查安装环境，请稍后......"},
      {5, L"请设置安装环境。"},
      {7, L"正在安装组件, 请耐心等待......:"},
      {8, L"正在进行文件拷贝，请耐心等待......"},
      {10, L"正在写入注册表，请耐心等待......"},
      {11, L"正在创建开始菜单，请耐心等待......"},
  };
  for (const auto& [page, guide] : fixed) {
    SCOPED_TRACE(page);
    PageTexts t = PageTextsFor(page, welcome, notice, folder, product);
    EXPECT_TRUE(t.setGuide);
    EXPECT_EQ(t.guideText, guide);
    EXPECT_TRUE(t.noticeText.empty());
  }
  PageTexts p6 = PageTextsFor(6, welcome, notice, folder, product);
  EXPECT_EQ(p6.guideText, ConfirmationText(folder, product));
  EXPECT_TRUE(p6.noticeText.empty());
  PageTexts p12 = PageTextsFor(12, welcome, notice, folder, product);
  EXPECT_FALSE(p12.setGuide);
  EXPECT_TRUE(p12.noticeText.empty());
}

TEST(PageModelTexts, EmptyWelcomeShowsAnEmptyMiddle) {
  PageTexts p0 = PageTextsFor(0, L"", L"", L"C:\\P", L"P");
  EXPECT_TRUE(p0.setGuide);
  EXPECT_TRUE(p0.guideText.empty());
  EXPECT_TRUE(p0.noticeText.empty());
}

TEST(PageModelTexts, ConfirmationText) {
  EXPECT_EQ(
      ConfirmationText(L"C:\\Program Files\\岚杉", L"岚杉"),
      L"即将在\n    C:\\Program Files\\岚杉\n安装岚杉, 继续请点击“下一步”：退出安装请点击“取消”, 返回请点击“上一步”");
  // A %s inside the folder is text, not a second marker.
  EXPECT_EQ(ConfirmationText(L"C:\\%s", L"P"),
            L"即将在\n    C:\\%s\n安装P, 继续请点击“下一步”：退出安装请点击“取消”, 返回请点击“上一步”");
}

TEST(PageModelTexts, FillFormatLeavesExtraMarkersAlone) {
  EXPECT_EQ(FillFormat(L"%s-%s-%s", L"a", L"b"), L"a-b-%s");
  EXPECT_EQ(FillFormat(L"100%", L"a"), L"100%");
}

}  // namespace
}  // namespace wizard
