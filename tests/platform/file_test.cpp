// The file layer: dispositions, absolute positioning, exact byte counts,
// backslash paths on every platform and, on Windows, share modes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/file.h"

namespace {

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::filesystem::temp_directory_path() / (std::string("filetest-") + info->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::wstring Path(const std::wstring& name) const { return root_.wstring() + L"\\" + name; }

  std::filesystem::path root_;
};

using platform::Access;
using platform::Disposition;
using platform::File;
using platform::Share;

}  // namespace

TEST_F(FileTest, Dispositions) {
  File f;
  EXPECT_FALSE(f.Open(Path(L"a.bin"), Access::Read, Share::Read, Disposition::OpenExisting));
  EXPECT_FALSE(f.IsOpen());
  ASSERT_TRUE(f.Open(Path(L"a.bin"), Access::ReadWrite, Share::None, Disposition::CreateNew));
  std::uint32_t n = 0;
  ASSERT_TRUE(f.Write("hello", 5, &n));
  EXPECT_EQ(n, 5u);
  f.Close();
  EXPECT_FALSE(f.Open(Path(L"a.bin"), Access::ReadWrite, Share::None, Disposition::CreateNew));
  ASSERT_TRUE(f.Open(Path(L"a.bin"), Access::Read, Share::Read, Disposition::OpenExisting));
  EXPECT_EQ(f.Size(), 5);
  ASSERT_TRUE(f.Open(Path(L"a.bin"), Access::ReadWrite, Share::None, Disposition::CreateAlways));
  EXPECT_EQ(f.Size(), 0) << "CreateAlways empties an existing file";
  // A folder is not a file.
  EXPECT_FALSE(f.Open(root_.wstring(), Access::Read, Share::ReadWrite, Disposition::OpenExisting));
}

TEST_F(FileTest, PositioningAndExactCounts) {
  File f;
  ASSERT_TRUE(f.Open(Path(L"b.bin"), Access::ReadWrite, Share::None, Disposition::CreateAlways));
  std::uint32_t n = 0;
  ASSERT_TRUE(f.Write("0123456789", 10, &n));
  char buf[16] = {};
  ASSERT_TRUE(f.Seek(3));
  ASSERT_TRUE(f.Read(buf, 4, &n));
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::string(buf, 4), "3456");
  std::int64_t at = -1;
  ASSERT_TRUE(f.SeekFromEnd(-2, &at));
  EXPECT_EQ(at, 8);
  ASSERT_TRUE(f.Read(buf, 16, &n));
  EXPECT_EQ(n, 2u) << "a read past the end delivers what is there";
  ASSERT_TRUE(f.Read(buf, 16, &n));
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(f.Seek(-1));
  EXPECT_FALSE(f.SeekFromEnd(1));
  EXPECT_FALSE(f.SeekFromEnd(-11)) << "before the start";
  ASSERT_TRUE(f.Seek(100));
  ASSERT_TRUE(f.Read(buf, 4, &n));
  EXPECT_EQ(n, 0u);
}

TEST_F(FileTest, FoldersAndBackslashPaths) {
  const std::wstring folder = Path(L"sub");
  EXPECT_TRUE(platform::CreateFolder(folder));
  EXPECT_FALSE(platform::CreateFolder(folder)) << "an existing folder is not created";
  EXPECT_FALSE(platform::CreateFolder(Path(L"missing\\deeper")));
  const std::wstring name = folder + L"\\\x4E2D\x6587.txt";  // 中文.txt
  File f;
  ASSERT_TRUE(f.Open(name, Access::ReadWrite, Share::None, Disposition::CreateAlways));
  f.Close();
  EXPECT_TRUE(std::filesystem::exists(root_ / "sub" / std::filesystem::u8path("\xE4\xB8\xAD\xE6\x96\x87.txt")));
  EXPECT_TRUE(platform::RenameFile(name, folder + L"\\b.txt"));
  EXPECT_TRUE(platform::RemoveFile(folder + L"\\b.txt"));
  EXPECT_FALSE(platform::RemoveFile(folder + L"\\b.txt"));
}

TEST_F(FileTest, MovedHandleKeepsTheFile) {
  File a;
  ASSERT_TRUE(a.Open(Path(L"m.bin"), Access::ReadWrite, Share::None, Disposition::CreateAlways));
  File b(std::move(a));
  EXPECT_FALSE(a.IsOpen());
  EXPECT_TRUE(b.IsOpen());
  File c;
  c = std::move(b);
  EXPECT_TRUE(c.IsOpen());
  std::uint32_t n = 0;
  EXPECT_TRUE(c.Write("x", 1, &n));
}

#ifdef _WIN32
TEST_F(FileTest, ShareModes) {
  File holder;
  ASSERT_TRUE(holder.Open(Path(L"s.bin"), Access::ReadWrite, Share::None, Disposition::CreateAlways));
  File other;
  EXPECT_FALSE(other.Open(Path(L"s.bin"), Access::Read, Share::ReadWrite, Disposition::OpenExisting));
  holder.Close();
  ASSERT_TRUE(holder.Open(Path(L"s.bin"), Access::Read, Share::ReadWrite, Disposition::OpenExisting));
  EXPECT_TRUE(other.Open(Path(L"s.bin"), Access::Read, Share::ReadWrite, Disposition::OpenExisting));
  File writer;
  EXPECT_FALSE(writer.Open(Path(L"s.bin"), Access::ReadWrite, Share::None, Disposition::CreateAlways));
}
#endif
