// The installed-programs entry in the registry: written by the installer's
// registry step in the registry view of the installer's own architecture
// (the 32-bit installer's entry lies where 32-bit programs' entries lie on
// 64-bit Windows), removed by the uninstaller.
#pragma once

#include <string>
#include <vector>

#include "integration/uninstall_entry.h"

// Told of each value of the entry as it is written (the log, the progress line).
class EntryReport {
 public:
  virtual ~EntryReport() = default;
  // DescribeValue of the value just written or removed.
  virtual void Written(const std::wstring& described) = 0;
};

// Creates or opens HKLM\<UninstallKeyPath(keyName)> and sets (or removes)
// each value in order, telling report of each.
// False when the key cannot be opened or a value cannot be set; the values
// after it are not tried.
bool WriteUninstallEntry(const std::wstring& keyName, const std::vector<integration::RegistryValue>& values,
                         EntryReport& report);

// Deletes the entry in the 64-bit and the 32-bit registry view wherever its
// UninstallString starts uninstallerPath (compared without letter case and
// in long form, so call it while the uninstaller's file exists): an entry of
// the same name that another installation of the product wrote stays. False when such an entry is there and cannot be
// deleted.
bool RemoveUninstallEntry(const std::wstring& keyName, const std::wstring& uninstallerPath);

// The registry step of an installer built with [deploy], in the wizard and
// silently alike: the entry of this installation, dated today (local time),
// written under the key name of deploy (UninstallEntryValues, WriteUninstallEntry).
bool RegisterProduct(const DeployFacts& deploy, const std::wstring& productName, const std::wstring& installFolder,
                     const std::wstring& uninstallerPath, const std::wstring& mainProgramPath,
                     std::uint64_t installedBytes, EntryReport& report);
