#include "integration/win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

#include "integration/win/com_ptr.h"

namespace {

// Frees an item identifier list through the shell's task allocator.
class ItemIdList {
 public:
  ~ItemIdList() {
    if (list_ == nullptr) return;
    ComPtr<IMalloc> malloc;
    if (SUCCEEDED(SHGetMalloc(malloc.Receive())) && malloc) malloc->Free(list_);
  }
  LPITEMIDLIST* Receive() { return &list_; }
  LPCITEMIDLIST Get() const { return list_; }

 private:
  LPITEMIDLIST list_ = nullptr;
};

}  // namespace

bool GetShellFolderPath(int folderId, std::wstring& path) {
  ItemIdList list;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, folderId, list.Receive()))) return false;
  wchar_t buffer[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(list.Get(), buffer)) return false;
  path = buffer;
  path += L'\\';
  return true;
}
