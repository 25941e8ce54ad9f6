#include "uninstall/win/uninstall_app.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "integration/win/registry_entry.h"
#include "integration/win/shell_folder.h"
#include "platform/utf.h"
#include "uninstall/removal_plan.h"
#include "uninstall/win/disk_view.h"
#include "uninstall/win/remove_steps.h"
#include "uninstall/win/self_copy.h"
#include "uninstall/win/uninstall_texts.h"
#include "wizard/install_end.h"

namespace {

UninstallApp theApp;

// How long the copy waits for the original uninstaller to end.
constexpr DWORD kOriginalWaitMs = 60000;
// Exit code of a removal without failures (deployment tools' success).
constexpr int kRemoved = 0;
// Paths shown in one list of the result message.
constexpr std::size_t kShownPaths = 10;

std::wstring WithProduct(const wchar_t* text, const std::wstring& product) {
  std::wstring out = text;
  const std::size_t at = out.find(L"%s");
  if (at != std::wstring::npos) out.replace(at, 2, product.empty() ? uninstall::texts::kSomeProduct : product);
  return out;
}

std::wstring FileStem(const std::wstring& path) {
  std::wstring name = path.substr(path.find_last_of(L"\\/") == std::wstring::npos ? 0 : path.find_last_of(L"\\/") + 1);
  const std::size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name;
}

void AppendPaths(std::wstring& message, const wchar_t* heading, const std::vector<std::wstring>& paths) {
  if (paths.empty()) return;
  message += L"\n\n";
  message += heading;
  for (std::size_t i = 0; i < paths.size() && i < kShownPaths; ++i) message += L"\n" + paths[i];
  if (paths.size() > kShownPaths) message += std::wstring(L"\n") + uninstall::texts::kMore;
}

uninstall::ShellFolders ResolveShellFolders() {
  uninstall::ShellFolders shell;
  GetShellFolderPath(CSIDL_DESKTOP, shell.desktop);
  GetShellFolderPath(CSIDL_PROGRAMS, shell.programs);
  GetShellFolderPath(CSIDL_STARTUP, shell.startup);
  return shell;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) { return ui::AfxWinMain(instance, show); }

BOOL UninstallApp::InitInstance() {
  CoInitialize(nullptr);
  caption_ = GetAppName();
  const std::wstring commandLine = GetCommandLineW();
  uninstall::RemovalArguments arguments;
  if (uninstall::ParseRemovalArguments(commandLine.c_str(), arguments)) {
    silent_ = arguments.result != nullptr;
    caption_ = FileStem(arguments.originalPath);
    RemoveInstallation(arguments);
    uninstall::ScheduleOwnDeletion();
  } else {
    silent_ = uninstall::HasSilentSwitch(commandLine.c_str());
    AskAndStart();
  }
  CoUninitialize();
  return FALSE;
}

int UninstallApp::ExitInstance() { return exitCode_; }

int UninstallApp::Say(const std::wstring& text, UINT type) {
  if (silent_) return IDYES;
  return MessageBoxW(nullptr, text.c_str(), caption_.c_str(), type | MB_SETFOREGROUND);
}

bool UninstallApp::Loaded(uninstall::LoadStatus status) {
  using uninstall::LoadStatus;
  namespace t = uninstall::texts;
  const wchar_t* text = nullptr;
  switch (status) {
    case LoadStatus::Ok:
      return true;
    case LoadStatus::Unreadable:
      text = t::kUnreadable;
      break;
    case LoadStatus::NoRecord:
      text = t::kNoRecord;
      break;
    case LoadStatus::RecordDamaged:
      text = t::kRecordDamaged;
      break;
    case LoadStatus::NoList:
      text = t::kNoList;
      break;
    case LoadStatus::ListDamaged:
      text = t::kListDamaged;
      break;
    case LoadStatus::WrongPlace:
      text = t::kWrongPlace;
      break;
  }
  Say(text, MB_OK | MB_ICONSTOP);
  exitCode_ = wizard::EXIT_FAILED;
  return false;
}

void UninstallApp::AskAndStart() {
  const std::wstring self = uninstall::OwnProgramPath();
  uninstall::Installation installation;
  if (!Loaded(self.empty() ? uninstall::LoadStatus::Unreadable : uninstall::LoadInstallation(self, installation)))
    return;
  if (Say(WithProduct(uninstall::texts::kConfirm, installation.productName), MB_YESNO | MB_ICONQUESTION) != IDYES) {
    exitCode_ = wizard::EXIT_CANCELLED;
    return;
  }
  HANDLE result = nullptr;
  if (!uninstall::StartRemovalCopy(self, silent_ ? &result : nullptr)) {
    Say(uninstall::texts::kStartFailed, MB_OK | MB_ICONSTOP);
    exitCode_ = wizard::EXIT_FAILED;
    return;
  }
  // Silent: the caller learns the outcome from this process.
  if (result) exitCode_ = int(uninstall::WaitForRemovalResult(result));
}

void UninstallApp::RemoveInstallation(uninstall::RemovalArguments& arguments) {
  // Interactive: the original has ended before anything is removed. Silent:
  // it waits for the outcome, and its own file goes after it has ended.
  if (!silent_) uninstall::WaitForOriginal(arguments, kOriginalWaitMs);
  const std::wstring& originalPath = arguments.originalPath;
  uninstall::Installation installation;
  if (!Loaded(uninstall::LoadInstallation(originalPath, installation))) {
    uninstall::ReportRemovalResult(arguments, DWORD(exitCode_));
    return;
  }

  uninstall::RemovalInput input;
  input.installFolder = installation.installFolder;
  input.list = installation.list;
  input.startMenuFolder = installation.startMenuFolder;
  input.productName = installation.productName;
  input.autostartLink = installation.autostartLink;
  input.shell = ResolveShellFolders();
  uninstall::RemovalPlan plan = uninstall::PlanRemoval(input, uninstall::DiskView());
  const std::vector<uninstall::RemovalStep> later =
      silent_ ? uninstall::TakeStepsOfRunningProgram(plan, originalPath) : std::vector<uninstall::RemovalStep>();

  // The installed-programs entry goes first, while the uninstaller it names
  // is still there to be compared with.
  std::vector<std::wstring> failed;
  const std::wstring keyName = platform::Utf8ToWide(installation.list.deploy.keyName);
  if (!keyName.empty() && !RemoveUninstallEntry(keyName, originalPath))
    failed.push_back(L"HKLM\\" + integration::UninstallKeyPath(keyName));
  uninstall::RemovalOutcome outcome = uninstall::ExecuteRemoval(plan);
  failed.insert(failed.end(), outcome.failed.begin(), outcome.failed.end());
  exitCode_ = failed.empty() ? kRemoved : wizard::EXIT_FAILED;

  if (silent_) {
    uninstall::ReportRemovalResult(arguments, DWORD(exitCode_));
    uninstall::WaitForOriginal(arguments, kOriginalWaitMs);
    uninstall::ExecuteRemoval(uninstall::RemovalPlan{later, {}});
    return;
  }
  std::wstring message = WithProduct(uninstall::texts::kDone, installation.productName);
  AppendPaths(message, uninstall::texts::kKept, plan.kept);
  AppendPaths(message, uninstall::texts::kFailed, failed);
  Say(message, MB_OK | (failed.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
}
