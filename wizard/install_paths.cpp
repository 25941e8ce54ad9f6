#include "wizard/install_paths.h"

#include "package/entry_name.h"
#include "platform/path_limits.h"
#include "platform/utf.h"

namespace wizard {

namespace {

bool EndsWithBackslash(const std::wstring& s) { return !s.empty() && s.back() == L'\\'; }

// \\server\share with both parts non-empty; anything may follow a further "\".
bool IsUncRoot(const std::wstring& s) {
  if (s.size() < 5 || s[0] != L'\\' || s[1] != L'\\') return false;
  size_t serverEnd = s.find(L'\\', 2);
  if (serverEnd == std::wstring::npos || serverEnd == 2) return false;
  size_t shareEnd = s.find(L'\\', serverEnd + 1);
  size_t shareLength = (shareEnd == std::wstring::npos ? s.size() : shareEnd) - (serverEnd + 1);
  return shareLength > 0;
}

// Length of the root of an installable folder: "C:\" or "\\server\share\"
// (the whole text for a bare share).
std::size_t RootLength(const std::wstring& folder) {
  if (folder.size() >= 3 && folder[1] == L':') return 3;
  const std::size_t server = folder.find(L'\\', 2);
  const std::size_t share = server == std::wstring::npos ? server : folder.find(L'\\', server + 1);
  return share == std::wstring::npos ? folder.size() : share + 1;
}

bool Refuse(FolderVerdict* why, FolderVerdict verdict) {
  if (why) *why = verdict;
  return false;
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

bool TrimFolderComponents(const std::wstring& folder, std::wstring* trimmed, FolderVerdict* why) {
  const std::size_t root = RootLength(folder);
  std::vector<std::wstring> components;
  for (std::size_t start = root; start <= folder.size();) {
    std::size_t end = folder.find(L'\\', start);
    if (end == std::wstring::npos) end = folder.size();
    std::wstring component = folder.substr(start, end - start);
    start = end + 1;
    if (component == L".") continue;
    if (component == L"..") {
      // Up one level, never above the root, as Windows resolves it.
      while (!components.empty() && components.back().empty()) components.pop_back();
      if (!components.empty()) components.pop_back();
      continue;
    }
    if (!component.empty()) {
      while (!component.empty() && (component.back() == L' ' || component.back() == L'.')) component.pop_back();
      if (component.empty()) return Refuse(why, FolderVerdict::Malformed);
      if (IsDeviceName(platform::WideToUtf8(component))) return Refuse(why, FolderVerdict::DeviceName);
    }
    components.push_back(component);
  }
  std::wstring out = folder.substr(0, root);
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i > 0) out += L'\\';
    out += components[i];
  }
  *trimmed = out;
  return true;
}

FolderVerdict CheckInstallFolder(const std::wstring& folderText, const platform::FolderProbe& probe,
                                 std::wstring* accepted) {
  if (!IsInstallableFolder(folderText)) return FolderVerdict::Malformed;
  std::wstring folder;
  FolderVerdict why = FolderVerdict::Accepted;
  if (!TrimFolderComponents(folderText, &folder, &why)) return why;

  // The folder itself must be one CreateDirectoryW can make.
  const std::wstring bare = EndsWithBackslash(folder) ? folder.substr(0, folder.size() - 1) : folder;
  if (platform::Utf16Length(bare) > static_cast<std::size_t>(platform::kMaxFolderPath)) return FolderVerdict::TooLong;

  std::wstring deepest = folder.substr(0, RootLength(folder));
  if (!EndsWithBackslash(deepest)) deepest += L'\\';
  if (probe.KindOf(deepest) != platform::PathKind::Folder) return FolderVerdict::NoDrive;
  for (const std::wstring& level : FolderLevels(folder)) {
    const platform::PathKind kind = probe.KindOf(level);
    if (kind == platform::PathKind::File) return FolderVerdict::NamesFile;
    if (kind == platform::PathKind::Link) return FolderVerdict::Linked;
    if (kind == platform::PathKind::Missing) break;
    deepest = level;
  }
  if (!probe.CanCreateFolderIn(deepest)) return FolderVerdict::NotWritable;
  *accepted = folder;
  return FolderVerdict::Accepted;
}

bool LeavesRoomForNames(const std::wstring& installFolder, int longestFolderName, int longestFileName) {
  // Every packaged name lands at folder + "\" + name.
  const std::size_t base = platform::Utf16Length(WithTrailingBackslash(installFolder));
  return (longestFolderName == 0 ||
          base + static_cast<std::size_t>(longestFolderName) <= static_cast<std::size_t>(platform::kMaxFolderPath)) &&
         (longestFileName == 0 ||
          base + static_cast<std::size_t>(longestFileName) <= static_cast<std::size_t>(platform::kMaxFilePath));
}

bool LeaveFolderPage(const std::wstring& folderText, const std::wstring& packageMainProgram,
                     const platform::FolderProbe& probe, std::wstring& installFolder, std::wstring& mainProgramPath) {
  std::wstring folder;
  if (CheckInstallFolder(folderText, probe, &folder) != FolderVerdict::Accepted) return false;
  installFolder = folder;
  mainProgramPath = ResolveMainProgramPath(packageMainProgram, installFolder);
  return true;
}

}  // namespace wizard
