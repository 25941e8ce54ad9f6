// SetupWizardDlg: start-up, pages, buttons, painting and the step reports.
#include "wizard/win/setup_wizard_dlg.h"

#include <shlobj.h>

#include <tuple>

#include "integration/install_record.h"
#include "integration/menu_path.h"
#include "integration/win/create_shortcut.h"
#include "integration/win/finish_dlg.h"
#include "integration/win/finish_step.h"
#include "package/byte_buffer.h"
#include "package/package_file.h"
#include "platform/folder_probe.h"
#include "platform/ui/app.h"
#include "platform/ui/dpi.h"
#include "platform/ui/gdi.h"
#include "platform/ui/thread.h"
#include "res/resource.h"
#include "wizard/install_paths.h"
#include "wizard/messages.h"
#include "wizard/win/artwork.h"
#include "wizard/win/install_workers.h"
#include "wizard/win/language_table.h"
#include "wizard/wizard_layout.h"
#include "wizard/wizard_texts.h"

SetupWizardDlg* g_pWizard = nullptr;

namespace {

// Transparent colour of every button face.
constexpr COLORREF kFaceTransparent = RGB(66, 66, 66);
constexpr COLORREF kTitleColour = RGB(5, 94, 172);
constexpr COLORREF kTextColour = RGB(0, 0, 0);

// The progress line is repainted at most this often (ms): a paint per
// copied file would cost more than copying a small file.
constexpr DWORD kProgressInterval = 50;
constexpr UINT_PTR kProgressTimer = 1;

RECT ToRect(const wizard::Box& box) { return {box.left, box.top, box.right, box.bottom}; }

// Tells a control to use `font`.
BOOL CALLBACK SetControlFont(HWND control, LPARAM font) {
  ::SendMessageW(control, WM_SETFONT, WPARAM(font), TRUE);
  return TRUE;
}

// The multi-line edit control breaks lines only at "\r\n"; agreement texts
// written with bare "\n" are shown with the line breaks they mean.
std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
    out += text[i];
  }
  return out;
}

}  // namespace

SetupWizardDlg::SetupWizardDlg(ui::CWnd* parent) : ui::CDialog(IDD_SETUP_WIZARD, parent) {
  titleText = wizard::kTextDefaultTitle;
  appIcon = ::LoadIconW(ui::AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP_ICON));
  wchar_t folder[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder))) installFolder = folder;
}

SetupWizardDlg::~SetupWizardDlg() = default;

void SetupWizardDlg::DoDataExchange(ui::CDataExchange* dx) {
  ui::CDialog::DoDataExchange(dx);
  ui::DDX_Control(dx, IDC_BROWSE, browseButton);
  ui::DDX_Control(dx, IDC_LANGUAGE, languageCombo);
  ui::DDX_Control(dx, IDC_BACK, backButton);
  ui::DDX_Control(dx, IDCANCEL, cancelButton);
  ui::DDX_Control(dx, IDOK, nextButton);
}

bool SetupWizardDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_QUERYDRAGICON:
      result = LRESULT(OnQueryDragIcon());
      return true;
    case WM_INSTALL_STEP:
      result = OnInstallStep(wParam, lParam);
      return true;
    case WM_ADD_MENU_ITEM:
      result = OnAddMenuItem(wParam, lParam);
      return true;
    case WM_ASK_RETRY:
      result = OnAskRetry(wParam, lParam);
      return true;
    case WM_TIMER:
      if (wParam != kProgressTimer) break;
      FlushProgress();
      result = 0;
      return true;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      result = 0;
      return true;
    case WM_COMMAND:
      switch (ui::CommandKey(wParam)) {
        case ui::Command(IDC_LANGUAGE, CBN_SELCHANGE):
          OnLanguageChanged();
          return true;
        case ui::Command(IDC_BACK, BN_CLICKED):
          OnBack();
          return true;
        case ui::Command(IDC_AGREE, BN_CLICKED):
          OnAgreeClicked();
          return true;
        case ui::Command(IDC_BROWSE, BN_CLICKED):
          OnBrowse();
          return true;
        case ui::Command(IDC_INSTALL_PATH, EN_CHANGE):
          OnPathChanged();
          return true;
      }
      break;
  }
  return ui::CDialog::HandleMessage(message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------
// Start-up

void SetupWizardDlg::SetUpButton(controls::SkinButton& button, const WizardArtwork& artwork, UINT hotFace,
                                 UINT idleFace, BOOL repaintBackground) {
  // Each face slot gets its own handle: the button owns and modifies them.
  button.SetFaceBitmaps(artwork.Face(hotFace), kFaceTransparent, artwork.Face(idleFace), kFaceTransparent, nullptr, 0);
  button.UseParentBackground(repaintBackground);
  button.SetFocusRectInFlat(FALSE, TRUE);
  button.SetBorderVisible(FALSE, TRUE);
  // At 100 % the system's cursor size; at another scale the cursor and its
  // hot spot scale with the buttons.
  button.SetHoverCursor(IDC_BUTTON_HAND, TRUE, dpi == wizard::kBaseDpi ? 0 : wizard::Scaled(wizard::kCursorSize, dpi));
}

void SetupWizardDlg::PlaceControl(const wizard::ControlPlace& place) {
  const wizard::Box box = wizard::Scaled(place.box, dpi);
  ::MoveWindow(GetDlgItem(wizard::ControlId(place.control)), box.left, box.top, box.Width(), box.Height(), TRUE);
}

void SetupWizardDlg::LayOut() {
  // The browse button's faces and options; the push buttons, each placed and
  // then given its faces and options; then every other control at its place.
  const WizardArtwork artwork(dpi);
  SetUpButton(browseButton, artwork, IDB_BROWSE, IDB_BROWSE, FALSE);
  for (auto [place, button, hot, idle] :
       {std::tuple{wizard::kPushButtonPlaces[0], &cancelButton, IDB_CANCEL_HOT, IDB_CANCEL_IDLE},
        std::tuple{wizard::kPushButtonPlaces[1], &backButton, IDB_BACK_HOT, IDB_BACK_IDLE},
        std::tuple{wizard::kPushButtonPlaces[2], &nextButton, IDB_NEXT_HOT, IDB_NEXT_IDLE}}) {
    PlaceControl(place);
    SetUpButton(*button, artwork, hot, idle, TRUE);
  }
  for (const wizard::ControlPlace& place : wizard::kOtherPlaces) PlaceControl(place);
  // At 100 % the background is loaded at each paint; at another scale it is
  // made once, fitted to the window.
  if (dpi == wizard::kBaseDpi)
    scaledBackground.DeleteObject();
  else
    scaledBackground.Attach(artwork.Background());
}

void SetupWizardDlg::OnDpiChanged(int newDpi, const RECT& suggested) {
  if (newDpi <= 0 || newDpi == dpi) return;
  // The controls' font (the dialog's font at the old scale) at the new one.
  HFONT oldFont = reinterpret_cast<HFONT>(::SendMessageW(GetDlgItem(IDC_PATH_LABEL), WM_GETFONT, 0, 0));
  LOGFONTW font = {};
  if (oldFont && ::GetObjectW(oldFont, sizeof(font), &font)) {
    font.lfHeight = ::MulDiv(font.lfHeight, newDpi, dpi);
    HFONT scaled = ::CreateFontIndirectW(&font);
    if (scaled) {
      ::EnumChildWindows(m_hWnd, SetControlFont, LPARAM(scaled));
      controlFont.Attach(scaled);  // the previous one is no longer used
    }
  }
  dpi = newDpi;
  ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
  Invalidate(TRUE);
}

BOOL SetupWizardDlg::OnInitDialog() {
  // 1. Controls bound, icons.
  ui::CDialog::OnInitDialog();
  SetIcon(appIcon, TRUE);
  SetIcon(appIcon, FALSE);

  // 2. Centred on the primary screen, 600 x 360 at the window's display
  // scale. From here on the wizard lays itself out at each scale.
  dpi = int(ui::WindowDpi(m_hWnd));
  ui::KeepDialogLayoutOnDpiChange(m_hWnd);
  const wizard::Box window = wizard::Scaled(wizard::kWindowBox, dpi);
  MoveWindow((::GetSystemMetrics(SM_CXSCREEN) - window.Width()) / 2,
             (::GetSystemMetrics(SM_CYSCREEN) - window.Height()) / 2, window.Width(), window.Height());

  // 3. Buttons with their faces, then every control at its rectangle.
  LayOut();

  // 4. Published for the workers; the program's own file holds the package.
  g_pWizard = this;
  wchar_t ownPath[MAX_PATH + 1] = {};
  ::GetModuleFileNameW(nullptr, ownPath, MAX_PATH);

  // 5. The package.
  if (!package) package = new PackageFile();
  if (!package->Open(ownPath, 0)) {
    MessageBox(wizard::kTextDamagedInstaller);
    installEnd = wizard::kEndDamaged;
    EndDialog(IDCANCEL);
    return FALSE;
  }

  // 6. The info texts.
  if (!package->ReadInfo(productName, titleText, packageNotice, rightsText, welcomeText)) {
    MessageBox(wizard::kTextInfoUnreadable);
    installEnd = wizard::kEndDamaged;
    EndDialog(IDCANCEL);
    return FALSE;
  }

  // 7. The picture, if there is one.
  {
    ByteBuffer picture;
    if (package->ReadPicture(picture) && picture.Length() > 0)
      packageImage.LoadFromBytes(picture.Data(), picture.Length());
  }

  // 8. The agreement text (empty when there is none).
  std::wstring agreement;
  if (!package->ReadAgreement(agreement)) agreement.clear();
  SetDlgItemText(IDC_AGREEMENT, WithCrLf(agreement));

  // 9. Welcome page texts, main program.
  noticeText = packageNotice;
  guideText = welcomeText;
  if (!package->GetMainProgram(mainProgramPath)) mainProgramPath.clear();
  packageMainProgram = mainProgramPath;

  // 10. Default install folder: Program Files\product; the folder of /D=
  // instead, checked as a typed one when page 3 is left.
  installFolder = commandFolder.empty() ? wizard::AppendProductFolder(installFolder, productName) : commandFolder;
  SetDlgItemText(IDC_INSTALL_PATH, installFolder);

  // 11. Languages (the list is sorted: item data goes to the index returned).
  for (int i = 0; i < wizard::LanguageCount(); ++i) {
    const wizard::LanguageRow& row = wizard::LanguageAt(i);
    int index = languageCombo.AddString(row.name);
    if (index >= 0) languageCombo.SetItemData(index, DWORD_PTR(row.id));
  }
  languageCombo.SelectString(-1, wizard::LanguageAt(0).name);
  OnLanguageChanged();

  // 12. Welcome page.
  UpdatePage();
  return TRUE;
}

// ---------------------------------------------------------------------------
// Pages

void SetupWizardDlg::UpdatePage() {
  for (const wizard::ControlVisibility& cv : wizard::PageVisibility(page)) {
    if (cv.visibility == wizard::Visibility::Unchanged) continue;
    ::ShowWindow(GetDlgItem(wizard::ControlId(cv.control)),
                 cv.visibility == wizard::Visibility::Shown ? SW_SHOW : SW_HIDE);
  }
  wizard::PageTexts texts = wizard::PageTextsFor(page, welcomeText, packageNotice, installFolder, productName);
  noticeText = texts.noticeText;
  if (texts.setGuide) guideText = texts.guideText;
  Invalidate(TRUE);
}

void SetupWizardDlg::OnOK() { RunNext(wizard::NextSource::User); }

void SetupWizardDlg::RunNext(wizard::NextSource source) {
  bool ticked = ::SendMessageW(GetDlgItem(IDC_AGREE), BM_GETCHECK, 0, 0) != 0;
  ApplyTransition(wizard::NextTransition(page, source, ticked));
}

void SetupWizardDlg::OnBack() { ApplyTransition(wizard::BackTransition(page)); }

void SetupWizardDlg::ApplyTransition(const wizard::Transition& transition) {
  if (!transition.handled) return;
  if (transition.leaveFolderPage && !LeaveFolderPage()) {
    MessageBox(wizard::kTextInvalidFolder);
    return;
  }
  page = transition.page;
  if (transition.applyAgreementRule) OnAgreeClicked();
  if (transition.showNext) nextButton.ShowWindow(SW_SHOW);
  if (transition.updatePage) UpdatePage();
  StartAction(transition.action);
}

bool SetupWizardDlg::LeaveFolderPage() {
  const std::wstring typed = GetDlgItemText(IDC_INSTALL_PATH);
  const platform::SystemFolderProbe probe;
  if (!wizard::LeaveFolderPage(typed, packageMainProgram, probe, installFolder, mainProgramPath)) return false;
  // The folder as it will be created, also when Back returns to this page.
  if (installFolder != typed) SetDlgItemText(IDC_INSTALL_PATH, installFolder);
  return true;
}

void SetupWizardDlg::StartAction(wizard::PageAction action) {
  ui::AFX_THREADPROC proc = nullptr;
  LPVOID param = nullptr;
  switch (action) {
    case wizard::PageAction::None:
      return;
    case wizard::PageAction::StartEnvironmentCheck:
      proc = CheckEnvironmentProc;
      if (packageChecked) param = &packageCheck;
      break;
    case wizard::PageAction::StartComponents:
      proc = InstallComponentsProc;
      break;
    case wizard::PageAction::StartCopy:
      proc = CopyFilesProc;
      param = package;
      break;
    case wizard::PageAction::StartRegistry:
      proc = WriteRegistryProc;
      param = package;
      break;
    case wizard::PageAction::StartStartMenu:
      proc = CreateStartMenuProc;
      param = package;
      break;
    case wizard::PageAction::FinishHandOver:
      FinishHandOver();
      return;
  }
  if (!ui::AfxBeginThread(proc, param)) OnWorkerNotStarted(action);
}

void SetupWizardDlg::OnWorkerNotStarted(wizard::PageAction action) {
  // No worker will report: the wizard must not wait on a step page.
  const wizard::StartFailure failure = wizard::WorkerStartFailed(action);
  MessageBox(wizard::kTextStepNotStarted);
  if (failure.endInstallation) {
    MessageBox(wizard::kTextInstallFailed);
    installEnd = wizard::kEndStepNotStarted;
    ui::CDialog::OnOK();
    return;
  }
  ReturnToPage(failure.page);
}

void SetupWizardDlg::ReturnToPage(int userPage) {
  page = userPage;
  for (controls::SkinButton* button : {&backButton, &nextButton, &cancelButton}) button->ShowWindow(SW_SHOW);
  UpdatePage();
}

void SetupWizardDlg::OnEnvironmentChecked(const wizard::PackageCheck& check) {
  packageCheck = check;
  packageChecked = true;
  switch (wizard::JudgeEnvironment(check, installFolder)) {
    case wizard::EnvironmentVerdict::Damaged:
      // Nothing has been written yet, and nothing will be.
      MessageBox(wizard::kTextDamagedInstaller);
      installEnd = wizard::kEndDamaged;
      EndDialog(IDCANCEL);
      return;
    case wizard::EnvironmentVerdict::FolderTooLong:
      // A packaged folder or file would pass the path limits below this
      // folder: the user picks a shorter one.
      MessageBox(wizard::kTextInvalidFolder);
      ReturnToPage(wizard::PAGE_INSTALL_FOLDER);
      return;
    case wizard::EnvironmentVerdict::Ready:
      page = wizard::PAGE_ENVIRONMENT_SET;
      RunNext(wizard::NextSource::StepHandler);
      return;
  }
}

void SetupWizardDlg::FinishHandOver() {
  ShowWindow(SW_HIDE);
  int choices = 0;
  {
    FinishDlg finish(nullptr);
    finish.hasMainProgram = !mainProgramPath.empty();
    finish.ShowFinish(productName);
    choices = finish.choiceFlags;
  }
  // Desktop and Startup shortcuts, program start, then the names for the record.
  programStart = RunFinishStep(choices, mainProgramPath, productName, startMenuFolder, log);
  installEnd = entryWritten ? wizard::kEndInstalled : wizard::kEndEntryNotWritten;
  ui::CDialog::OnOK();
}

void SetupWizardDlg::OnAgreeClicked() {
  bool ticked = ::SendMessageW(GetDlgItem(IDC_AGREE), BM_GETCHECK, 0, 0) != 0;
  nextButton.ShowWindow(wizard::NextShownForAgreement(ticked) ? SW_SHOW : SW_HIDE);
}

void SetupWizardDlg::OnLanguageChanged() {
  int selection = languageCombo.GetCurSel();
  if (selection >= 0) languageId = int(languageCombo.GetItemData(selection));
}

void SetupWizardDlg::OnBrowse() {
  BROWSEINFOW info = {};
  info.hwndOwner = m_hWnd;
  info.pidlRoot = nullptr;
  info.pszDisplayName = nullptr;
  info.lpszTitle = wizard::kTextBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE picked = ::SHBrowseForFolderW(&info);
  if (!picked) return;
  wchar_t path[MAX_PATH] = {};
  ::SHGetPathFromIDListW(picked, path);
  ::CoTaskMemFree(picked);
  installFolder = wizard::AppendProductFolder(path, productName);
  SetDlgItemText(IDC_INSTALL_PATH, installFolder);
}

void SetupWizardDlg::OnPathChanged() {
  const RECT band = ToRect(wizard::Scaled(wizard::kPathBand, dpi));
  InvalidateRect(&band, TRUE);
}

void SetupWizardDlg::OnCancel() {
  if (!wizard::CancelAsksToQuit(page)) return;
  if (MessageBox(wizard::kTextQuitQuestion, wizard::kTextQuitCaption, MB_OKCANCEL) == IDOK) {
    installEnd = wizard::kEndCancelled;
    EndDialog(IDCANCEL);
  }
}

HCURSOR SetupWizardDlg::OnQueryDragIcon() { return HCURSOR(appIcon); }

// ---------------------------------------------------------------------------
// Painting

void SetupWizardDlg::OnPaint() {
  ui::CPaintDC dc(this);
  RECT client;
  GetClientRect(&client);

  if (::IsIconic(m_hWnd)) {
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, WPARAM(dc.m_hDC), 0);
    int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, appIcon);
    return;
  }

  // 1. Background, stretched over the client area.
  {
    ui::CBitmap loaded;
    HBITMAP background = scaledBackground;
    if (!background && loaded.LoadBitmap(IDB_BACKGROUND)) background = loaded;
    if (background) {
      ui::CMemoryDC memory(dc);
      ui::CSelectObject selected(memory, background);
      BITMAP info = {};
      ::GetObjectW(background, sizeof(info), &info);
      int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
      ::StretchBlt(dc, 0, 0, client.right - client.left, client.bottom - client.top, memory, 0, 0, info.bmWidth,
                   info.bmHeight, SRCCOPY);
      ::SetStretchBltMode(dc, oldMode);
    }
  }

  // 2. The package's picture (nothing when there is none), at its natural
  // size, scaled smoothly at another scale than 100 %.
  if (dpi == wizard::kBaseDpi) {
    packageImage.DrawAt(dc, wizard::kPictureX, wizard::kPictureY);
  } else {
    const SIZE natural = packageImage.NaturalSize();
    packageImage.DrawInRect(
        dc, ToRect(wizard::Scaled(wizard::Place(wizard::kPictureX, wizard::kPictureY, natural.cx, natural.cy), dpi)));
  }

  // 3. Heading, guidance, notice.
  PaintTexts(dc, client);
}

void SetupWizardDlg::PaintTexts(HDC dc, const RECT& client) {
  struct PaintedText {
    const std::wstring& text;
    const wizard::TextPlace& place;
    COLORREF colour;
    UINT format;
  };
  // DT_EDITCONTROL: a run of Chinese text without spaces is broken where the
  // line is full, as Windows does for a Chinese font; without it, a system
  // whose font has no such rule (Wine) cuts the rest of the run off.
  const PaintedText texts[] = {
      {titleText, wizard::kTitlePlace, kTitleColour, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL},
      {guideText, wizard::kGuidePlace, kTextColour, DT_VCENTER | DT_WORDBREAK | DT_EXPANDTABS | DT_EDITCONTROL},
      {noticeText, wizard::kNoticePlace, kTextColour, DT_VCENTER | DT_WORDBREAK | DT_EXPANDTABS | DT_EDITCONTROL},
  };

  int oldMode = ::SetBkMode(dc, TRANSPARENT);
  COLORREF oldColour = ::GetTextColor(dc);
  for (const PaintedText& t : texts) {
    ui::CFont font;
    font.CreatePixelFont(wizard::FontPixelHeight(t.place.pointSize10, dpi), wizard::kFontFace);
    ui::CSelectObject selected(dc, font);
    ::SetTextColor(dc, t.colour);
    RECT rect = ToRect(wizard::TextBox(t.place, client.right - client.left, dpi));
    ::DrawTextW(dc, t.text.c_str(), int(t.text.size()), &rect, t.format);
  }
  ::SetTextColor(dc, oldColour);
  ::SetBkMode(dc, oldMode);
}

HBRUSH SetupWizardDlg::OnCtlColor(HDC dc, HWND control, UINT controlKind) {
  if (control && ::GetDlgCtrlID(control) == IDC_AGREEMENT) return ui::CDialog::OnCtlColor(dc, control, controlKind);
  // Everything else shows the painted background through.
  ::SetBkMode(dc, TRANSPARENT);
  return HBRUSH(::GetStockObject(NULL_BRUSH));
}

// ---------------------------------------------------------------------------
// Step reports

void SetupWizardDlg::ShowProgress(const wchar_t* label, const std::wstring& item) {
  progressWaiting = label;
  progressWaiting += item;
  if (progressTimerSet) return;  // the timer shows it
  if (::GetTickCount() - progressShownAt >= kProgressInterval) {
    FlushProgress();
    return;
  }
  progressTimerSet = ::SetTimer(m_hWnd, kProgressTimer, kProgressInterval, nullptr) != 0;
  if (!progressTimerSet) FlushProgress();
}

void SetupWizardDlg::FlushProgress() {
  if (progressTimerSet) {
    ::KillTimer(m_hWnd, kProgressTimer);
    progressTimerSet = false;
  }
  if (progressWaiting.empty()) return;
  HWND line = GetDlgItem(IDC_PROGRESS);
  ::SetWindowTextW(line, progressWaiting.c_str());
  progressWaiting.clear();
  progressShownAt = ::GetTickCount();
  RECT rect;
  ::GetClientRect(line, &rect);
  ::MapWindowPoints(line, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
  ScreenToClient(&rect);
  InvalidateRect(&rect, TRUE);
}

LRESULT SetupWizardDlg::OnInstallStep(WPARAM code, LPARAM item) {
  if (int(code) == wizard::STEP_CHECK_ENVIRONMENT && item != 0) {
    // What the check learnt of the package, valid while the worker waits.
    OnEnvironmentChecked(*reinterpret_cast<const wizard::PackageCheck*>(item));
    return 0;
  }
  wizard::StepHandling handling = wizard::HandleInstallStep(int(code), item != 0);
  // Whatever ends a step shows the step's last report first.
  if (handling.response != wizard::StepResponse::ShowProgress) FlushProgress();
  switch (handling.response) {
    case wizard::StepResponse::Nothing:
      break;
    case wizard::StepResponse::ShowProgress:
      ShowProgress(handling.label, *reinterpret_cast<const std::wstring*>(item));
      LogStep(int(code), *reinterpret_cast<const std::wstring*>(item));
      break;
    case wizard::StepResponse::GoToPageAndNext:
      page = handling.page;
      RunNext(wizard::NextSource::StepHandler);
      break;
    case wizard::StepResponse::EndOfCopying:
      if (installFailed) {
        MessageBox(wizard::kTextInstallFailed);
        installEnd = wizard::kEndCopyFailed;
        ui::CDialog::OnOK();
        break;
      }
      // The copy worker has opened the install record already (and waits in
      // its final report: the package is free).
      LogInstallRecord(log, *package, installFolder);
      page = wizard::kPageAfterCopying;
      RunNext(wizard::NextSource::StepHandler);
      break;
  }
  return 0;
}

void SetupWizardDlg::LogStep(int code, const std::wstring& item) {
  if (!log) return;
  if (code == wizard::STEP_COPY_FILES) {
    log->Entry(item, platform::SystemFolderProbe().KindOf(item) == platform::PathKind::Folder);
  } else if (code == wizard::STEP_WRITE_REGISTRY) {
    log->Line("registry", item);
  }
}

LRESULT SetupWizardDlg::OnAddMenuItem(WPARAM record, LPARAM) {
  // One start-menu entry (menu path, target, description) of the package;
  // its sub-folder, when it has one, becomes startMenuFolder.
  const auto* texts = reinterpret_cast<const std::wstring*>(record);
  if (texts == nullptr) return 0;
  CreateLoggedShortcut(integration::MenuItemRequest(installFolder, texts, startMenuFolder), log);
  return 0;
}

LRESULT SetupWizardDlg::OnAskRetry(WPARAM code, LPARAM path) {
  if (int(code) != wizard::STEP_COPY_FILES) return wizard::RETRY_SKIP;
  FlushProgress();  // the last file copied stays on the line while the user decides
  std::wstring text = wizard::kTextRetryBefore;
  text += *reinterpret_cast<const std::wstring*>(path);
  text += wizard::kTextRetryAfter;
  if (MessageBox(text, wizard::kTextRetryCaption, MB_RETRYCANCEL) == IDRETRY) return wizard::RETRY_AGAIN;
  if (log) log->Line("not written", *reinterpret_cast<const std::wstring*>(path));
  installFailed = 1;
  return wizard::RETRY_GIVE_UP;
}

// ---------------------------------------------------------------------------
// End

void SetupWizardDlg::OnDestroy() {
  if (progressTimerSet) ::KillTimer(m_hWnd, kProgressTimer);
  if (package) {
    package->Close();
    delete package;
    package = nullptr;
  }
  // Appends the record block to its file.
  integration::CloseInstallRecord();
  ui::CDialog::OnDestroy();
}
