#include "integration/install_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "package/package_layout.h"
#include "platform/file.h"
#include "temp_folder.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::uint32_t Le32(const Bytes& b, size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The slot's bytes as a string up to its first 0, and whether the rest is 0.
std::string Slot(const Bytes& block, size_t offset, bool* restZero) {
  std::string text;
  size_t i = 0;
  while (i < 256 && block[offset + i] != 0) text += static_cast<char>(block[offset + i++]);
  *restZero = true;
  for (; i < 256; ++i) *restZero = *restZero && block[offset + i] == 0;
  return text;
}

std::wstring Repeat(const std::wstring& unit, int n) {
  std::wstring s;
  for (int i = 0; i < n; ++i) s += unit;
  return s;
}

class InstallRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    original.resize(1000);
    for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<unsigned char>(i * 7);
    TempFolder::WriteBytes(folder.Child("uninst.exe"), original);
  }
  Bytes Contents() { return TempFolder::ReadBytes(folder.Child("uninst.exe")); }
  Bytes LastBlock() {
    Bytes all = Contents();
    return Bytes(all.end() - kInstallRecordSize, all.end());
  }
  std::wstring RecordPath() { return folder.Wide(L"uninst.exe"); }

  TempFolder folder;
  Bytes original;
};

TEST_F(InstallRecordTest, AppendedBlockLayout) {
  InstallRecord record;
  ASSERT_TRUE(record.Open(RecordPath(), 1));
  EXPECT_TRUE(record.SetNames(L"岚杉软件", L"岚杉爬虫", L"岚杉爬虫"));
  EXPECT_TRUE(record.Close());

  Bytes all = Contents();
  ASSERT_EQ(all.size(), original.size() + kInstallRecordSize);
  EXPECT_TRUE(std::equal(original.begin(), original.end(), all.begin()));
  Bytes block = LastBlock();
  EXPECT_EQ(Le32(block, 0), original.size());
  EXPECT_EQ(Le32(block, 4), 0u);
  EXPECT_EQ(Bytes(block.begin() + 8, block.begin() + 12), (Bytes{0x16, 0x04, 0x03, 0x12}));
  EXPECT_EQ(Le32(block, 12), 0u);
  EXPECT_EQ(Le32(block, 16), 0u);
  bool restZero = false;
  EXPECT_EQ(Slot(block, 20, &restZero), "岚杉软件");
  EXPECT_TRUE(restZero);
  EXPECT_EQ(Slot(block, 276, &restZero), "岚杉爬虫");
  EXPECT_TRUE(restZero);
  EXPECT_EQ(Slot(block, 532, &restZero), "岚杉爬虫");
  EXPECT_TRUE(restZero);
}

TEST_F(InstallRecordTest, EmptyNamesAndNoFinishStepLeaveSlotsZero) {
  {
    InstallRecord record;
    ASSERT_TRUE(record.Open(RecordPath(), 1));
    record.SetNames(L"", L"P", L"");
    record.Close();
  }
  Bytes block = LastBlock();
  EXPECT_TRUE(std::all_of(block.begin() + 20, block.begin() + 276, [](unsigned char b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(block.begin() + 532, block.end(), [](unsigned char b) { return b == 0; }));
  EXPECT_EQ(block[276], 'P');

  // Ended after copying without the finish step: only offset and magic.
  {
    InstallRecord record;
    ASSERT_TRUE(record.Open(RecordPath(), 1));
    record.Close();
  }
  Bytes second = LastBlock();
  EXPECT_EQ(Contents().size(), original.size() + 2 * kInstallRecordSize);
  EXPECT_EQ(Le32(second, 0), original.size() + kInstallRecordSize);  // a reader takes the last block
  EXPECT_EQ(Le32(second, 8), PKG_MAGIC);
  EXPECT_TRUE(std::all_of(second.begin() + 20, second.end(), [](unsigned char b) { return b == 0; }));
}

TEST_F(InstallRecordTest, NamesOf256Utf8BytesOrMoreAreNotStored) {
  const std::wstring cjk85 = Repeat(L"岚", 85);  // 255 UTF-8 bytes
  const std::wstring cjk86 = Repeat(L"岚", 86);  // 258 UTF-8 bytes
  const std::wstring ascii256(256, L'a');
  InstallRecord record;
  ASSERT_TRUE(record.Open(RecordPath(), 1));
  record.SetNames(cjk85, cjk86, ascii256);
  record.Close();
  Bytes block = LastBlock();
  bool restZero = false;
  EXPECT_EQ(Slot(block, 20, &restZero).size(), 255u);
  EXPECT_EQ(block[20 + 255], 0);
  EXPECT_TRUE(std::all_of(block.begin() + 276, block.end(), [](unsigned char b) { return b == 0; }));

  InstallRecord reader;
  ASSERT_TRUE(reader.Open(RecordPath(), 0));
  EXPECT_EQ(reader.StartMenuFolder(), cjk85);
}

TEST_F(InstallRecordTest, ReadingModeRoundTrip) {
  {
    InstallRecord record;
    ASSERT_TRUE(record.Open(RecordPath(), 1));
    record.SetNames(L"菜单", L"产品", L"");
    record.Close();
  }
  InstallRecord reader;
  ASSERT_TRUE(reader.Open(RecordPath(), 0));
  EXPECT_EQ(reader.Mode(), 0);
  EXPECT_TRUE(reader.HasMagic());
  EXPECT_EQ(reader.RecordOffset(), original.size());
  EXPECT_EQ(reader.StartMenuFolder(), L"菜单");
  EXPECT_EQ(reader.ProductName(), L"产品");
  EXPECT_EQ(reader.AutostartLink(), L"");
  EXPECT_EQ(reader.FileName(), L"uninst.exe");
  EXPECT_EQ(reader.Folder(), folder.Wide() + L"\\");
  // Reading never writes.
  EXPECT_TRUE(reader.Close());
  EXPECT_EQ(Contents().size(), original.size() + kInstallRecordSize);
}

TEST_F(InstallRecordTest, ReadingAFileWithoutRecord) {
  InstallRecord reader;
  ASSERT_TRUE(reader.Open(RecordPath(), 0));
  EXPECT_FALSE(reader.HasMagic());

  TempFolder::WriteBytes(folder.Child("short.bin"), Bytes(787, 1));
  InstallRecord shortReader;
  EXPECT_FALSE(shortReader.Open(folder.Wide(L"short.bin"), 0));
  EXPECT_FALSE(shortReader.HasMagic());
}

TEST_F(InstallRecordTest, SlotWithoutTerminatorStopsAtItsEnd) {
  Bytes bytes(kInstallRecordSize, 'x');  // every slot full, no 0 byte anywhere
  TempFolder::WriteBytes(folder.Child("full.bin"), bytes);
  InstallRecord reader;
  ASSERT_TRUE(reader.Open(folder.Wide(L"full.bin"), 0));
  EXPECT_EQ(reader.StartMenuFolder(), std::wstring(256, L'x'));
  EXPECT_EQ(reader.ProductName(), std::wstring(256, L'x'));
  EXPECT_EQ(reader.AutostartLink(), std::wstring(256, L'x'));
}

TEST_F(InstallRecordTest, ReadingModePathSplit) {
  auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  InstallRecord bare;
  bool opened = bare.Open(L"uninst.exe", 0);
  std::filesystem::current_path(cwd);
  ASSERT_TRUE(opened);
  EXPECT_EQ(bare.Folder(), L"uninst.exe");  // no backslash: the whole path, no file name
  EXPECT_EQ(bare.FileName(), L"");
}

TEST_F(InstallRecordTest, MissingFileIsNeverCreated) {
  InstallRecord record;
  EXPECT_FALSE(record.Open(folder.Wide(L"missing.exe"), 1));
  EXPECT_FALSE(record.IsOpen());
  EXPECT_TRUE(record.SetNames(L"a", L"b", L"c"));
  EXPECT_TRUE(record.Close());
  EXPECT_FALSE(std::filesystem::exists(folder.Child("missing.exe")));
}

// A record file that exists but cannot be opened (a folder of its name
// stands in for a file someone holds) is tried for a while: given up when
// it stays so, opened when it becomes a file in the meantime.
TEST_F(InstallRecordTest, RecordFileThatCannotBeOpenedYetIsWaitedFor) {
  const std::filesystem::path late = folder.Child("late.exe");
  std::filesystem::create_directory(late);
  InstallRecord record;
  EXPECT_FALSE(record.Open(folder.Wide(L"late.exe"), 1));
  TempFolder::WriteBytes(folder.Child("late.new"), original);
  std::thread release([&] {
    // Between two attempts (they are 100 ms apart), the folder makes way.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    std::filesystem::rename(late, folder.Child("late.old"));
    std::filesystem::rename(folder.Child("late.new"), late);
  });
  const bool opened = record.Open(folder.Wide(L"late.exe"), 1);
  release.join();
  ASSERT_TRUE(opened);
  record.Close();
  EXPECT_EQ(TempFolder::ReadBytes(late).size(), original.size() + kInstallRecordSize);
}

TEST_F(InstallRecordTest, DestructionAndReopeningWriteNothing) {
  {
    InstallRecord record;
    ASSERT_TRUE(record.Open(RecordPath(), 1));
    record.SetNames(L"a", L"b", L"c");
    ASSERT_TRUE(record.Open(RecordPath(), 1));  // closes the first without writing
    EXPECT_EQ(record.Block().startMenuFolder[0], 0);
  }  // destroyed without Close
  EXPECT_EQ(Contents(), original);
}

#ifdef _WIN32
TEST_F(InstallRecordTest, NobodyElseOpensTheFileWhileTheRecordHoldsIt) {
  InstallRecord record;
  ASSERT_TRUE(record.Open(RecordPath(), 1));
  platform::File other;
  EXPECT_FALSE(other.Open(RecordPath(), platform::Access::Read, platform::Share::ReadWrite,
                          platform::Disposition::OpenExisting));
  record.Close();
  EXPECT_TRUE(other.Open(RecordPath(), platform::Access::Read, platform::Share::ReadWrite,
                         platform::Disposition::OpenExisting));
}
#endif

#ifdef _WIN32
// Another process (this program with --hold) holds the record file without
// sharing for a moment, as a virus scanner does with a new program.
TEST_F(InstallRecordTest, FileHeldByAnotherProcessForAMomentStillGetsItsRecord) {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --hold \"" + RecordPath() + L"\" 700";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION holder = {};
  ASSERT_TRUE(
      ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &holder));
  for (int i = 0; i < 200 && !std::filesystem::exists(folder.Child("uninst.exe.held")); ++i) ::Sleep(25);
  ASSERT_TRUE(std::filesystem::exists(folder.Child("uninst.exe.held"))) << "the other process never held the file";
  InstallRecord record;
  EXPECT_TRUE(record.Open(RecordPath(), 1));
  record.Close();
  ::WaitForSingleObject(holder.hProcess, 10000);
  ::CloseHandle(holder.hThread);
  ::CloseHandle(holder.hProcess);
  EXPECT_EQ(Contents().size(), original.size() + kInstallRecordSize);
}
#endif

TEST(InstallRecordGlobal, NullAtStart) { EXPECT_EQ(g_pInstallRecord, nullptr); }

TEST(RecordFilePath, JoinsOnce) {
  using integration::RecordFilePath;
  EXPECT_EQ(RecordFilePath(L"D:\\X", L"uninst.exe"), L"D:\\X\\uninst.exe");
  EXPECT_EQ(RecordFilePath(L"D:\\X\\", L"uninst.exe"), L"D:\\X\\uninst.exe");
  EXPECT_EQ(RecordFilePath(L"", L"uninst.exe"), L"uninst.exe");
  EXPECT_EQ(RecordFilePath(L"D:\\X", L"bin\\u.exe"), L"D:\\X\\bin\\u.exe");
}

TEST(InstallRecordBlockLayout, Offsets) {
  EXPECT_EQ(sizeof(InstallRecordBlock), 788u);
  EXPECT_EQ(offsetof(InstallRecordBlock, recordOffset), 0u);
  EXPECT_EQ(offsetof(InstallRecordBlock, productName), 276u);
}

}  // namespace
