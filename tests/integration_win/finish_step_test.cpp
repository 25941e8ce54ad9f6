// The finish step's actions against the prefix's real shell folders and a
// real install record file: shortcuts named after the product on the
// desktop and in the Startup folder, a failing program start that stops
// nothing, the names the record receives, and a real program started.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "integration/finish_actions.h"
#include "integration/install_record.h"
#include "integration/win/finish_step.h"
#include "integration/win/shell_folder.h"
#include "integration/win/start_program.h"

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring TempDir() {
  wchar_t buffer[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, buffer);
  return buffer;
}

std::vector<unsigned char> ReadAll(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  unsigned char chunk[4096];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  CloseHandle(h);
  return bytes;
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string Slot(const std::vector<unsigned char>& block, size_t offset) {
  const char* p = reinterpret_cast<const char*>(block.data() + offset);
  return std::string(p, strnlen(p, 256));
}

class FinishStep : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    ASSERT_TRUE(GetShellFolderPath(CSIDL_DESKTOP, desktop));
    ASSERT_TRUE(GetShellFolderPath(CSIDL_STARTUP, startup));
    recordPath = TempDir() + L"finish_step_record.bin";
    WriteAll(recordPath, "uninstaller");
    DeleteLinks();
  }
  void TearDown() override {
    DeleteLinks();
    DeleteFileW(recordPath.c_str());
    CoUninitialize();
  }
  void DeleteLinks() {
    DeleteFileW((desktop + kProduct + L".lnk").c_str());
    DeleteFileW((startup + kProduct + L".lnk").c_str());
  }
  // Runs the step for `flags` with a record opened for appending; returns the appended block.
  std::vector<unsigned char> Run(int flags) {
    InstallRecord record;
    EXPECT_TRUE(record.Open(recordPath, 1));
    RunFinishActions(integration::PlanFinishActions(flags, kProgram, kProduct, L"岚杉软件", true), &record);
    record.Close();
    std::vector<unsigned char> bytes = ReadAll(recordPath);
    EXPECT_EQ(bytes.size(), 11u + 788u);
    if (bytes.size() < 788) return {};
    return std::vector<unsigned char>(bytes.end() - 788, bytes.end());
  }

  static constexpr const wchar_t* kProduct = L"岚杉完成测试";
  // Not installed: the program start fails, silently, and the step goes on.
  static constexpr const wchar_t* kProgram = L"C:\\NotInstalled\\main.exe";
  std::wstring desktop, startup, recordPath;
};

TEST_F(FinishStep, AllChoicesMakeBothShortcutsAndNameTheLogOnLink) {
  std::vector<unsigned char> block = Run(FINISH_DESKTOP_LINK | FINISH_AUTOSTART | FINISH_RUN_PROGRAM);
  EXPECT_TRUE(Exists(desktop + kProduct + L".lnk"));
  EXPECT_TRUE(Exists(startup + kProduct + L".lnk"));
  ASSERT_EQ(block.size(), 788u);
  EXPECT_EQ(Slot(block, 20), "岚杉软件");
  EXPECT_EQ(Slot(block, 276), "岚杉完成测试");
  EXPECT_EQ(Slot(block, 532), "岚杉完成测试");
}

TEST_F(FinishStep, NoChoiceMakesNoShortcutButTheRecordKeepsTheProductName) {
  std::vector<unsigned char> block = Run(0);
  EXPECT_FALSE(Exists(desktop + kProduct + L".lnk"));
  EXPECT_FALSE(Exists(startup + kProduct + L".lnk"));
  ASSERT_EQ(block.size(), 788u);
  EXPECT_EQ(Slot(block, 20), "岚杉软件");
  EXPECT_EQ(Slot(block, 276), "岚杉完成测试");
  EXPECT_EQ(Slot(block, 532), "");
}

TEST_F(FinishStep, DesktopOnlyLeavesTheLogOnSlotEmpty) {
  std::vector<unsigned char> block = Run(FINISH_DESKTOP_LINK);
  EXPECT_TRUE(Exists(desktop + kProduct + L".lnk"));
  EXPECT_FALSE(Exists(startup + kProduct + L".lnk"));
  ASSERT_EQ(block.size(), 788u);
  EXPECT_EQ(Slot(block, 532), "");
}

TEST_F(FinishStep, WithoutRecordTheShortcutsAreStillMade) {
  RunFinishActions(integration::PlanFinishActions(FINISH_AUTOSTART, kProgram, kProduct, L"", false), nullptr);
  EXPECT_TRUE(Exists(startup + kProduct + L".lnk"));
  EXPECT_EQ(ReadAll(recordPath).size(), 11u);
}

// The main program starts as the signed-in user: through the desktop shell
// where one answers, else directly. Which way it went is printed.
TEST(StartProgram, StartsTheProgramAndSaysHow) {
  CoInitialize(nullptr);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring bin = self;
  bin.resize(bin.rfind(L'\\') + 1);
  const std::wstring folder = TempDir() + L"start_program_test\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((bin + L"example-app.exe").c_str(), (folder + L"example-app.exe").c_str(), FALSE));
  DeleteFileW((folder + L"started.txt").c_str());

  const ProgramStart way = StartProgramAsUser(folder + L"example-app.exe");
  const char* names[] = {"through the desktop shell", "directly (ShellExecuteW)", "not at all"};
  std::printf("the program was started %s\n", names[int(way)]);
  RecordProperty("started", names[int(way)]);
  EXPECT_NE(way, ProgramStart::Failed);
  bool started = false;
  for (int i = 0; i < 200 && !(started = Exists(folder + L"started.txt")); ++i) Sleep(50);
  EXPECT_TRUE(started) << "the program never ran";
  CoUninitialize();
}

TEST(ShellFolder, ResolvesTheThreeFoldersWithATrailingBackslash) {
  CoInitialize(nullptr);
  for (int id : {CSIDL_DESKTOP, CSIDL_PROGRAMS, CSIDL_STARTUP}) {
    std::wstring path;
    ASSERT_TRUE(GetShellFolderPath(id, path)) << id;
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), L'\\');
    EXPECT_NE(path.substr(0, path.size() - 1).back(), L'\\');
    DWORD attributes = GetFileAttributesW(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  std::wstring programs, startup;
  GetShellFolderPath(CSIDL_PROGRAMS, programs);
  GetShellFolderPath(CSIDL_STARTUP, startup);
  EXPECT_EQ(startup.rfind(programs, 0), 0u) << "Startup lies inside Programs";
  CoUninitialize();
}

TEST(ShellFolder, AnUnknownIdLeavesThePathAlone) {
  std::wstring path = L"unchanged";
  EXPECT_FALSE(GetShellFolderPath(0x7E, path));
  EXPECT_EQ(path, L"unchanged");
}

}  // namespace
