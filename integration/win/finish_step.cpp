#include "integration/win/finish_step.h"

#include "integration/install_record.h"
#include "integration/win/create_shortcut.h"
#include "integration/win/start_program.h"

void RunFinishActions(const std::vector<integration::FinishAction>& actions, InstallRecord* record) {
  for (const integration::FinishAction& action : actions) {
    switch (action.kind) {
      case integration::FinishActionKind::CreateShortcut:
        CreateShortcut(action.shortcut);
        break;
      case integration::FinishActionKind::RunProgram:
        // As the signed-in user, in the installer's current directory.
        StartProgramAsUser(action.program);
        break;
      case integration::FinishActionKind::SetNames:
        if (record != nullptr) record->SetNames(action.names[0], action.names[1], action.names[2]);
        break;
    }
  }
}

void RunFinishStep(int choiceFlags, const std::wstring& mainProgramPath, const std::wstring& productName,
                   const std::wstring& startMenuFolder) {
  RunFinishActions(integration::PlanFinishActions(choiceFlags, mainProgramPath, productName, startMenuFolder,
                                                  g_pInstallRecord != nullptr),
                   g_pInstallRecord);
}
