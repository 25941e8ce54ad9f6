// The uninstaller program: UninstallApp runs one of its two stages from
// InitInstance and ends.
//  - Started plainly (the installed uninstall.exe): reads its install record
//    and list, asks once, and hands the removal to a copy of itself in the
//    temporary folder (self_copy.h).
//  - Started as that copy ("/remove <handle> <path>"): waits for the original
//    to end, removes the installation, and shows the result.
// Exit code: 0 removed or declined, 1 nothing removed (no or bad record or
// list, copy not started), 2 removed with failures.
#pragma once

#include <string>

#include "platform/ui/app.h"
#include "uninstall/installation.h"

class UninstallApp : public ui::CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;

 private:
  void AskAndStart();
  void RemoveInstallation(const std::wstring& arguments);
  // A message box without owner, captioned with the application name (in
  // the copy: the installed uninstaller's file name without extension).
  int Say(const std::wstring& text, UINT type);
  // False after telling the user why nothing can be removed.
  bool Loaded(uninstall::LoadStatus status);

  std::wstring caption_;
  int exitCode_ = 0;
};
