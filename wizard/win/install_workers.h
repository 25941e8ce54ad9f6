// The worker procedures of the install steps. Each runs on its own thread,
// started with ui::AfxBeginThread, reports to the wizard window (g_pWizard)
// with WM_INSTALL_STEP / WM_ADD_MENU_ITEM / WM_ASK_RETRY and ends; nobody
// waits for it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "integration/deploy_facts.h"
#include "integration/install_log.h"

class EntryReport;
class PackageFile;

// The program's own file, which carries the package (any length).
std::wstring ProgramPath();

// The work of the steps that the wizard's workers and the silent
// installation share, whoever reports on it:
// - the path of the package's record file below installFolder (empty when
//   the package names none);
std::wstring RecordPath(PackageFile& package, const std::wstring& installFolder);
// - after copying, the log's line for the install record the copy loop
//   opened (none when it was not opened, or without a log);
void LogInstallRecord(integration::InstallLog* log, PackageFile& package, const std::wstring& installFolder);
// - the registry step: for an installer built with [deploy] the
//   installed-programs entry (RegisterProduct), nothing for any other.
//   False when the entry could not be written.
bool RunRegistryStep(const DeployFacts& deploy, PackageFile& package, const std::wstring& productName,
                     const std::wstring& installFolder, const std::wstring& mainProgramPath,
                     std::uint64_t installedBytes, EntryReport& report);

// Step 4; parameter null, or the wizard's wizard::PackageCheck of an earlier
// check. Walks the installer's own package once (every stored blob
// decoded); the final report's lParam points to the wizard::PackageCheck,
// which the wizard judges against the install folder.
UINT CheckEnvironmentProc(LPVOID param);
// Step 7; parameter null.
UINT InstallComponentsProc(LPVOID param);
// Step 8; parameter: the wizard's PackageFile.
UINT CopyFilesProc(LPVOID param);
// Step 10; parameter: the wizard's PackageFile (its record-file name). For an
// installer built with [deploy], the installed-programs entry.
UINT WriteRegistryProc(LPVOID param);
// Step 11; parameter: the wizard's PackageFile.
UINT CreateStartMenuProc(LPVOID param);
