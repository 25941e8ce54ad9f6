#include "integration/menu_path.h"

namespace integration {

std::wstring JoinInstallPath(const std::wstring& installFolder, const std::wstring& target) {
  std::wstring path = installFolder;
  if (path.empty() || path.back() != L'\\') path += L'\\';
  if (!target.empty() && target[0] == L'\\') return path + target.substr(1);
  return path + target;
}

MenuPathSplit SplitMenuPath(const std::wstring& menuPath) {
  const size_t i = menuPath.find(L'\\');
  if (i == std::wstring::npos || i == 0) return {std::wstring(), menuPath};
  return {menuPath.substr(0, i), menuPath.substr(i + 1)};
}

ShortcutRequest MenuItemRequest(const std::wstring& installFolder, const std::wstring record[3],
                                std::wstring& startMenuFolder) {
  MenuPathSplit split = SplitMenuPath(record[0]);
  if (!split.subFolder.empty()) startMenuFolder = split.subFolder;
  ShortcutRequest request;
  request.folderId = kFolderPrograms;
  request.target = JoinInstallPath(installFolder, record[1]);
  request.subFolder = std::move(split.subFolder);
  request.linkName = std::move(split.linkName);
  request.iconIndex = 0;
  request.description = record[2];
  return request;
}

namespace {

ShortcutRequest MainProgramRequest(int folderId, const std::wstring& mainProgramPath, const std::wstring& productName) {
  ShortcutRequest request;
  request.folderId = folderId;
  request.target = mainProgramPath;
  request.linkName = productName;
  request.iconPath = mainProgramPath;
  request.iconIndex = 0;
  request.description = productName;
  return request;
}

}  // namespace

ShortcutRequest DesktopRequest(const std::wstring& mainProgramPath, const std::wstring& productName) {
  return MainProgramRequest(kFolderDesktop, mainProgramPath, productName);
}

ShortcutRequest StartupRequest(const std::wstring& mainProgramPath, const std::wstring& productName) {
  return MainProgramRequest(kFolderStartup, mainProgramPath, productName);
}

std::wstring ShortcutFolderPath(const std::wstring& folder, const std::wstring& subFolder) {
  return folder + subFolder;
}

std::wstring ShortcutFilePath(const std::wstring& folder, const std::wstring& subFolder, const std::wstring& linkName) {
  if (subFolder.empty()) return folder + linkName + L".lnk";
  return folder + subFolder + L'\\' + linkName + L".lnk";
}

}  // namespace integration
