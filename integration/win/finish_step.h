// The finish step's work after the finish dialog: the desktop and Startup
// shortcuts, the start of the main program and the names handed to the
// install record, in the order integration::PlanFinishActions gives.
// Runs on the user-interface thread (COM initialised); fails silently.
#pragma once

#include <string>
#include <vector>

#include "integration/finish_actions.h"
#include "integration/install_log.h"
#include "integration/win/start_program.h"

class InstallRecord;

// CreateShortcut, and its line in the log when there is one: "shortcut" when
// it was written, "shortcut not made" when not.
bool CreateLoggedShortcut(const integration::ShortcutRequest& request, integration::InstallLog* log);

// Carries out each action in order; SetNames goes to `record` (skipped when
// null); the shortcuts go to the log (when not null). Returns the way the
// main program was started (None: not asked).
ProgramStart RunFinishActions(const std::vector<integration::FinishAction>& actions, InstallRecord* record,
                              integration::InstallLog* log = nullptr);

// Plans the actions for the user's choices and carries them out; the names
// go to g_pInstallRecord when it exists. Returns the way the main program
// was started.
ProgramStart RunFinishStep(int choiceFlags, const std::wstring& mainProgramPath, const std::wstring& productName,
                           const std::wstring& startMenuFolder, integration::InstallLog* log = nullptr);
