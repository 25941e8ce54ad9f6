// A running program cannot delete its own file. The uninstaller therefore
// copies itself into a new folder of its own in the temporary folder and
// starts the copy, handing it a handle of its own process (inherited) and
// its path; the copy waits for the original to end, removes the installation
// including the original file, and has its own file and folder deleted at
// the next restart.
//
// Silently (/S) the original waits instead, so that its caller learns the
// outcome from its exit code: the copy removes everything but the original's
// file and the folders that hold it, writes its exit code into an inherited
// pipe, waits for the original to end and then removes the rest.
#pragma once

#include <windows.h>

#include <string>

namespace uninstall {

// Full path of the running program's file; empty when it cannot be told.
std::wstring OwnProgramPath();

// Copies the running program into a new folder in the temporary folder,
// named "uninstall-" and 32 random hex digits and open to the system, the
// administrators and its owner only, and starts the copy with
// "/remove <handle> <ownPath>" and that folder as its current directory (so
// that no folder of the installation is in use, and no shared folder is in
// any search). True when the copy runs; on failure neither copy nor folder
// is left behind. With result (silent), the copy gets "/S <pipe>" as well,
// and *result is the pipe's reading end, from which WaitForRemovalResult
// reads the copy's exit code.
bool StartRemovalCopy(const std::wstring& ownPath, HANDLE* result = nullptr);

// The original's side, silent: the copy's exit code once it has removed all
// but the original's file (EXIT_FAILED when the copy ended without telling).
// Closes the pipe.
DWORD WaitForRemovalResult(HANDLE result);

// The copy's side: the arguments it was started with.
struct RemovalArguments {
  HANDLE original = nullptr;  // the original process (SYNCHRONIZE), inherited
  std::wstring originalPath;  // the installed uninstaller
  HANDLE result = nullptr;    // silent: the pipe the exit code goes to, inherited
};
// True when the command line is "/remove <handle> <path>", or silent
// "/remove <handle> <path> /S <pipe>".
bool ParseRemovalArguments(const wchar_t* commandLine, RemovalArguments& arguments);

// The copy's side, silent: writes the exit code to the original and closes the pipe.
void ReportRemovalResult(RemovalArguments& arguments, DWORD exitCode);

// True when an argument after the program's path is /S (in any letter case).
bool HasSilentSwitch(const wchar_t* commandLine);

// Waits for the original process to end (at most timeoutMs) and closes the handle.
void WaitForOriginal(RemovalArguments& arguments, DWORD timeoutMs);

// Asks Windows to delete the running program's file at the next restart
// (MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT), and after it the copy's
// folder, when the program runs from one. False when refused.
bool ScheduleOwnDeletion();

}  // namespace uninstall
