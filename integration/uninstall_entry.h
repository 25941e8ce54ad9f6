// The installed-programs entry that the registry step writes for an
// installer built with [deploy], whose record file is our uninstaller:
// HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<key name>, the
// key that Windows' list of installed programs and deployment tools read to
// show, detect, upgrade and remove the product. One key per product: a
// second installation writes the same key again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "integration/deploy_facts.h"

namespace integration {

// Below HKEY_LOCAL_MACHINE.
inline constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct RegistryValue {
  std::wstring name;
  bool number = false;      // REG_DWORD; otherwise REG_SZ
  std::wstring text;        // REG_SZ
  std::uint32_t value = 0;  // REG_DWORD
  bool remove = false;      // this installation has none: an earlier one's is removed
  bool operator==(const RegistryValue&) const = default;
};

struct EntryFacts {
  DeployFacts deploy;
  std::wstring productName;
  std::wstring installFolder;
  std::wstring uninstallerPath;  // the installed record file: our uninstaller
  std::wstring mainProgramPath;  // empty: the package names none
  std::uint64_t installedBytes = 0;
  int year = 0, month = 0, day = 0;  // the day of the installation
};

// The entry's values in the order they are written: DisplayName,
// DisplayVersion, Publisher, InstallLocation, UninstallString (the
// uninstaller's path in quotes), QuietUninstallString (the same and " /S"),
// DisplayIcon (the main program, else the uninstaller), EstimatedSize (KiB,
// rounded up), InstallDate (yyyymmdd), NoModify = 1, NoRepair = 1 and
// URLInfoAbout (removed when the manifest gives no URL).
std::vector<RegistryValue> UninstallEntryValues(const EntryFacts& facts);

// kUninstallKey\<key name>.
std::wstring UninstallKeyPath(const std::wstring& keyName);

// One value as the log and the progress line show it:
// "HKLM\<key path>\<name> = <data>" (numbers in decimal), or
// "HKLM\<key path>\<name> removed".
std::wstring DescribeValue(const std::wstring& keyName, const RegistryValue& value);

// The program an UninstallString starts: the text in the first pair of
// quotes, or up to the first blank when it is not quoted.
std::wstring CommandProgram(const std::wstring& command);

}  // namespace integration
