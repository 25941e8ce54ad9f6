// Starts the installed main program at the end of the installation as the
// signed-in user: through the desktop's shell (Explorer), which runs with
// the user's own rights even when the installer was elevated, and directly
// through ShellExecuteW when there is no desktop shell to ask.
#pragma once

#include <string>

enum class ProgramStart {
  ThroughDesktopShell,  // the desktop shell's ShellExecute accepted it
  Direct,               // the shell could not be asked; ShellExecuteW started it
  Failed,               // neither way started it
};

// "open" on program, no parameters, in `directory` (the installer's current
// directory when empty), shown normally. Needs COM on the calling thread.
ProgramStart StartProgramAsUser(const std::wstring& program, const std::wstring& directory = std::wstring());
