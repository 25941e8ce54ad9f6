#include "integration/finish_actions.h"

#include "integration/menu_path.h"

namespace integration {

std::wstring FinishText(const std::wstring& productName) {
  std::wstring text;
  for (const wchar_t* p = kFormatFinishText; *p; ++p) {
    if (p[0] == L'%' && p[1] == L's') {
      text += productName;
      ++p;
    } else {
      text += *p;
    }
  }
  return text;
}

std::vector<FinishAction> PlanFinishActions(int choiceFlags, const std::wstring& mainProgramPath,
                                            const std::wstring& productName, const std::wstring& startMenuFolder,
                                            bool haveRecord) {
  std::vector<FinishAction> actions;
  std::wstring autostartLink;
  // Without a main program there is nothing to link to or to start.
  if (mainProgramPath.empty()) choiceFlags = 0;
  if (choiceFlags & FINISH_DESKTOP_LINK) {
    FinishAction a;
    a.kind = FinishActionKind::CreateShortcut;
    a.shortcut = DesktopRequest(mainProgramPath, productName);
    actions.push_back(std::move(a));
  }
  if (choiceFlags & FINISH_AUTOSTART) {
    autostartLink = productName;
    FinishAction a;
    a.kind = FinishActionKind::CreateShortcut;
    a.shortcut = StartupRequest(mainProgramPath, productName);
    actions.push_back(std::move(a));
  }
  if (choiceFlags & FINISH_RUN_PROGRAM) {
    FinishAction a;
    a.kind = FinishActionKind::RunProgram;
    a.program = mainProgramPath;
    actions.push_back(std::move(a));
  }
  if (haveRecord) {
    FinishAction a;
    a.kind = FinishActionKind::SetNames;
    a.names[0] = startMenuFolder;
    a.names[1] = productName;
    a.names[2] = autostartLink;
    actions.push_back(std::move(a));
  }
  return actions;
}

}  // namespace integration
