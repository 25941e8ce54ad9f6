// Every fixed text the wizard shows, in one place. UTF-16 on Windows.
// Kept byte-exact: the punctuation (full-width and ASCII mixed) and the
// spacing are part of the product's wording.
#pragma once

namespace wizard {

// Start-up failures (message boxes, default caption, OK).
inline constexpr const wchar_t* kTextDamagedInstaller = L"安装程序已经损坏!";
inline constexpr const wchar_t* kTextInfoUnreadable = L"读取初始话安装信息失败!";

// Cancel question: text, caption (buttons OK and Cancel).
inline constexpr const wchar_t* kTextQuitQuestion = L"你确定要退出安装吗?";
inline constexpr const wchar_t* kTextQuitCaption = L"退出";

// Leaving the folder page with a folder that cannot be installed into.
inline constexpr const wchar_t* kTextInvalidFolder = L"安装路径无效, 请重新输入或点击“浏览”选择安装路径!";

// Title of the shell folder picker (Browse).
inline constexpr const wchar_t* kTextBrowseTitle = L"打开程序安装路径: ";

// Heading painted before the package's own heading replaces it.
inline constexpr const wchar_t* kTextDefaultTitle = L"Quillmoran岚杉爬虫系统安装程序";

// Page guidance texts (pages 1 to 5, 7, 8, 10, 11; page 0 shows the package's welcome text).
inline constexpr const wchar_t* kGuideLanguage =
    L"请按向导选择安装语言：退出安装请点击“取消”, 返回请点击“上一步”, 继续请点击“下一步”";
inline constexpr const wchar_t* kGuideAgreement =
    L"请同意用户安装协议并继续点击“下一步”：退出安装请点击“取消”, 返回请点击“上一步”";
inline constexpr const wchar_t* kGuideInstallFolder =
    L"请按向导选择安装路径, 若更换安装路径请点击“浏览”或手动输入路径：退出安装请点击“取消”, 返回请点击“上一步”, 继续请点击“下一步”";
inline constexpr const wchar_t* kGuideCheckEnvironment = L"正在检查安装环境，请稍后......";
inline constexpr const wchar_t* kGuideEnvironmentSet = L"请设置安装环境。";
inline constexpr const wchar_t* kGuideInstallComponents = L"正在安装组件, 请耐心等待......:";
inline constexpr const wchar_t* kGuideCopyFiles = L"正在进行文件拷贝，请耐心等待......";
inline constexpr const wchar_t* kGuideWriteRegistry = L"正在写入注册表，请耐心等待......";
inline constexpr const wchar_t* kGuideCreateStartMenu = L"正在创建开始菜单，请耐心等待......";

// Confirmation page (6): filled with installFolder, then productName (see ConfirmationText).
inline constexpr const wchar_t* kFormatConfirmation =
    L"即将在\n    %s\n安装%s, 继续请点击“下一步”：退出安装请点击“取消”, 返回请点击“上一步”";

// Progress line labels (control 1015), each followed by the item's text.
inline constexpr const wchar_t* kLabelCopyFiles = L"正在复制文件:    ";
inline constexpr const wchar_t* kLabelWriteRegistry = L"正在写入注册表:    ";
inline constexpr const wchar_t* kLabelCreateStartMenu = L"正在创建开始菜单:    ";

// Retry prompt of the copy step: before + destination path + after; caption; buttons Retry and Cancel.
inline constexpr const wchar_t* kTextRetryBefore = L"复制文件 ";
inline constexpr const wchar_t* kTextRetryAfter = L"失败,\n该文件可能被其他进程占用, 请关闭相关进程点击 重试!";
inline constexpr const wchar_t* kTextRetryCaption = L"是否重试?";

// An install step's worker thread could not be started (message box,
// default caption, OK); before copying the user may try Next again.
inline constexpr const wchar_t* kTextStepNotStarted = L"无法启动安装步骤, 请关闭其他程序后重试!";

// A file was given up during copying (message box, default caption, OK).
inline constexpr const wchar_t* kTextInstallFailed = L"安装失败!";

// Installers built with [deploy]: an argument that is not a switch (the
// argument follows; message box, default caption, OK), and a second
// installer of the same product while one runs (the product name between
// the two parts; message box, default caption, OK).
inline constexpr const wchar_t* kTextBadArgument = L"无法识别的命令行参数: ";
inline constexpr const wchar_t* kTextSwitches =
    L"\n\n可用的参数:\n    /S  静默安装\n    /LOG=<日志文件>\n    /D=<安装路径>  (放在最后)";
inline constexpr const wchar_t* kTextAnotherBefore = L"“";
inline constexpr const wchar_t* kTextAnotherAfter = L"”的另一个安装程序正在运行, 请等它结束后再试。";

// The one row of the language table.
inline constexpr const wchar_t* kTextLanguageChinese = L"简体中文";

// Face of every font the wizard paints with.
inline constexpr const wchar_t* kFontFace = L"微软雅黑";

}  // namespace wizard
