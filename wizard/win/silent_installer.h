// The silent installation (/S) on Windows: the steps of the page flow's
// silent walk (wizard/unattended_install.h) carried out with what the
// wizard's steps use (the folder page's check, the environment check, the
// copy and start-menu loops over the package, which open the install
// record, the registry step, the finish step), on this thread and without
// a window. Message boxes have fixed answers: the agreement is accepted; a
// folder refused by the folder page's check, or by the environment check
// as too deep for the package's names, ends the installation, as does a
// damaged package; a file that stays locked is tried again for
// kLockedFileWaitMs and then given up; the finish page's defaults are
// taken without starting the program.
#pragma once

#include <cstdint>
#include <string>

#include "integration/install_log.h"
#include "package/package_file.h"
#include "wizard/start_plan.h"
#include "wizard/unattended_install.h"

class InstallRecord;

namespace wizard {

inline constexpr unsigned kLockedFileWaitMs = 10000;

class SilentInstaller : private UnattendedSteps {
 public:
  // folder: the /D= folder, empty for the default (Program Files\product).
  SilentInstaller(const InstallerFacts& facts, const std::wstring& folder, integration::InstallLog& log);
  ~SilentInstaller() override;
  SilentInstaller(const SilentInstaller&) = delete;
  SilentInstaller& operator=(const SilentInstaller&) = delete;

  // Runs the whole installation; the install record is appended to its file
  // before it returns.
  InstallEnd Run();

 private:
  bool LeaveFolderPage() override;
  EnvironmentVerdict CheckEnvironment() override;
  bool CopyFiles() override;
  bool WriteRegistry() override;
  void CreateStartMenu() override;
  void Finish() override;

  const InstallerFacts& facts_;
  integration::InstallLog& log_;
  std::wstring programPath_;
  std::wstring folderText_;
  PackageFile package_;
  std::wstring productName_;
  std::wstring packageMainProgram_;
  std::wstring installFolder_;
  std::wstring mainProgramPath_;
  std::wstring startMenuFolder_;
};

}  // namespace wizard
