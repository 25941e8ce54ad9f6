// What the folder page asks of the file system before it accepts an install
// folder: whether a path exists, and as what, and whether a new folder can
// be made inside an existing one. The path rules (wizard/install_paths.h)
// decide over this interface; tests plug in a fake.
#pragma once

#include <string>

namespace platform {

enum class PathKind { Missing, Folder, File };

class FolderProbe {
 public:
  virtual ~FolderProbe() = default;
  // What `path` names now. A drive root names a folder when the drive exists.
  virtual PathKind KindOf(const std::wstring& path) const = 0;
  // Makes a new folder of a name nothing has inside the existing `folder`
  // and removes it again; nothing that exists is touched. True when the
  // folder could be made.
  virtual bool CanCreateFolderIn(const std::wstring& folder) const = 0;
};

#ifdef _WIN32
// The file system of this machine (GetFileAttributesW, CreateDirectoryW,
// RemoveDirectoryW).
class SystemFolderProbe : public FolderProbe {
 public:
  PathKind KindOf(const std::wstring& path) const override;
  bool CanCreateFolderIn(const std::wstring& folder) const override;
};
#endif

}  // namespace platform
