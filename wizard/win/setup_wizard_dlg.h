// SetupWizardDlg: the installer's wizard (dialog 102). A 600 x 360 window
// (at 100 %; at other display scales everything of it scales, see
// wizard/wizard_layout.h) without caption, painted over the background
// bitmap, that opens the
// package carried in the program's own file, leads through the pages
// welcome, language, agreement, install folder and confirmation, and from
// then on advances on the reports of the install workers.
//
// The page flow itself (what Next and Back do, what each page shows and
// hides, the texts) comes from wizard/page_model.h; this class applies it to
// the window and its controls.
#pragma once

#include <windows.h>

#include <string>

#include "controls/gdip_image.h"
#include "controls/skin_button.h"
#include "integration/deploy_facts.h"
#include "integration/install_log.h"
#include "integration/win/start_program.h"
#include "platform/ui/button.h"
#include "platform/ui/dialog.h"
#include "platform/ui/gdi.h"
#include "wizard/install_end.h"
#include "wizard/package_integrity.h"
#include "wizard/page_model.h"
#include "wizard/wizard_layout.h"

class WizardArtwork;

class PackageFile;

class SetupWizardDlg : public ui::CDialog {
 public:
  explicit SetupWizardDlg(ui::CWnd* parent = nullptr);
  ~SetupWizardDlg() override;

  // Members in the order the installer's design names them. The workers and
  // the finish step read installFolder, mainProgramPath, productName,
  // startMenuFolder, package and installFailed.
  std::wstring mainProgramPath;
  std::wstring installFolder;
  std::wstring noticeText;
  std::wstring guideText;
  controls::SkinButton browseButton;
  ui::CComboBox languageCombo;
  controls::SkinButton backButton;
  controls::SkinButton cancelButton;
  controls::SkinButton nextButton;
  std::wstring startMenuFolder;
  int languageId = 0;
  int page = wizard::PAGE_WELCOME;
  std::wstring productName;
  std::wstring titleText;
  std::wstring packageNotice;
  std::wstring rightsText;
  std::wstring welcomeText;
  controls::GdipImage packageImage;
  int installFailed = 0;
  HICON appIcon = nullptr;
  PackageFile* package = nullptr;
  // The main program's path as the package holds it; mainProgramPath is
  // resolved from it each time page 3 is left.
  std::wstring packageMainProgram;
  // The display scale the wizard is laid out and painted at (96: 100 %).
  int dpi = wizard::kBaseDpi;
  // What the first environment check learnt of the package (its one walk);
  // a later check, after going back to the folder page, reuses it.
  wizard::PackageCheck packageCheck;
  bool packageChecked = false;
  // The way the finish step started the main program (None: not asked).
  ProgramStart programStart = ProgramStart::None;

  // Set before DoModal for an installer built with [deploy]: the
  // installed-programs entry the registry step writes, the bytes the package
  // installs, the folder of /D= (put into the folder field instead of the
  // default) and the log of /LOG= (null: none).
  DeployFacts deploy;
  std::uint64_t installedBytes = 0;
  std::wstring commandFolder;
  integration::InstallLog* log = nullptr;
  // How the wizard ended (the process exit code and its reason).
  wizard::InstallEnd installEnd = wizard::kEndFailed;
  // Cleared by the registry worker, before its final report, when the
  // installed-programs entry could not be written; read after that report.
  bool entryWritten = true;

  // Applies `page` to the controls and texts and repaints the whole window.
  void UpdatePage();

 protected:
  void DoDataExchange(ui::CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // Next (button and Enter).
  void OnOK() override;
  // Cancel (button, Esc, Alt+F4): asks before quitting.
  void OnCancel() override;
  void OnPaint() override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT controlKind) override;
  void OnDestroy() override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  void OnBack();
  void OnAgreeClicked();
  void OnLanguageChanged();
  void OnBrowse();
  void OnPathChanged();
  HCURSOR OnQueryDragIcon();
  // WM_INSTALL_STEP, WM_ADD_MENU_ITEM, WM_ASK_RETRY.
  LRESULT OnInstallStep(WPARAM code, LPARAM item);
  LRESULT OnAddMenuItem(WPARAM record, LPARAM unused);
  LRESULT OnAskRetry(WPARAM code, LPARAM path);
  // WM_DPICHANGED: the window moved to a monitor of another scale; it takes
  // the suggested rectangle and lays itself out at the new scale.
  void OnDpiChanged(int newDpi, const RECT& suggested);

 private:
  // The Next action for the user (button, Enter) or the step handler.
  void RunNext(wizard::NextSource source);
  // Carries out a transition of the page model (see wizard::Transition).
  void ApplyTransition(const wizard::Transition& transition);
  // Starts the action's worker (or runs the finish hand-over).
  void StartAction(wizard::PageAction action);
  // The worker of `action` could not be started (wizard::WorkerStartFailed).
  void OnWorkerNotStarted(wizard::PageAction action);
  // The environment check's report: the package is damaged (the wizard
  // ends), leaves no room for its names below the install folder (back to
  // the folder page) or is ready (on to the confirmation).
  void OnEnvironmentChecked(const wizard::PackageCheck& check);
  // Back on a page the user works on (3, after a refusal in a step), with
  // Back, Next and Cancel shown.
  void ReturnToPage(int userPage);
  // Leaving page 3: checks the folder typed in 1009 (wizard::LeaveFolderPage)
  // and puts the folder taken back into the field. False: refused.
  bool LeaveFolderPage();
  // Hides the wizard, runs the finish dialog and its actions, ends with IDOK.
  void FinishHandOver();
  // Faces and options of one skinned button.
  void SetUpButton(controls::SkinButton& button, const WizardArtwork& artwork, UINT hotFace, UINT idleFace,
                   BOOL repaintBackground);
  // Every control at its place, the buttons with their faces, at `dpi`.
  void LayOut();
  void PlaceControl(const wizard::ControlPlace& place);
  // The progress line (1015) shows label + item. Reports that come faster
  // than kProgressInterval are gathered: the line is repainted at most once
  // per interval, with the latest text, and a timer shows the last one.
  void ShowProgress(const wchar_t* label, const std::wstring& item);
  // Puts the text waiting for the progress line on it now.
  void FlushProgress();
  // The log's line for a step's report: a folder or file copied, a registry value.
  void LogStep(int code, const std::wstring& item);
  void PaintTexts(HDC dc, const RECT& client);

  // The background fitted to the window at a scale other than 100 % (at
  // 100 % it is loaded at each paint).
  ui::CBitmap scaledBackground;
  // The controls' font after a change of scale (before one: the dialog's).
  ui::CFont controlFont;
  // The progress line's text not shown yet, and when the line was last painted.
  std::wstring progressWaiting;
  bool progressTimerSet = false;
  DWORD progressShownAt = 0;
};

// The running wizard; set in OnInitDialog before the package is opened. The
// workers reach the wizard's window through it.
extern SetupWizardDlg* g_pWizard;
