#include "uninstall/win/uninstall_app.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "integration/win/shell_folder.h"
#include "uninstall/removal_plan.h"
#include "uninstall/win/disk_view.h"
#include "uninstall/win/remove_steps.h"
#include "uninstall/win/self_copy.h"
#include "uninstall/win/uninstall_texts.h"

namespace {

UninstallApp theApp;

// How long the copy waits for the original uninstaller to end.
constexpr DWORD kOriginalWaitMs = 60000;
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
    uninstall::WaitForOriginal(arguments, kOriginalWaitMs);
    caption_ = FileStem(arguments.originalPath);
    RemoveInstallation(arguments.originalPath);
    uninstall::ScheduleOwnDeletion();
  } else {
    AskAndStart();
  }
  CoUninitialize();
  return FALSE;
}

int UninstallApp::ExitInstance() { return exitCode_; }

int UninstallApp::Say(const std::wstring& text, UINT type) {
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
  exitCode_ = 1;
  return false;
}

void UninstallApp::AskAndStart() {
  const std::wstring self = uninstall::OwnProgramPath();
  uninstall::Installation installation;
  if (!Loaded(self.empty() ? uninstall::LoadStatus::Unreadable : uninstall::LoadInstallation(self, installation)))
    return;
  if (Say(WithProduct(uninstall::texts::kConfirm, installation.productName), MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  if (!uninstall::StartRemovalCopy(self)) {
    Say(uninstall::texts::kStartFailed, MB_OK | MB_ICONSTOP);
    exitCode_ = 1;
  }
}

void UninstallApp::RemoveInstallation(const std::wstring& originalPath) {
  uninstall::Installation installation;
  if (!Loaded(uninstall::LoadInstallation(originalPath, installation))) return;

  uninstall::RemovalInput input;
  input.installFolder = installation.installFolder;
  input.list = installation.list;
  input.startMenuFolder = installation.startMenuFolder;
  input.productName = installation.productName;
  input.autostartLink = installation.autostartLink;
  input.shell = ResolveShellFolders();
  const uninstall::RemovalPlan plan = uninstall::PlanRemoval(input, uninstall::DiskView());
  const uninstall::RemovalOutcome outcome = uninstall::ExecuteRemoval(plan);

  std::wstring message = WithProduct(uninstall::texts::kDone, installation.productName);
  AppendPaths(message, uninstall::texts::kKept, plan.kept);
  AppendPaths(message, uninstall::texts::kFailed, outcome.failed);
  exitCode_ = outcome.failed.empty() ? 0 : 2;
  Say(message, MB_OK | (outcome.failed.empty() ? MB_ICONINFORMATION : MB_ICONWARNING));
}
