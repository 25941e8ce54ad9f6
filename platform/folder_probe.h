// What the folder page asks of the file system before it accepts an install
// folder: whether a path exists, and as what, and whether a new folder can
// be made inside an existing one. The path rules (wizard/install_paths.h)
// decide over this interface; tests plug in a fake.
#pragma once

#include <string>

#include "platform/file.h"

namespace platform {

class FolderProbe {
 public:
  virtual ~FolderProbe() = default;
  // What `path` names now (platform::KindOf).
  virtual PathKind KindOf(const std::wstring& path) const = 0;
  // Makes a new folder of a name nothing has inside the existing `folder`
  // and removes it again; nothing that exists is touched. True when the
  // folder could be made.
  virtual bool CanCreateFolderIn(const std::wstring& folder) const = 0;
};

#ifdef _WIN32
// The file system of this machine (GetFileAttributesW, CreateDirectoryW and
// a handle that deletes the probe folder when closed). Neither asks the
// system to show its box for a drive without media.
class SystemFolderProbe : public FolderProbe {
 public:
  PathKind KindOf(const std::wstring& path) const override;
  bool CanCreateFolderIn(const std::wstring& folder) const override;
};
#endif

}  // namespace platform
