// The installer's application object and its start-up order.
#include "app/setup_app.h"

#include <objbase.h>

#include "controls/imaging.h"
#include "wizard/win/setup_wizard_dlg.h"

SetupApp theApp;

SetupApp::SetupApp() : ui::CWinApp(nullptr) {}

BOOL SetupApp::InitInstance() {
  ui::AfxEnableControlContainer();
  ui::Enable3dControlsStatic();
  ::CoInitialize(nullptr);  // the shell folder picker and shortcuts need COM; a failure is ignored
  controls::ImagingStartup();

  {
    // The wizard and every picture it holds are gone before GDI+ stops.
    SetupWizardDlg wizard(nullptr);
    m_pMainWnd = &wizard;
    wizard.DoModal();
    m_pMainWnd = nullptr;
  }
  return FALSE;
}

int SetupApp::ExitInstance() {
  controls::ImagingShutdown();
  return ui::CWinApp::ExitInstance();
}

// The program's entry: runs theApp (InitInstance, then ExitInstance).
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  return ui::AfxWinMain(instance, showCommand);
}
