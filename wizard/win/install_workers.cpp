// Install workers, first stage: every step reports its end and nothing else,
// so the page flow runs end to end. Copying and the start-menu entries report
// their end at once; the real work replaces these bodies.
#include "wizard/win/install_workers.h"

#include "wizard/messages.h"
#include "wizard/win/setup_wizard_dlg.h"

namespace {

HWND WizardWindow() { return g_pWizard ? g_pWizard->GetSafeHwnd() : nullptr; }

void SendStepEnd(int code) { ::SendMessageW(WizardWindow(), WM_INSTALL_STEP, WPARAM(code), 0); }

}  // namespace

UINT CheckEnvironmentProc(LPVOID) {
  SendStepEnd(wizard::STEP_CHECK_ENVIRONMENT);
  return 0;
}

UINT InstallComponentsProc(LPVOID) {
  SendStepEnd(wizard::STEP_INSTALL_COMPONENTS);
  return 0;
}

UINT CopyFilesProc(LPVOID) {
  SendStepEnd(wizard::STEP_COPY_FILES);
  return 0;
}

UINT WriteRegistryProc(LPVOID) {
  SendStepEnd(wizard::STEP_WRITE_REGISTRY);
  return 0;
}

UINT CreateStartMenuProc(LPVOID) {
  // The start-menu step's final report is posted, not sent.
  ::PostMessageW(WizardWindow(), WM_INSTALL_STEP, WPARAM(wizard::STEP_CREATE_START_MENU), 0);
  return 0;
}
