// What an installed uninstaller knows about its installation: the install
// record at the end of its file, the installed-entries list in front of the
// record, and the install folder (its own path less its entry name).
#pragma once

#include <string>

#include "uninstall/uninstall_list.h"

namespace uninstall {

enum class LoadStatus {
  Ok,
  Unreadable,     // the file cannot be opened
  NoRecord,       // shorter than a record, or the record's magic is missing
  RecordDamaged,  // the record's offset is not where the record begins
  NoList,         // no list block in front of the record
  ListDamaged,    // a list block that fails one of its checks
  WrongPlace,     // the file's path does not end with the list's own entry name
};

struct Installation {
  std::wstring uninstallerPath;  // the installed uninstaller
  std::wstring installFolder;    // with its trailing backslash
  std::wstring startMenuFolder;  // the record's names
  std::wstring productName;
  std::wstring autostartLink;
  UninstallList list;
  ListError listError = ListError::None;
};

// Reads the record (InstallRecord, reading mode) and the list of the
// uninstaller at `path` (a full path with backslashes). Touches nothing.
LoadStatus LoadInstallation(const std::wstring& path, Installation& installation);

}  // namespace uninstall
