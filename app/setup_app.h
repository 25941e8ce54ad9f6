// SetupApp: the installer's application object. Starts COM and GDI+, runs
// the wizard modally and ends the program when the wizard closes.
#pragma once

#include "platform/ui/app.h"

class SetupApp : public ui::CWinApp {
 public:
  // No application name: message boxes use the executable's name.
  SetupApp();

  // COM, GDI+, the wizard; returns FALSE so the program ends afterwards.
  BOOL InitInstance() override;
  // GDI+ shutdown, then the base's.
  int ExitInstance() override;
};

extern SetupApp theApp;
