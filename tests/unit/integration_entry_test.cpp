// The installed-programs entry at the edges deploy_test.py cannot reach (size
// rounded up to KiB, date padded, empty URL removed, the uninstaller as the
// icon), and the program an UninstallString starts.
#include <gtest/gtest.h>

#include "integration/uninstall_entry.h"

namespace integration {
namespace {

TEST(UninstallEntry, TheValuesAtTheirEdges) {
  EntryFacts f;
  f.deploy = {"Demo", "1.2.0", "Pub", ""};
  f.uninstallerPath = L"C:\\D\\uninstall.exe";
  f.installedBytes = 2049;  // three KiB begun
  f.year = 2026, f.month = 3, f.day = 7;
  std::wstring shown;
  for (const RegistryValue& v : UninstallEntryValues(f)) shown += DescribeValue(L"Demo", v) + L"\n";
  const std::wstring key = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo\\";
  for (const std::wstring line : {L"DisplayIcon = C:\\D\\uninstall.exe\n", L"EstimatedSize = 3\n",
                                  L"InstallDate = 20260307\n", L"URLInfoAbout removed\n"})
    EXPECT_NE(shown.find(key + line), std::wstring::npos) << testing::PrintToString(line);
}

TEST(UninstallEntry, TheProgramAnUninstallStringStarts) {
  EXPECT_EQ(CommandProgram(L"\"C:\\a b\\u.exe\" /S"), L"C:\\a b\\u.exe");
  EXPECT_EQ(CommandProgram(L"  C:\\a\\u.exe /S"), L"C:\\a\\u.exe");
  EXPECT_EQ(CommandProgram(L"\"C:\\a b\\u.exe"), L"C:\\a b\\u.exe");
  EXPECT_EQ(CommandProgram(L"   "), L"");
}

}  // namespace
}  // namespace integration
