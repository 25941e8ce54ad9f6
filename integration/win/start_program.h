// Starts the installed main program at the end of the installation as the
// signed-in user: through the desktop's shell (Explorer), which runs with
// the user's own rights even when the installer was elevated, and directly
// through ShellExecuteW when there is no desktop shell to ask.
#pragma once

#include <string>

enum class ProgramStart {
  None,                 // nothing was to be started
  ThroughDesktopShell,  // the desktop shell's ShellExecute accepted it
  Direct,               // the shell could not be asked; ShellExecuteW started it
  ShellTimedOut,        // the shell took the request but did not answer in time
  Failed,               // neither way started it
};

// How long the desktop shell may take to answer.
inline constexpr unsigned long kShellStartTimeoutMs = 10000;

// "open" on program, no parameters, in `directory` (the installer's current
// directory when empty), shown normally; returns the way that started it.
// The shell is asked on a thread of its own (with COM of its own), so a
// hung shell holds the caller for timeoutMs at most: when it has not yet
// been handed the program by then, the program is started directly;
// when it has, it is not started a second time (ShellTimedOut).
ProgramStart StartProgramAsUser(const std::wstring& program, const std::wstring& directory = std::wstring(),
                                unsigned long timeoutMs = kShellStartTimeoutMs);
