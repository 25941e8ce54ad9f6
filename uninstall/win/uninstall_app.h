// The uninstaller program: UninstallApp runs one of its two stages from
// InitInstance and ends.
//  - Started plainly (the installed uninstall.exe): reads its install record
//    and list, asks once, and hands the removal to a copy of itself in the
//    temporary folder (self_copy.h).
//  - Started as that copy ("/remove <handle> <path>"): waits for the original
//    to end, removes the installation (with the installed-programs entry of
//    an installer built with [deploy]), and shows the result.
// With /S nothing is shown: the question counts as answered yes, the user's
// own files stay as always, and the original waits for the copy's outcome.
// Exit codes, as deployment tools know them: 0 removed (the original: the
// removal has started, or with /S it is done), 1602 declined, 1603 nothing
// removed (no or bad record or list, copy not started) or removed with
// failures.
#pragma once

#include <string>

#include "platform/ui/app.h"
#include "uninstall/installation.h"
#include "uninstall/win/self_copy.h"

class UninstallApp : public ui::CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;

 private:
  void AskAndStart();
  void RemoveInstallation(uninstall::RemovalArguments& arguments);
  // A message box without owner, captioned with the application name (in
  // the copy: the installed uninstaller's file name without extension).
  // Silent: nothing is shown, and the answer is yes.
  int Say(const std::wstring& text, UINT type);
  // False after telling the user why nothing can be removed.
  bool Loaded(uninstall::LoadStatus status);

  std::wstring caption_;
  bool silent_ = false;
  int exitCode_ = 0;
};
