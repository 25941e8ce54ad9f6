// The wizard's page flow without any window: page numbers, what Next and
// Back do on each page, how a step's report moves the page on, which
// controls each page shows and hides, and the texts each page paints.
// SetupWizardDlg asks these functions and carries out the answer on its
// controls; it keeps `page` itself.
#pragma once

#include <array>
#include <string>

namespace wizard {

// Page numbers (the wizard's `page`). 9 is not used.
enum WizardPage : int {
  PAGE_WELCOME = 0,
  PAGE_LANGUAGE = 1,
  PAGE_AGREEMENT = 2,
  PAGE_INSTALL_FOLDER = 3,
  PAGE_CHECK_ENVIRONMENT = 4,
  PAGE_ENVIRONMENT_SET = 5,
  PAGE_CONFIRM = 6,
  PAGE_INSTALL_COMPONENTS = 7,
  PAGE_COPY_FILES = 8,
  PAGE_WRITE_REGISTRY = 10,
  PAGE_CREATE_START_MENU = 11,
  PAGE_FINISHED = 12,
};

// Controls of dialog 102 whose visibility the pages set. The values are the
// control ids (Next is IDOK, Cancel is IDCANCEL).
enum class Control : int {
  Next = 1,
  Cancel = 2,
  Back = 1011,
  Browse = 1010,
  LanguageLabel = 1012,
  Language = 1006,
  FolderLabel = 1013,
  InstallFolder = 1009,
  AgreementLabel = 1014,
  Agreement = 1007,
  Agree = 1008,
  Progress = 1015,
};
constexpr int ControlId(Control c) { return static_cast<int>(c); }

enum class Visibility { Unchanged, Shown, Hidden };

struct ControlVisibility {
  Control control;
  Visibility visibility;
};

// The twelve controls above, in the order of Control, with what the page
// does to each. Unknown pages (9, <0, >12) leave everything unchanged. The
// progress line (1015) is always Unchanged: it is never hidden.
std::array<ControlVisibility, 12> PageVisibility(int page);
// What the page does to one control.
Visibility PageVisibility(int page, Control control);

// True on the pages where a step runs (4, 5, 7, 8, 10, 11, 12): the user's
// Next, Back, Cancel, Enter, Esc and Alt+F4 are ignored there.
bool IsStepPage(int page);

// Who invokes the Next action: the user (button, Enter) or the step handler,
// which sets `page` and then runs Next itself.
enum class NextSource { User, StepHandler };

// The work the dialog starts after a transition.
enum class PageAction {
  None,
  StartEnvironmentCheck,  // CheckEnvironmentProc, no parameter (step 4)
  StartComponents,        // InstallComponentsProc, no parameter (step 7)
  StartCopy,              // CopyFilesProc with `package` (step 8)
  StartRegistry,          // WriteRegistryProc with `package` (step 10)
  StartStartMenu,         // CreateStartMenuProc with `package` (step 11)
  FinishHandOver,         // hide the wizard, FinishDlg, finish actions, end with IDOK
};

// The answer to Next or Back. The dialog carries it out in this order:
//  1. handled false: do nothing at all.
//  2. leaveFolderPage: read control 1009 and call LeaveFolderPage (install_paths.h);
//     when it refuses, show kTextInvalidFolder and do nothing else (stay on page 3).
//  3. page = page.
//  4. applyAgreementRule: show Next when 1008 is ticked, hide it otherwise.
//     showNext: show the Next button.
//  5. updatePage: UpdatePage() (visibility, texts, whole-window invalidation).
//  6. start the action.
struct Transition {
  bool handled = false;
  int page = PAGE_WELCOME;
  bool leaveFolderPage = false;
  bool applyAgreementRule = false;
  bool showNext = false;
  bool updatePage = false;
  PageAction action = PageAction::None;
};

// What the wizard does when the worker of a Start action cannot be started
// (message kTextStepNotStarted first, in both cases). Before anything is
// written (environment check, components) it goes back to the page the user
// came from, with Back, Next and Cancel shown, so the user can try again or
// quit; from the copy step on it ends as a failed installation ("安装失败!",
// then the wizard ends with IDOK).
struct StartFailure {
  bool endInstallation = false;
  int page = -1;  // the page to go back to when the installation goes on
};
StartFailure WorkerStartFailed(PageAction action);

// Next (OnOK) on `page`. agreementTicked is the state of check box 1008; a
// user's Next on page 2 passes only when it is ticked.
Transition NextTransition(int page, NextSource source, bool agreementTicked);
// Back (OnBack) on `page`: 1 -> 0, 2 -> 1 (showing Next), 3 -> 2, 6 -> 3.
// Ignored elsewhere, also on the step pages 4 and 5.
Transition BackTransition(int page);
// Cancel, Esc or Alt+F4 on `page`: true when the quit question is asked
// (pages 0 to 3 and 6); false: ignored.
bool CancelAsksToQuit(int page);
// Agreement rule (OnAgreeClicked, and entering page 2 from page 1).
inline bool NextShownForAgreement(bool agreementTicked) { return agreementTicked; }

// What OnInstallStep does with a step report.
enum class StepResponse {
  Nothing,          // unknown code
  ShowProgress,     // control 1015 = label + item text; invalidate its rectangle only
  GoToPageAndNext,  // page = page, then NextTransition(page, NextSource::StepHandler, ...)
  EndOfCopying,     // "安装失败!" when installFailed; else page = kPageAfterCopying (the
                    // copy worker has opened the install record), then Next from that page
};

struct StepHandling {
  StepResponse response = StepResponse::Nothing;
  int page = -1;               // GoToPageAndNext: the page to set
  const wchar_t* label = L"";  // ShowProgress: the label before the item text
};

// The handling of WM_INSTALL_STEP (code, lParam != 0).
StepHandling HandleInstallStep(int code, bool hasItem);
inline constexpr int kPageAfterCopying = PAGE_WRITE_REGISTRY;

// The texts UpdatePage sets. noticeText is always replaced (emptied except
// on page 0); guideText only when setGuide is true (page 12 and unknown
// pages keep it).
struct PageTexts {
  bool setGuide = false;
  std::wstring guideText;
  std::wstring noticeText;
};

// What the page paints. welcomeText and packageNotice are package texts
// (page 0); installFolder and productName fill the confirmation (page 6).
PageTexts PageTextsFor(int page, const std::wstring& welcomeText, const std::wstring& packageNotice,
                       const std::wstring& installFolder, const std::wstring& productName);

// The confirmation page's text with the install folder and the product name.
std::wstring ConfirmationText(const std::wstring& installFolder, const std::wstring& productName);

// Fills the %s markers of a fixed format in order with the arguments; a %s
// inside an argument is not touched.
std::wstring FillFormat(const wchar_t* format, const std::wstring& first, const std::wstring& second = std::wstring());

}  // namespace wizard
