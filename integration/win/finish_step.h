// The finish step's work after the finish dialog: the desktop and Startup
// shortcuts, the start of the main program and the names handed to the
// install record, in the order integration::PlanFinishActions gives.
// Runs on the user-interface thread (COM initialised); fails silently.
#pragma once

#include <string>
#include <vector>

#include "integration/finish_actions.h"
#include "integration/win/start_program.h"

class InstallRecord;

// Carries out each action in order; SetNames goes to `record` (skipped when
// null). Returns the way the main program was started (None: not asked).
ProgramStart RunFinishActions(const std::vector<integration::FinishAction>& actions, InstallRecord* record);

// Plans the actions for the user's choices and carries them out; the names
// go to g_pInstallRecord when it exists. Returns the way the main program
// was started.
ProgramStart RunFinishStep(int choiceFlags, const std::wstring& mainProgramPath, const std::wstring& productName,
                           const std::wstring& startMenuFolder);
