#include "integration/win/finish_step.h"

#include "integration/install_record.h"
#include "integration/win/create_shortcut.h"

bool CreateLoggedShortcut(const integration::ShortcutRequest& request, integration::InstallLog* log) {
  std::wstring linkFile;
  const bool made = CreateShortcut(request, &linkFile);
  if (log) log->Line(made ? "shortcut" : "shortcut not made", linkFile + L" -> " + request.target);
  return made;
}

ProgramStart RunFinishActions(const std::vector<integration::FinishAction>& actions, InstallRecord* record,
                              integration::InstallLog* log) {
  ProgramStart started = ProgramStart::None;
  for (const integration::FinishAction& action : actions) {
    switch (action.kind) {
      case integration::FinishActionKind::CreateShortcut:
        CreateLoggedShortcut(action.shortcut, log);
        break;
      case integration::FinishActionKind::RunProgram:
        // As the signed-in user, in the installer's current directory.
        started = StartProgramAsUser(action.program);
        break;
      case integration::FinishActionKind::SetNames:
        if (record != nullptr) record->SetNames(action.names[0], action.names[1], action.names[2]);
        break;
    }
  }
  return started;
}

ProgramStart RunFinishStep(int choiceFlags, const std::wstring& mainProgramPath, const std::wstring& productName,
                           const std::wstring& startMenuFolder, integration::InstallLog* log) {
  return RunFinishActions(integration::PlanFinishActions(choiceFlags, mainProgramPath, productName, startMenuFolder,
                                                         g_pInstallRecord != nullptr),
                          g_pInstallRecord, log);
}
