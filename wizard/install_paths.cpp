#include "wizard/install_paths.h"

namespace wizard {

namespace {

bool EndsWithBackslash(const std::wstring& s) { return !s.empty() && s.back() == L'\\'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// \\server\share with both parts non-empty; anything may follow a further "\".
bool IsUncRoot(const std::wstring& s) {
  if (s.size() < 5 || s[0] != L'\\' || s[1] != L'\\') return false;
  size_t serverEnd = s.find(L'\\', 2);
  if (serverEnd == std::wstring::npos || serverEnd == 2) return false;
  size_t shareEnd = s.find(L'\\', serverEnd + 1);
  size_t shareLength = (shareEnd == std::wstring::npos ? s.size() : shareEnd) - (serverEnd + 1);
  return shareLength > 0;
}

bool IsForbiddenPathChar(wchar_t c) {
  return c < 0x20 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*';
}

}  // namespace

std::wstring WithTrailingBackslash(const std::wstring& folder) {
  return EndsWithBackslash(folder) ? folder : folder + L'\\';
}

std::wstring AppendProductFolder(const std::wstring& folder, const std::wstring& productName) {
  if (folder.empty()) return folder;
  return WithTrailingBackslash(folder) + productName;
}

std::vector<std::wstring> FolderLevels(const std::wstring& folder) {
  std::size_t first = std::wstring::npos;  // index of the separator ending the root
  if (folder.size() >= 3 && IsDriveLetter(folder[0]) && folder[1] == L':' && folder[2] == L'\\') {
    first = 2;
  } else if (folder.rfind(L"\\\\", 0) == 0) {
    // \\server\share: the share is the root; levels start below it.
    const std::size_t server = folder.find(L'\\', 2);
    first = server == std::wstring::npos ? std::wstring::npos : folder.find(L'\\', server + 1);
    if (first == std::wstring::npos) return {folder};
  }
  if (first == std::wstring::npos) return {folder};
  std::vector<std::wstring> levels;
  for (std::size_t at = folder.find(L'\\', first + 1);; at = folder.find(L'\\', at + 1)) {
    const std::size_t end = at == std::wstring::npos ? folder.size() : at;
    // Doubled separators make no level of their own.
    if (end > 0 && folder[end - 1] != L'\\') levels.push_back(folder.substr(0, end));
    if (at == std::wstring::npos) break;
  }
  return levels;
}

bool IsInstallableFolder(const std::wstring& folder) {
  bool drive = folder.size() >= 3 && IsDriveLetter(folder[0]) && folder[1] == L':' && folder[2] == L'\\';
  if (!drive && !IsUncRoot(folder)) return false;
  for (size_t i = 0; i < folder.size(); ++i) {
    wchar_t c = folder[i];
    if (IsForbiddenPathChar(c)) return false;
    if (c == L':' && i != 1) return false;
  }
  return true;
}

std::wstring ResolveMainProgramPath(const std::wstring& packagePath, const std::wstring& installFolder) {
  if (packagePath.size() >= 2 && packagePath[1] == L':') return packagePath;
  if (packagePath.empty() || installFolder.empty()) return packagePath;
  std::wstring relative = packagePath[0] == L'\\' ? packagePath.substr(1) : packagePath;
  return WithTrailingBackslash(installFolder) + relative;
}

bool LeaveFolderPage(const std::wstring& folderText, const std::wstring& packageMainProgram,
                     std::wstring& installFolder, std::wstring& mainProgramPath) {
  if (!IsInstallableFolder(folderText)) return false;
  installFolder = folderText;
  mainProgramPath = ResolveMainProgramPath(packageMainProgram, installFolder);
  return true;
}

}  // namespace wizard
