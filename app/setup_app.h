// SetupApp: the installer's application object. Starts COM and GDI+, runs
// the wizard modally and ends the program when the wizard closes.
#pragma once

#include "integration/install_log.h"
#include "platform/ui/app.h"
#include "wizard/install_end.h"
#include "wizard/start_plan.h"

class SetupApp : public ui::CWinApp {
 public:
  // No application name: message boxes use the executable's name.
  SetupApp();

  // COM, what the package and the command line ask for (wizard/start_plan.h),
  // then GDI+ and the wizard, or the silent installation; returns FALSE so
  // the program ends afterwards.
  BOOL InitInstance() override;
  // GDI+ shutdown; the result is the installation's exit code.
  int ExitInstance() override;

 private:
  // Carries out the plan; returns how the installation ended.
  wizard::InstallEnd Install(const wizard::StartPlan& plan, const wizard::InstallerFacts& facts,
                             integration::InstallLog& log);
  // The wizard, modally.
  wizard::InstallEnd RunWizard(const wizard::StartPlan& plan, const wizard::InstallerFacts& facts,
                               integration::InstallLog& log);

  int exitCode_ = wizard::EXIT_FAILED;
};

extern SetupApp theApp;
