// Reading an install record back: a block appended by InstallRecord is found
// with its offset, magic and names; files without one, too short, missing or
// folders are told apart; the JSON form escapes what it must.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "builder/path_text.h"
#include "builder/record_reading.h"
#include "integration/install_record.h"
#include "test_support.h"

namespace {

using namespace buildertest;
using builder::ReadRecord;
using builder::RecordReport;
using builder::RecordStatus;

// Appends a record the way the installer does: appending mode, names, Close.
void AppendRecord(const fs::path& file, const std::wstring& menu, const std::wstring& product,
                  const std::wstring& autostart) {
  InstallRecord record;
  ASSERT_TRUE(record.Open(builder::PathToWide(file), 1));
  record.SetNames(menu, product, autostart);
  record.Close();
}

TEST(RecordReading, AppendedRecordReadsBackWithItsNames) {
  TempDir dir;
  const fs::path file = dir / "卸载.exe";
  WriteFile(file, RandomBytes(5000, 7));
  AppendRecord(file, L"示例软件\\工具", L"示例软件 \"专业版\"", L"示例软件 自动启动");
  ASSERT_EQ(fs::file_size(file), 5000u + 788u);

  RecordReport r;
  std::string error;
  ASSERT_EQ(ReadRecord(file, r, error), RecordStatus::Found) << error;
  EXPECT_EQ(r.offset, 5000u);
  EXPECT_EQ(r.magic, 0x12030416u);
  EXPECT_EQ(r.startMenuFolder, "示例软件\\工具");
  EXPECT_EQ(r.productName, "示例软件 \"专业版\"");
  EXPECT_EQ(r.autostartLink, "示例软件 自动启动");
  EXPECT_EQ(r.fileSize, 5788u);
  EXPECT_TRUE(r.consistent);

  EXPECT_EQ(builder::FormatRecordText(r),
            "offset: 5000\nmagic: 0x12030416\nstart-menu folder: 示例软件\\工具\nproduct name: 示例软件 \"专业版\"\n"
            "log-on shortcut: 示例软件 自动启动\nfile size: 5788\nconsistent: yes\n");
  EXPECT_EQ(builder::FormatRecordJson(r),
            "{\n  \"offset\": 5000,\n  \"magic\": \"0x12030416\",\n  \"start_menu_folder\": \"示例软件\\\\工具\",\n"
            "  \"product_name\": \"示例软件 \\\"专业版\\\"\",\n  \"autostart_link\": \"示例软件 自动启动\",\n"
            "  \"file_size\": 5788,\n  \"consistent\": true\n}\n");
}

TEST(RecordReading, EmptySlotsAndSecondRecordAndMovedBlock) {
  TempDir dir;
  const fs::path file = dir / "u.exe";
  WriteFile(file, "");
  // A record alone in an empty file: offset 0, only the product name given.
  AppendRecord(file, L"", L"Demo", L"");
  RecordReport r;
  std::string error;
  ASSERT_EQ(ReadRecord(file, r, error), RecordStatus::Found) << error;
  EXPECT_EQ(r.offset, 0u);
  EXPECT_EQ(r.startMenuFolder, "");
  EXPECT_EQ(r.autostartLink, "");
  EXPECT_TRUE(r.consistent);

  // A second installation appends a second block; the reader takes the last.
  AppendRecord(file, L"Demo", L"Demo 2", L"Demo 2");
  ASSERT_EQ(ReadRecord(file, r, error), RecordStatus::Found) << error;
  EXPECT_EQ(r.offset, 788u);
  EXPECT_EQ(r.productName, "Demo 2");
  EXPECT_TRUE(r.consistent);

  // Bytes put in front of the file move the block away from where it says it begins.
  WriteFile(file, "MZ" + ReadFile(file));
  ASSERT_EQ(ReadRecord(file, r, error), RecordStatus::Found) << error;
  EXPECT_EQ(r.offset, 788u);
  EXPECT_EQ(r.fileSize, 2u + 788u + 788u);
  EXPECT_FALSE(r.consistent);
  EXPECT_NE(builder::FormatRecordText(r).find("\nconsistent: no\n"), std::string::npos);
  EXPECT_NE(builder::FormatRecordJson(r).find("\"consistent\": false\n"), std::string::npos);
}

TEST(RecordReading, FilesWithoutARecordAreToldApartFromUnreadableOnes) {
  TempDir dir;
  RecordReport r;
  std::string error;

  // A full-sized file whose last 788 bytes carry no magic at byte 8.
  WriteFile(dir / "plain.exe", RandomBytes(4096, 3));
  EXPECT_EQ(ReadRecord(dir / "plain.exe", r, error), RecordStatus::NoRecord);
  EXPECT_NE(error.find("no install record"), std::string::npos) << error;

  // The magic one byte off its place is no record either.
  std::string shifted(788, '\0');
  const unsigned char magic[4] = {0x16, 0x04, 0x03, 0x12};
  std::memcpy(&shifted[9], magic, 4);
  WriteFile(dir / "shifted.exe", shifted);
  EXPECT_EQ(ReadRecord(dir / "shifted.exe", r, error), RecordStatus::NoRecord);

  // One byte short of a record, even with the magic in place.
  std::string shortFile(787, '\0');
  std::memcpy(&shortFile[8], magic, 4);
  WriteFile(dir / "short.exe", shortFile);
  EXPECT_EQ(ReadRecord(dir / "short.exe", r, error), RecordStatus::NoRecord);
  EXPECT_NE(error.find("787 bytes, shorter than an install record (788 bytes)"), std::string::npos) << error;
  WriteFile(dir / "empty.exe", "");
  EXPECT_EQ(ReadRecord(dir / "empty.exe", r, error), RecordStatus::NoRecord);

  EXPECT_EQ(ReadRecord(dir / "missing.exe", r, error), RecordStatus::CannotOpen);
  EXPECT_NE(error.find("missing.exe: cannot be opened"), std::string::npos) << error;
  fs::create_directory(dir / "folder");
  EXPECT_EQ(ReadRecord(dir / "folder", r, error), RecordStatus::CannotOpen);
}

TEST(RecordReading, NamesFromAForeignBlockStayOnOneLine) {
  // Any file may end in something that looks like a record: control
  // characters and a slot without its 0 byte must not break the output.
  TempDir dir;
  InstallRecordBlock block{};
  block.magic = 0x12030416u;
  std::memcpy(block.startMenuFolder, "a\nb\tc", 5);
  std::memset(block.productName, 'x', sizeof block.productName);  // no terminating 0
  std::string bytes(reinterpret_cast<const char*>(&block), sizeof block);
  WriteFile(dir / "odd.bin", bytes);
  RecordReport r;
  std::string error;
  ASSERT_EQ(ReadRecord(dir / "odd.bin", r, error), RecordStatus::Found) << error;
  EXPECT_EQ(r.productName, std::string(256, 'x'));
  const std::string text = builder::FormatRecordText(r);
  EXPECT_NE(text.find("start-menu folder: a\\nb\\x09c\n"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);
  EXPECT_NE(builder::FormatRecordJson(r).find("\"start_menu_folder\": \"a\\nb\\tc\""), std::string::npos);
}

}  // namespace
