#include "wizard/unattended_install.h"

#include "wizard/messages.h"
#include "wizard/page_model.h"

namespace wizard {

InstallEnd RunUnattended(UnattendedSteps& steps) {
  bool entryWritten = true;
  Transition t = NextTransition(PAGE_WELCOME, NextSource::User, true);
  // Each page is passed once; a flow that went round would be a fault.
  for (int moves = 0; t.handled && moves < 32; ++moves) {
    if (t.leaveFolderPage && !steps.LeaveFolderPage()) return kEndFolderRefused;
    const int page = t.page;
    int step = 0;  // the step whose end is reported
    bool copied = true;
    switch (t.action) {
      case PageAction::None:
        // A page that waits for the user's Next.
        t = NextTransition(page, NextSource::User, true);
        continue;
      case PageAction::StartEnvironmentCheck:
        switch (steps.CheckEnvironment()) {
          case EnvironmentVerdict::Damaged:
            return kEndDamaged;
          case EnvironmentVerdict::FolderTooLong:
            return kEndFolderRefused;
          case EnvironmentVerdict::Ready:
            break;
        }
        step = STEP_CHECK_ENVIRONMENT;
        break;
      case PageAction::StartComponents:
        step = STEP_INSTALL_COMPONENTS;
        break;
      case PageAction::StartCopy:
        copied = steps.CopyFiles();
        step = STEP_COPY_FILES;
        break;
      case PageAction::StartRegistry:
        entryWritten = steps.WriteRegistry();
        step = STEP_WRITE_REGISTRY;
        break;
      case PageAction::StartStartMenu:
        steps.CreateStartMenu();
        step = STEP_CREATE_START_MENU;
        break;
      case PageAction::FinishHandOver:
        steps.Finish();
        return entryWritten ? kEndInstalled : kEndEntryNotWritten;
    }
    const StepHandling handling = HandleInstallStep(step, false);
    int next = handling.page;
    if (handling.response == StepResponse::EndOfCopying) {
      if (!copied) return kEndCopyFailed;
      next = kPageAfterCopying;
    } else if (handling.response != StepResponse::GoToPageAndNext) {
      break;
    }
    t = NextTransition(next, NextSource::StepHandler, true);
  }
  return kEndStepNotStarted;
}

}  // namespace wizard
