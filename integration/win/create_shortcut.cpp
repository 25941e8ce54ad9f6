#include "integration/win/create_shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "integration/menu_path.h"
#include "integration/win/com_ptr.h"
#include "integration/win/shell_folder.h"

namespace {

// True when anything (folder or plain file) of exactly this name exists.
bool NameExists(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

bool WriteShortcut(int folderId, const std::wstring& target, const std::wstring& subFolder,
                   const std::wstring& linkName, const std::wstring& iconPath, int iconIndex,
                   const std::wstring& description, std::wstring* linkFile) {
  std::wstring folder;
  if (!GetShellFolderPath(folderId, folder)) return false;

  if (!subFolder.empty()) {
    const std::wstring subPath = integration::ShortcutFolderPath(folder, subFolder);
    // A plain file of that name counts as found; Save then fails below.
    if (!NameExists(subPath)) CreateDirectoryW(subPath.c_str(), nullptr);
  }
  const std::wstring linkPath = integration::ShortcutFilePath(folder, subFolder, linkName);
  if (linkFile) *linkFile = linkPath;

  ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.ReceiveVoid())))
    return false;
  link->SetPath(target.c_str());
  link->SetDescription(description.c_str());

  ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.ReceiveVoid()))) return false;
  if (!iconPath.empty()) link->SetIconLocation(iconPath.c_str(), iconIndex);

  const HRESULT saved = persist->Save(linkPath.c_str(), TRUE);
  // Release order: the file interface first, then the link.
  persist.Reset();
  link.Reset();
  return SUCCEEDED(saved);
}

}  // namespace

bool CreateShortcut(int folderId, std::wstring target, std::wstring subFolder, std::wstring linkName,
                    std::wstring iconPath, int iconIndex, std::wstring description) {
  return WriteShortcut(folderId, target, subFolder, linkName, iconPath, iconIndex, description, nullptr);
}

bool CreateShortcut(const integration::ShortcutRequest& request, std::wstring* linkFile) {
  if (linkFile) linkFile->clear();
  return WriteShortcut(request.folderId, request.target, request.subFolder, request.linkName, request.iconPath,
                       request.iconIndex, request.description, linkFile);
}
