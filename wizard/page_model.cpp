#include "wizard/page_model.h"

#include "wizard/wizard_texts.h"

namespace wizard {

namespace {

constexpr std::array<Control, 12> kControls = {
    Control::Next,           Control::Cancel,    Control::Back,        Control::Browse,
    Control::LanguageLabel,  Control::Language,  Control::FolderLabel, Control::InstallFolder,
    Control::AgreementLabel, Control::Agreement, Control::Agree,       Control::Progress,
};

bool IsLanguageControl(Control c) { return c == Control::LanguageLabel || c == Control::Language; }
bool IsFolderControl(Control c) {
  return c == Control::FolderLabel || c == Control::InstallFolder || c == Control::Browse;
}
bool IsAgreementControl(Control c) {
  return c == Control::AgreementLabel || c == Control::Agreement || c == Control::Agree;
}
bool IsPushButton(Control c) { return c == Control::Next || c == Control::Cancel || c == Control::Back; }

Transition MoveTo(int page) {
  Transition t;
  t.handled = true;
  t.page = page;
  t.updatePage = true;
  return t;
}

}  // namespace

Visibility PageVisibility(int page, Control c) {
  if (c == Control::Progress) return Visibility::Unchanged;
  switch (page) {
    case PAGE_WELCOME:
      if (c == Control::Back || IsLanguageControl(c) || IsFolderControl(c) || IsAgreementControl(c))
        return Visibility::Hidden;
      return Visibility::Unchanged;
    case PAGE_LANGUAGE:
      if (c == Control::Back || IsLanguageControl(c)) return Visibility::Shown;
      if (IsFolderControl(c) || IsAgreementControl(c)) return Visibility::Hidden;
      return Visibility::Unchanged;
    case PAGE_AGREEMENT:
      if (IsLanguageControl(c) || IsFolderControl(c)) return Visibility::Hidden;
      if (IsAgreementControl(c)) return Visibility::Shown;
      return Visibility::Unchanged;
    case PAGE_INSTALL_FOLDER:
      if (c == Control::Back || IsFolderControl(c)) return Visibility::Shown;
      if (IsLanguageControl(c) || IsAgreementControl(c)) return Visibility::Hidden;
      return Visibility::Unchanged;
    case PAGE_CHECK_ENVIRONMENT:
      return Visibility::Hidden;  // every push button and page control
    case PAGE_CONFIRM:
      return IsPushButton(c) ? Visibility::Shown : Visibility::Unchanged;
    case PAGE_INSTALL_COMPONENTS:
      return IsPushButton(c) ? Visibility::Hidden : Visibility::Unchanged;
    default:  // 5, 8, 10, 11, 12 and unknown pages set nothing
      return Visibility::Unchanged;
  }
}

std::array<ControlVisibility, 12> PageVisibility(int page) {
  std::array<ControlVisibility, 12> all{};
  for (size_t i = 0; i < kControls.size(); ++i) all[i] = {kControls[i], PageVisibility(page, kControls[i])};
  return all;
}

bool IsStepPage(int page) {
  return page == PAGE_CHECK_ENVIRONMENT || page == PAGE_ENVIRONMENT_SET ||
         (page >= PAGE_INSTALL_COMPONENTS && page <= PAGE_FINISHED);
}

Transition NextTransition(int page, NextSource source, bool agreementTicked) {
  // A step page belongs to its running worker: only the step handler moves it.
  if (source == NextSource::User && IsStepPage(page)) return {};
  Transition t;
  switch (page) {
    case PAGE_WELCOME:
      return MoveTo(PAGE_LANGUAGE);
    case PAGE_LANGUAGE:
      t = MoveTo(PAGE_AGREEMENT);
      t.applyAgreementRule = true;
      return t;
    case PAGE_AGREEMENT:
      // Enter reaches OnOK even with Next hidden: an unticked agreement holds.
      if (!agreementTicked) return {};
      return MoveTo(PAGE_INSTALL_FOLDER);
    case PAGE_INSTALL_FOLDER:
      t = MoveTo(PAGE_CHECK_ENVIRONMENT);
      t.leaveFolderPage = true;
      t.action = PageAction::StartEnvironmentCheck;
      return t;
    case PAGE_ENVIRONMENT_SET:
      return MoveTo(PAGE_CONFIRM);
    case PAGE_CONFIRM:
      t = MoveTo(PAGE_INSTALL_COMPONENTS);
      t.action = PageAction::StartComponents;
      return t;
    case PAGE_COPY_FILES:
      t = MoveTo(PAGE_COPY_FILES);
      t.action = PageAction::StartCopy;
      return t;
    case PAGE_WRITE_REGISTRY:
      t = MoveTo(PAGE_WRITE_REGISTRY);
      t.action = PageAction::StartRegistry;
      return t;
    case PAGE_CREATE_START_MENU:
      t = MoveTo(PAGE_CREATE_START_MENU);
      t.action = PageAction::StartStartMenu;
      return t;
    case PAGE_FINISHED:
      t.handled = true;
      t.page = PAGE_FINISHED;
      t.action = PageAction::FinishHandOver;
      return t;
    default:  // 4 and 7 wait for their worker; 9 and unknown pages do nothing
      return {};
  }
}

Transition BackTransition(int page) {
  Transition t;
  switch (page) {
    case PAGE_LANGUAGE:
      return MoveTo(PAGE_WELCOME);
    case PAGE_AGREEMENT:
      t = MoveTo(PAGE_LANGUAGE);
      t.showNext = true;
      return t;
    case PAGE_INSTALL_FOLDER:
      return MoveTo(PAGE_AGREEMENT);
    case PAGE_CONFIRM:
      return MoveTo(PAGE_INSTALL_FOLDER);
    default:  // 0, and the step pages 4 and 5 where the environment worker runs
      return {};
  }
}

StartFailure WorkerStartFailed(PageAction action) {
  StartFailure failure;
  switch (action) {
    case PageAction::StartEnvironmentCheck:
      failure.page = PAGE_INSTALL_FOLDER;
      break;
    case PageAction::StartComponents:
      failure.page = PAGE_CONFIRM;
      break;
    case PageAction::StartCopy:
    case PageAction::StartRegistry:
    case PageAction::StartStartMenu:
      failure.endInstallation = true;
      break;
    case PageAction::None:
    case PageAction::FinishHandOver:
      break;  // no worker
  }
  return failure;
}

bool CancelAsksToQuit(int page) { return page >= PAGE_WELCOME && page <= PAGE_CONFIRM && !IsStepPage(page); }

StepHandling HandleInstallStep(int code, bool hasItem) {
  StepHandling h;
  switch (code) {
    case 4:
      h.response = StepResponse::GoToPageAndNext;
      h.page = PAGE_ENVIRONMENT_SET;
      break;
    case 7:
      h.response = StepResponse::GoToPageAndNext;
      h.page = PAGE_COPY_FILES;
      break;
    case 8:
      if (hasItem) {
        h.response = StepResponse::ShowProgress;
        h.label = kLabelCopyFiles;
      } else {
        h.response = StepResponse::EndOfCopying;
      }
      break;
    case 10:
      if (hasItem) {
        h.response = StepResponse::ShowProgress;
        h.label = kLabelWriteRegistry;
      } else {
        h.response = StepResponse::GoToPageAndNext;
        h.page = PAGE_CREATE_START_MENU;
      }
      break;
    case 11:
      if (hasItem) {
        h.response = StepResponse::ShowProgress;
        h.label = kLabelCreateStartMenu;
      } else {
        h.response = StepResponse::GoToPageAndNext;
        h.page = PAGE_FINISHED;
      }
      break;
    default:
      break;
  }
  return h;
}

std::wstring FillFormat(const wchar_t* format, const std::wstring& first, const std::wstring& second) {
  std::wstring out;
  const std::wstring* args[2] = {&first, &second};
  int used = 0;
  for (const wchar_t* p = format; *p; ++p) {
    if (p[0] == L'%' && p[1] == L's' && used < 2) {
      out += *args[used++];
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::wstring ConfirmationText(const std::wstring& installFolder, const std::wstring& productName) {
  return FillFormat(kFormatConfirmation, installFolder, productName);
}

PageTexts PageTextsFor(int page, const std::wstring& welcomeText, const std::wstring& packageNotice,
                       const std::wstring& installFolder, const std::wstring& productName) {
  PageTexts texts;
  texts.setGuide = true;
  switch (page) {
    case PAGE_WELCOME:
      texts.guideText = welcomeText;
      texts.noticeText = packageNotice;
      break;
    case PAGE_LANGUAGE:
      texts.guideText = kGuideLanguage;
      break;
    case PAGE_AGREEMENT:
      texts.guideText = kGuideAgreement;
      break;
    case PAGE_INSTALL_FOLDER:
      texts.guideText = kGuideInstallFolder;
      break;
    case PAGE_CHECK_ENVIRONMENT:
      texts.guideText = kGuideCheckEnvironment;
      break;
    case PAGE_ENVIRONMENT_SET:
      texts.guideText = kGuideEnvironmentSet;
      break;
    case PAGE_CONFIRM:
      texts.guideText = ConfirmationText(installFolder, productName);
      break;
    case PAGE_INSTALL_COMPONENTS:
      texts.guideText = kGuideInstallComponents;
      break;
    case PAGE_COPY_FILES:
      texts.guideText = kGuideCopyFiles;
      break;
    case PAGE_WRITE_REGISTRY:
      texts.guideText = kGuideWriteRegistry;
      break;
    case PAGE_CREATE_START_MENU:
      texts.guideText = kGuideCreateStartMenu;
      break;
    default:  // page 12 (the wizard hides itself) and unknown pages keep the guide
      texts.setGuide = false;
      break;
  }
  return texts;
}

}  // namespace wizard
