// The installed-programs entry in the registry: written by the installer's
// registry step in the registry view of the installer's own architecture
// (the 32-bit installer's entry lies where 32-bit programs' entries lie on
// 64-bit Windows), removed by the uninstaller.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "integration/uninstall_entry.h"

// Creates or opens HKLM\<UninstallKeyPath(keyName)> and sets (or removes)
// each value in order; report receives DescribeValue of every value done.
// False when the key cannot be opened or a value cannot be set; the values
// after it are not tried.
bool WriteUninstallEntry(const std::wstring& keyName, const std::vector<integration::RegistryValue>& values,
                         const std::function<void(const std::wstring&)>& report);

// Deletes the entry in the 64-bit and the 32-bit registry view wherever its
// UninstallString starts uninstallerPath (compared without letter case and
// in long form, so call it while the uninstaller's file exists): an entry of
// the same name that another installation of the product wrote stays. False when such an entry is there and cannot be
// deleted.
bool RemoveUninstallEntry(const std::wstring& keyName, const std::wstring& uninstallerPath);

// The registry step of an installer built with [deploy]: facts dated today
// (local time), their values (UninstallEntryValues) written under the key
// name of facts.deploy.
bool RegisterProduct(integration::EntryFacts facts, const std::function<void(const std::wstring&)>& report);
