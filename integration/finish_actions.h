// The finish step after the finish dialog: the user's choices turned into
// the ordered list of things to do, and the finish dialog's text.
#pragma once

#include <string>
#include <vector>

#include "integration/shortcut_request.h"

// Choice bits of FinishDlg::choiceFlags.
inline constexpr int FINISH_DESKTOP_LINK = 1;  // "添加快捷方式到桌面"
inline constexpr int FINISH_AUTOSTART = 2;     // "开机自动运行"
inline constexpr int FINISH_RUN_PROGRAM = 4;   // "运行主程序"
// The finish dialog's boxes as it opens: all ticked.
inline constexpr int kFinishDefaults = FINISH_DESKTOP_LINK | FINISH_AUTOSTART | FINISH_RUN_PROGRAM;

namespace integration {

// The text of control 1002; %s is the product name.
inline constexpr const wchar_t* kFormatFinishText = L"%s已经正确安装，请点击“完成”结束操作。";
std::wstring FinishText(const std::wstring& productName);

enum class FinishActionKind {
  CreateShortcut,  // CreateShortcut(shortcut...), result ignored
  RunProgram,      // StartProgramAsUser(program): the desktop shell, else ShellExecuteW
  SetNames,        // g_pInstallRecord->SetNames(names[0], names[1], names[2])
};

struct FinishAction {
  FinishActionKind kind = FinishActionKind::CreateShortcut;
  ShortcutRequest shortcut;  // CreateShortcut
  std::wstring program;      // RunProgram
  std::wstring names[3];     // SetNames: start-menu folder, product name, log-on shortcut name
};

// In order: desktop shortcut, Startup shortcut, program start (each when its
// bit is set and there is a main program), then SetNames when haveRecord
// (the log-on name is the product name only when the Startup shortcut is
// made, else empty).
std::vector<FinishAction> PlanFinishActions(int choiceFlags, const std::wstring& mainProgramPath,
                                            const std::wstring& productName, const std::wstring& startMenuFolder,
                                            bool haveRecord);

}  // namespace integration
