// The install workers. Each runs on its own thread (ui::AfxBeginThread),
// reports to the wizard window through g_pWizard and ends; nobody waits for
// it. Reports are synchronous sends, so every payload (a path or a shortcut
// record living in the worker's frame) stays valid while the wizard reads
// it; only the start-menu step's final report is posted.
#include "wizard/win/install_workers.h"

#include <string>

#include "integration/install_record.h"
#include "integration/win/registry_entry.h"
#include "package/package_file.h"
#include "wizard/copy_loop.h"
#include "wizard/messages.h"
#include "wizard/package_integrity.h"
#include "wizard/win/setup_wizard_dlg.h"

namespace {

HWND WizardWindow() { return g_pWizard ? g_pWizard->GetSafeHwnd() : nullptr; }

LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(WizardWindow(), message, wParam, lParam);
}

LPARAM Payload(const std::wstring& text) { return reinterpret_cast<LPARAM>(&text); }

void SendStepEnd(int code) { Send(WM_INSTALL_STEP, WPARAM(code), 0); }

// The copy loop's reports, as window messages to the wizard.
class WizardCopySink : public wizard::CopySink {
 public:
  void ReportCopied(const std::wstring& path) override {
    Send(WM_INSTALL_STEP, wizard::STEP_COPY_FILES, Payload(path));
  }
  int AskRetry(const std::wstring& path) override {
    return int(Send(WM_ASK_RETRY, wizard::STEP_COPY_FILES, Payload(path)));
  }
  void ReportEnd() override { SendStepEnd(wizard::STEP_COPY_FILES); }
};

// The registry step's values, each shown on the progress line (and logged).
class WizardEntryReport : public EntryReport {
 public:
  void Written(const std::wstring& described) override {
    Send(WM_INSTALL_STEP, wizard::STEP_WRITE_REGISTRY, Payload(described));
  }
};

// The start-menu loop's reports: each record is sent (the wizard creates the
// shortcut, then shows the record's menu path); the end is posted.
class WizardStartMenuSink : public wizard::StartMenuSink {
 public:
  void AddMenuItem(std::wstring record[3]) override { Send(WM_ADD_MENU_ITEM, reinterpret_cast<WPARAM>(record), 0); }
  void ReportMenuItem(std::wstring record[3]) override {
    Send(WM_INSTALL_STEP, wizard::STEP_CREATE_START_MENU, Payload(record[0]));
  }
  void ReportEnd() override { ::PostMessageW(WizardWindow(), WM_INSTALL_STEP, wizard::STEP_CREATE_START_MENU, 0); }
};

}  // namespace

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return std::wstring();
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring RecordPath(PackageFile& package, const std::wstring& installFolder) {
  std::wstring name;
  if (!package.GetRecordFileName(name) || name.empty()) return std::wstring();
  return integration::RecordFilePath(installFolder, name);
}

void LogInstallRecord(integration::InstallLog* log, PackageFile& package, const std::wstring& installFolder) {
  if (log != nullptr && g_pInstallRecord != nullptr && g_pInstallRecord->IsOpen())
    log->Line("record", RecordPath(package, installFolder));
}

bool RunRegistryStep(const DeployFacts& deploy, PackageFile& package, const std::wstring& productName,
                     const std::wstring& installFolder, const std::wstring& mainProgramPath,
                     std::uint64_t installedBytes, EntryReport& report) {
  // Built with [deploy], the package's record file is our uninstaller.
  return !deploy.Present() || RegisterProduct(deploy, productName, installFolder, RecordPath(package, installFolder),
                                              mainProgramPath, installedBytes, report);
}

UINT CheckEnvironmentProc(LPVOID param) {
  // Every stored blob is checked before anything is written, so a damaged
  // download is refused here instead of leaving half an installation. The
  // package does not change while the installer runs: one walk is enough.
  const auto* known = static_cast<const wizard::PackageCheck*>(param);
  const wizard::PackageCheck check = known ? *known : wizard::CheckPackage(ProgramPath());
  Send(WM_INSTALL_STEP, wizard::STEP_CHECK_ENVIRONMENT, reinterpret_cast<LPARAM>(&check));
  return 0;
}

UINT InstallComponentsProc(LPVOID) {
  SendStepEnd(wizard::STEP_INSTALL_COMPONENTS);
  return 0;
}

UINT CopyFilesProc(LPVOID param) {
  auto* package = static_cast<PackageFile*>(param);
  WizardCopySink sink;
  if (package == nullptr || g_pWizard == nullptr) {
    sink.ReportEnd();
    return 0;
  }
  // The folder field is hidden from page 4 on: one copy at the start is enough.
  const std::wstring installFolder = g_pWizard->installFolder;
  wizard::PackageSource source(*package);
  wizard::RunCopyLoop(installFolder, source, sink);
  return 0;
}

UINT WriteRegistryProc(LPVOID param) {
  // An installer built with [deploy] registers the product in Windows' list
  // of installed programs, each value reported as it is written; any other
  // writes nothing and only reports the step's end. The wizard's members
  // stay as they are while the step runs.
  auto* package = static_cast<PackageFile*>(param);
  SetupWizardDlg* wizard = g_pWizard;
  WizardEntryReport report;
  if (package != nullptr && wizard != nullptr &&
      !RunRegistryStep(wizard->deploy, *package, wizard->productName, wizard->installFolder, wizard->mainProgramPath,
                       wizard->installedBytes, report))
    wizard->entryWritten = false;
  SendStepEnd(wizard::STEP_WRITE_REGISTRY);
  return 0;
}

UINT CreateStartMenuProc(LPVOID param) {
  auto* package = static_cast<PackageFile*>(param);
  WizardStartMenuSink sink;
  if (package == nullptr) {
    sink.ReportEnd();
    return 0;
  }
  wizard::PackageSource source(*package);
  wizard::RunStartMenuLoop(source, sink);
  return 0;
}
