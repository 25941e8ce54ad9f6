#include "wizard/win/silent_installer.h"

#include <windows.h>
#include <shlobj.h>

#include "integration/finish_actions.h"
#include "integration/install_record.h"
#include "integration/menu_path.h"
#include "integration/win/finish_step.h"
#include "integration/win/registry_entry.h"
#include "platform/folder_probe.h"
#include "wizard/copy_loop.h"
#include "wizard/install_paths.h"
#include "wizard/messages.h"
#include "wizard/package_integrity.h"
#include "wizard/win/install_workers.h"

namespace wizard {
namespace {

// The copy loop's reports into the log; a failed entry is tried again until
// kLockedFileWaitMs have passed since its first failure, then given up.
class SilentCopySink : public CopySink {
 public:
  explicit SilentCopySink(integration::InstallLog& log) : log_(log) {}
  void ReportCopied(const std::wstring& path) override {
    log_.Entry(path, platform::SystemFolderProbe().KindOf(path) == platform::PathKind::Folder);
    failing_.clear();
  }
  int AskRetry(const std::wstring& path) override {
    const ULONGLONG now = ::GetTickCount64();
    if (path != failing_) {
      failing_ = path;
      since_ = now;
    }
    if (now - since_ >= kLockedFileWaitMs) {
      log_.Line("not written", path);
      return RETRY_GIVE_UP;
    }
    ::Sleep(250);
    return RETRY_AGAIN;
  }
  void ReportEnd() override {}

 private:
  integration::InstallLog& log_;
  std::wstring failing_;
  ULONGLONG since_ = 0;
};

// The registry step's values into the log.
class SilentEntryReport : public EntryReport {
 public:
  explicit SilentEntryReport(integration::InstallLog& log) : log_(log) {}
  void Written(const std::wstring& described) override { log_.Line("registry", described); }

 private:
  integration::InstallLog& log_;
};

// The start-menu loop's records become shortcuts at once, as the wizard's
// handler makes them.
class SilentStartMenuSink : public StartMenuSink {
 public:
  SilentStartMenuSink(const std::wstring& installFolder, std::wstring& startMenuFolder, integration::InstallLog& log)
      : installFolder_(installFolder), startMenuFolder_(startMenuFolder), log_(log) {}
  void AddMenuItem(std::wstring record[3]) override {
    CreateLoggedShortcut(integration::MenuItemRequest(installFolder_, record, startMenuFolder_), &log_);
  }
  void ReportMenuItem(std::wstring*) override {}
  void ReportEnd() override {}

 private:
  const std::wstring& installFolder_;
  std::wstring& startMenuFolder_;
  integration::InstallLog& log_;
};

std::wstring ProgramFilesFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder))) return std::wstring();
  return folder;
}

}  // namespace

SilentInstaller::SilentInstaller(const InstallerFacts& facts, const std::wstring& folder, integration::InstallLog& log)
    : facts_(facts), log_(log), programPath_(ProgramPath()), folderText_(folder) {}

SilentInstaller::~SilentInstaller() {
  // Appends the record block to its file, as the wizard's end does.
  integration::CloseInstallRecord();
}

InstallEnd SilentInstaller::Run() {
  std::wstring heading, notice, rights, welcome;
  if (!package_.Open(programPath_, 0) || !package_.ReadInfo(productName_, heading, notice, rights, welcome))
    return kEndDamaged;
  if (!package_.GetMainProgram(packageMainProgram_)) packageMainProgram_.clear();
  mainProgramPath_ = packageMainProgram_;
  if (folderText_.empty()) folderText_ = AppendProductFolder(ProgramFilesFolder(), productName_);
  const InstallEnd end = RunUnattended(*this);
  package_.Close();
  return end;
}

bool SilentInstaller::LeaveFolderPage() {
  const platform::SystemFolderProbe probe;
  if (!wizard::LeaveFolderPage(folderText_, packageMainProgram_, probe, installFolder_, mainProgramPath_)) {
    log_.Line("refused folder", folderText_);
    return false;
  }
  log_.Line("install folder", installFolder_);
  return true;
}

EnvironmentVerdict SilentInstaller::CheckEnvironment() {
  // The wizard's check: one walk of the package, judged against the folder.
  const EnvironmentVerdict verdict = JudgeEnvironment(CheckPackage(programPath_), installFolder_);
  if (verdict == EnvironmentVerdict::FolderTooLong) log_.Line("refused folder", installFolder_);
  return verdict;
}

bool SilentInstaller::CopyFiles() {
  PackageSource source(package_);
  SilentCopySink sink(log_);
  const bool copied = !RunCopyLoop(installFolder_, source, sink).gaveUp;
  LogInstallRecord(&log_, package_, installFolder_);
  return copied;
}

bool SilentInstaller::WriteRegistry() {
  SilentEntryReport report(log_);
  return RunRegistryStep(facts_.deploy, package_, productName_, installFolder_, mainProgramPath_, facts_.installedBytes,
                         report);
}

void SilentInstaller::CreateStartMenu() {
  PackageSource source(package_);
  SilentStartMenuSink sink(installFolder_, startMenuFolder_, log_);
  RunStartMenuLoop(source, sink);
}

void SilentInstaller::Finish() {
  RunFinishStep(kFinishDefaults & ~FINISH_RUN_PROGRAM, mainProgramPath_, productName_, startMenuFolder_, &log_);
}

}  // namespace wizard
