// The worker procedures of the install steps. Each runs on its own thread,
// started with ui::AfxBeginThread, reports to the wizard window (g_pWizard)
// with WM_INSTALL_STEP / WM_ADD_MENU_ITEM / WM_ASK_RETRY and ends; nobody
// waits for it.
#pragma once

#include <windows.h>

#include <string>

// The program's own file, which carries the package (any length).
std::wstring ProgramPath();

// Step 4; parameter null, or the wizard's wizard::PackageCheck of an earlier
// check. Walks the installer's own package once (every stored blob
// decoded); the final report's lParam points to the wizard::PackageCheck,
// which the wizard judges against the install folder.
UINT CheckEnvironmentProc(LPVOID param);
// Step 7; parameter null.
UINT InstallComponentsProc(LPVOID param);
// Step 8; parameter: the wizard's PackageFile.
UINT CopyFilesProc(LPVOID param);
// Step 10; parameter: the wizard's PackageFile (not used).
UINT WriteRegistryProc(LPVOID param);
// Step 11; parameter: the wizard's PackageFile.
UINT CreateStartMenuProc(LPVOID param);
