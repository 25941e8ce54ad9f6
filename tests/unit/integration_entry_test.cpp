// The installed-programs entry's values as the registry step writes them,
// how the log and the progress line show each, the program an
// UninstallString starts, and the installation's log file.
#include <gtest/gtest.h>

#include "bytes.h"
#include "integration/install_log.h"
#include "integration/uninstall_entry.h"
#include "temp_folder.h"

namespace integration {
namespace {

TEST(UninstallEntry, TheValuesOfOneInstallation) {
  EntryFacts f;
  f.deploy = {"Demo", "1.2.0", "Pub", ""};
  f.productName = L"Demo";
  f.installFolder = L"C:\\Program Files\\Demo";
  f.uninstallerPath = L"C:\\Program Files\\Demo\\uninstall.exe";
  f.mainProgramPath = L"C:\\Program Files\\Demo\\bin\\Demo.exe";
  f.installedBytes = 2049;  // three KiB begun
  f.year = 2026, f.month = 3, f.day = 7;
  const std::wstring key = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\\";
  std::wstring shown;
  for (const RegistryValue& v : UninstallEntryValues(f)) {
    const std::wstring described = DescribeValue(L"Demo", v);
    EXPECT_EQ(described.substr(0, key.size()), key);
    shown += described.substr(key.size()) + L"\n";
  }
  EXPECT_EQ(shown,
            L"DisplayName = Demo\n"
            L"DisplayVersion = 1.2.0\n"
            L"Publisher = Pub\n"
            L"InstallLocation = C:\\Program Files\\Demo\n"
            L"UninstallString = \"C:\\Program Files\\Demo\\uninstall.exe\"\n"
            L"QuietUninstallString = \"C:\\Program Files\\Demo\\uninstall.exe\" /S\n"
            L"DisplayIcon = C:\\Program Files\\Demo\\bin\\Demo.exe\n"
            L"EstimatedSize = 3\n"
            L"InstallDate = 20260307\n"
            L"NoModify = 1\n"
            L"NoRepair = 1\n"
            L"URLInfoAbout removed\n");
  std::vector<RegistryValue> values = UninstallEntryValues(f);
  EXPECT_TRUE(values[7].number && values[9].number && values[10].number && !values[8].number);

  // With a URL; without a main program the uninstaller gives the icon.
  f.deploy.url = "https://x.org/";
  f.mainProgramPath.clear();
  values = UninstallEntryValues(f);
  EXPECT_EQ(std::tuple(values[6].text, values[11].text, values[11].remove),
            std::tuple(f.uninstallerPath, std::wstring(L"https://x.org/"), false));
}

TEST(UninstallEntry, TheProgramAnUninstallStringStarts) {
  EXPECT_EQ(CommandProgram(L"\"C:\\a b\\u.exe\" /S"), L"C:\\a b\\u.exe");
  EXPECT_EQ(CommandProgram(L"  C:\\a\\u.exe /S"), L"C:\\a\\u.exe");
  EXPECT_EQ(CommandProgram(L"\"C:\\a b\\u.exe"), L"C:\\a b\\u.exe");
  EXPECT_EQ(CommandProgram(L"   "), L"");
}

TEST(InstallLog, OneUtf8LinePerItemAndTheExitLast) {
  TempFolder folder;
  InstallLog log;
  ASSERT_TRUE(log.Open(folder.Wide(L"i.log")));
  log.Entry(L"C:\\X\\bin", true);
  log.Entry(L"C:\\X\\bin\\说明.txt", false);
  log.Line("registry", L"HKLM\\K\\V = 1");
  log.Exit(1603, "a file could not be written");
  log.Line("file", L"after the end");
  EXPECT_EQ(support::ReadFile(folder.Child("i.log")),
            "folder: C:\\X\\bin\r\nfile: C:\\X\\bin\\说明.txt\r\nregistry: HKLM\\K\\V = 1\r\n"
            "exit: 1603 (a file could not be written)\r\n");
  // A log that cannot be made writes nothing and refuses nothing.
  InstallLog none;
  EXPECT_FALSE(none.Open(folder.Wide(L"no\\such\\folder\\i.log")));
  none.Line("file", L"x");
  none.Exit(0, "installed");
  EXPECT_FALSE(none.IsOpen());
}

}  // namespace
}  // namespace integration
