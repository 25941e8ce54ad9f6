// The installer's application object and its start-up order.
#include "app/setup_app.h"

#include <objbase.h>

#include "controls/imaging.h"
#include "platform/utf.h"
#include "wizard/win/install_workers.h"
#include "wizard/win/product_mutex.h"
#include "wizard/win/setup_wizard_dlg.h"
#include "wizard/win/silent_installer.h"
#include "wizard/wizard_texts.h"

SetupApp theApp;

SetupApp::SetupApp() : ui::CWinApp(nullptr) {}

BOOL SetupApp::InitInstance() {
  ui::AfxEnableControlContainer();
  ui::Enable3dControlsStatic();
  ::CoInitialize(nullptr);  // the shell folder picker and shortcuts need COM; a failure is ignored

  // Whether the installer reads its command line is known from its package
  // before any window opens.
  const wizard::InstallerFacts facts = wizard::ReadInstallerFacts(ProgramPath());
  const wizard::StartPlan plan = wizard::PlanStart(facts, ::GetCommandLineW());
  integration::InstallLog log;
  // A log that cannot be created stops nothing.
  if (!plan.commandLine.logPath.empty()) log.Open(plan.commandLine.logPath);
  const wizard::InstallEnd end = Install(plan, facts, log);
  log.Exit(end.exitCode, end.reason);
  exitCode_ = end.exitCode;
  return FALSE;
}

wizard::InstallEnd SetupApp::Install(const wizard::StartPlan& plan, const wizard::InstallerFacts& facts,
                                     integration::InstallLog& log) {
  switch (plan.mode) {
    case wizard::StartMode::End:
      return plan.end;
    case wizard::StartMode::BadCommandLine: {
      const std::wstring text = wizard::kTextBadArgument + plan.commandLine.badArgument + wizard::kTextSwitches;
      ::MessageBoxW(nullptr, text.c_str(), GetAppName().c_str(), MB_OK | MB_ICONERROR);
      return plan.end;
    }
    case wizard::StartMode::Wizard:
    case wizard::StartMode::Silent:
      break;
  }
  wizard::ProductMutex mutex;
  if (facts.deploy.Present() && !mutex.Acquire(platform::Utf8ToWide(facts.deploy.keyName))) {
    if (plan.mode == wizard::StartMode::Wizard) {
      const std::wstring text =
          wizard::kTextAnotherBefore + platform::Utf8ToWide(facts.deploy.keyName) + wizard::kTextAnotherAfter;
      ::MessageBoxW(nullptr, text.c_str(), GetAppName().c_str(), MB_OK | MB_ICONWARNING);
    }
    return wizard::kEndAnotherInstallation;
  }
  if (plan.mode == wizard::StartMode::Silent) {
    return wizard::SilentInstaller(facts, plan.commandLine.installFolder, log).Run();
  }
  return RunWizard(plan, facts, log);
}

wizard::InstallEnd SetupApp::RunWizard(const wizard::StartPlan& plan, const wizard::InstallerFacts& facts,
                                       integration::InstallLog& log) {
  controls::ImagingStartup();
  // The wizard and every picture it holds are gone before GDI+ stops.
  SetupWizardDlg wizard(nullptr);
  wizard.deploy = facts.deploy;
  wizard.installedBytes = facts.installedBytes;
  wizard.commandFolder = plan.commandLine.installFolder;
  if (log.IsOpen()) wizard.log = &log;
  m_pMainWnd = &wizard;
  wizard.DoModal();
  m_pMainWnd = nullptr;
  return wizard.installEnd;
}

int SetupApp::ExitInstance() {
  controls::ImagingShutdown();
  ui::CWinApp::ExitInstance();
  return exitCode_;
}

// The program's entry: runs theApp (InitInstance, then ExitInstance).
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return ui::AfxWinMain(instance, showCommand);
}
