// The install record: the 788 bytes appended to the record file, its name
// slots, and the reading that the uninstaller and `mksetup record` do.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bytes.h"
#include "integration/install_record.h"
#include "package/package_layout.h"
#include "platform/file.h"
#include "record_file.h"
#include "temp_folder.h"

namespace {

using support::Bytes;

class IntegrationRecord : public testing::Test {
 protected:
  void SetUp() override {
    for (size_t i = 0; i < original.size(); ++i) original[i] = static_cast<unsigned char>(i * 7);
    support::WriteBytes(folder.Child("uninst.exe"), original);
  }
  Bytes Contents() const { return support::ReadBytes(folder.Child("uninst.exe")); }

  TempFolder folder;
  const std::wstring path = folder.Wide(L"uninst.exe");
  Bytes original = Bytes(1000);
};

TEST_F(IntegrationRecord, TheBlockAppendedBehindTheFile) {
  ASSERT_TRUE(support::AppendRecord(path, L"岚杉软件", L"岚", L""));
  const Bytes all = Contents();
  ASSERT_EQ(all.size(), original.size() + kInstallRecordSize);
  EXPECT_TRUE(std::equal(original.begin(), original.end(), all.begin()));
  Bytes expected(kInstallRecordSize, 0);
  expected[0] = 1000 & 0xFF;  // the offset of the block: the file's size before
  expected[1] = 1000 >> 8;
  const Bytes magic = {0x16, 0x04, 0x03, 0x12};
  std::copy(magic.begin(), magic.end(), expected.begin() + 8);
  const std::string menu = "岚杉软件", product = "岚";  // UTF-8, the rest of each slot 0
  std::copy(menu.begin(), menu.end(), expected.begin() + 20);
  std::copy(product.begin(), product.end(), expected.begin() + 276);
  EXPECT_EQ(Bytes(all.begin() + 1000, all.end()), expected);
}

TEST_F(IntegrationRecord, NamesOf256Utf8BytesOrMoreAreNotStored) {
  const std::wstring cjk85(85, L'岚');     // 255 UTF-8 bytes
  const std::wstring cjk86(86, L'岚');     // 258
  const std::wstring ascii256(256, L'a');  // 256
  ASSERT_TRUE(support::AppendRecord(path, cjk85, cjk86, ascii256));
  InstallRecord reader;
  ASSERT_TRUE(reader.Open(path, 0));
  EXPECT_EQ(reader.StartMenuFolder(), cjk85);
  EXPECT_EQ(reader.ProductName(), L"");
  EXPECT_EQ(reader.AutostartLink(), L"");
  // Reading never writes.
  EXPECT_TRUE(reader.Close());
  EXPECT_EQ(Contents().size(), original.size() + kInstallRecordSize);
}

// A record appended to an empty file makes a file of exactly 788 bytes,
// which reads back; a slot filled to its 256th byte without a zero is read
// whole, and not on into the next slot.
TEST_F(IntegrationRecord, TheEdgesOfTheBlock) {
  const std::wstring empty = folder.Wide(L"empty.exe");
  support::WriteBytes(folder.Child("empty.exe"), {});
  ASSERT_TRUE(support::AppendRecord(empty, L"", L"P", L""));
  InstallRecord reader;
  ASSERT_TRUE(reader.Open(empty, 0));
  EXPECT_EQ(reader.RecordOffset(), 0u);
  EXPECT_TRUE(reader.HasMagic());
  EXPECT_EQ(reader.ProductName(), L"P");
  Bytes bytes = support::ReadBytes(folder.Child("empty.exe"));
  ASSERT_EQ(bytes.size(), static_cast<std::size_t>(kInstallRecordSize));
  std::fill(bytes.begin() + 276, bytes.begin() + 532, 'n');
  bytes[532] = 'a';
  support::WriteBytes(folder.Child("empty.exe"), bytes);
  ASSERT_TRUE(reader.Open(empty, 0));
  EXPECT_EQ(reader.ProductName(), std::wstring(256, L'n'));
  EXPECT_EQ(reader.AutostartLink(), L"a");
}

TEST_F(IntegrationRecord, NothingIsWrittenWithoutClose) {
  {
    InstallRecord record;
    EXPECT_FALSE(record.Open(folder.Wide(L"missing.exe"), 1));  // never created
    ASSERT_TRUE(record.Open(path, 1));
    record.SetNames(L"a", L"b", L"c");
    ASSERT_TRUE(record.Open(path, 1));  // closes the first without writing
  }                                     // destroyed without Close
  EXPECT_EQ(Contents(), original);
  EXPECT_FALSE(std::filesystem::exists(folder.Child("missing.exe")));
  EXPECT_EQ(integration::RecordFilePath(L"D:\\X\\", L"bin\\u.exe"), L"D:\\X\\bin\\u.exe");
  EXPECT_EQ(integration::RecordFilePath(L"D:\\X", L"u.exe"), L"D:\\X\\u.exe");
}

// A record file that exists but cannot be opened (a folder of its name
// stands in for a file someone holds) is tried for a while: given up when
// it stays so, opened when it becomes a file in the meantime.
TEST_F(IntegrationRecord, ARecordFileHeldForAMomentIsWaitedFor) {
  const std::filesystem::path late = folder.Child("late.exe");
  std::filesystem::create_directory(late);
  InstallRecord record;
  EXPECT_FALSE(record.Open(folder.Wide(L"late.exe"), 1));
  support::WriteBytes(folder.Child("late.new"), original);
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));  // between two attempts 100 ms apart
    std::filesystem::rename(late, folder.Child("late.old"));
    std::filesystem::rename(folder.Child("late.new"), late);
  });
  const bool opened = record.Open(folder.Wide(L"late.exe"), 1);
  release.join();
  ASSERT_TRUE(opened);
  record.Close();
  EXPECT_EQ(support::ReadBytes(late).size(), original.size() + kInstallRecordSize);
}

#ifdef _WIN32
TEST_F(IntegrationRecord, NobodyElseOpensTheFileWhileTheRecordHoldsIt) {
  InstallRecord record;
  ASSERT_TRUE(record.Open(path, 1));
  platform::File other;
  const auto open = [&] {
    return other.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting);
  };
  EXPECT_FALSE(open());
  record.Close();
  EXPECT_TRUE(open());
}
#endif

}  // namespace
