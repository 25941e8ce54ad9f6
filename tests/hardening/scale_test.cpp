// Packages at the edges of size, written with the package writer, checked
// by the environment check and read back through the installer's reader
// (natively and under Wine): no entries at all, 20,000 small files, folders
// nested 30 deep, one 300 MiB file.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hardening_support.h"
#include "package/package_file.h"
#include "package/package_writer.h"
#include "platform/file.h"
#include "wizard/package_integrity.h"

namespace fs = std::filesystem;

namespace {

// Writes a package through a FileSink behind a short stand-in image.
class PackageOnDisk {
 public:
  explicit PackageOnDisk(const std::wstring& path) {
    ok_ = file_.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways);
    std::uint32_t written = 0;
    ok_ = ok_ && file_.Write("MZ", 2, &written) && written == 2;
    sink_ = std::make_unique<FileSink>(file_);
    writer_ = std::make_unique<PackageWriter>(*sink_);
    ok_ = ok_ && writer_->WriteInfo({"Scale", "", "", "", ""}, "", "");
    ok_ = ok_ && writer_->WriteAgreement({});
  }
  PackageWriter& W() { return *writer_; }
  bool Finish() {
    ok_ = ok_ && writer_->Finish();
    file_.Close();
    return ok_;
  }
  std::string Error() const { return writer_->Error(); }

 private:
  platform::File file_;
  std::unique_ptr<FileSink> sink_;
  std::unique_ptr<PackageWriter> writer_;
  bool ok_ = false;
};

struct Extracted {
  bool opened = false;
  int count = 0;
  int succeeded = 0;
};

// The environment check's walk, then every entry through the reader.
Extracted ExtractAll(const hardening::Box& box) {
  Extracted result;
  EXPECT_TRUE(wizard::VerifyPackageIntegrity(box.PackagePath()));
  PackageFile p;
  result.opened = p.Open(box.PackagePath(), 0);
  if (!result.opened) return result;
  result.count = p.GetFileCount();
  int cursor = -1;
  for (int i = 0; i < result.count; ++i) {
    std::wstring out;
    if (p.ExtractNext(out, box.Scratch(), cursor)) ++result.succeeded;
  }
  p.Close();
  return result;
}

TEST(Scale, NoEntriesAndNoShortcuts) {
  hardening::Box box;
  PackageOnDisk package(box.PackagePath());
  ASSERT_TRUE(package.Finish()) << package.Error();
  PackageFile p;
  ASSERT_TRUE(p.Open(box.PackagePath(), 0));
  std::wstring t[5];
  EXPECT_TRUE(p.ReadInfo(t[0], t[1], t[2], t[3], t[4]));
  EXPECT_EQ(t[0], L"Scale");
  EXPECT_EQ(p.GetFileCount(), 0);
  EXPECT_EQ(p.GetShortcutCount(), 0);
  EXPECT_EQ(p.Trailer().entryListOffset, p.Trailer().shortcutListOffset);
  std::wstring agreement;
  EXPECT_FALSE(p.ReadAgreement(agreement));
  p.Close();
  EXPECT_TRUE(box.TakeFiles().empty());
}

TEST(Scale, TwentyThousandSmallFiles) {
  constexpr int kFolders = 20, kPerFolder = 1000;
  hardening::Box box;
  {
    PackageOnDisk package(box.PackagePath());
    for (int f = 0; f < kFolders; ++f) {
      std::string folder = "f";
      folder += std::to_string(100 + f);
      ASSERT_TRUE(package.W().AddFolder(folder)) << package.Error();
      for (int i = 0; i < kPerFolder; ++i) {
        // Names of one length keep upper-case name order the numeric order.
        const std::string name = folder + "\\" + std::to_string(10000 + i) + ".txt";
        const std::string contents = "file " + name + "\r\n";
        ASSERT_TRUE(package.W().AddFile(name, MakeDataBlob(contents.data(), contents.size())));
      }
    }
    ASSERT_TRUE(package.Finish()) << package.Error();
  }
  const Extracted e = ExtractAll(box);
  ASSERT_TRUE(e.opened);
  EXPECT_EQ(e.count, kFolders * (kPerFolder + 1));
  EXPECT_EQ(e.succeeded, e.count);
  const auto files = box.TakeFiles();
  ASSERT_EQ(files.size(), static_cast<std::size_t>(kFolders * kPerFolder));
  for (const auto& [name, contents] : files) {
    std::string entry = name;
    for (char& c : entry) c = c == '/' ? '\\' : c;
    EXPECT_EQ(contents, "file " + entry + "\r\n");
  }
}

TEST(Scale, FoldersNestedThirtyDeep) {
  hardening::Box box;
  std::string folder;
  {
    PackageOnDisk package(box.PackagePath());
    for (int depth = 0; depth < 30; ++depth) {
      if (!folder.empty()) folder.push_back('\\');
      folder.push_back(static_cast<char>('a' + depth % 26));
      folder.append(std::to_string(depth));
      ASSERT_TRUE(package.W().AddFolder(folder)) << package.Error();
      const std::string name = folder + "\\x.txt";
      ASSERT_TRUE(package.W().AddFile(name, MakeDataBlob(name.data(), name.size()))) << package.Error();
    }
    ASSERT_TRUE(package.Finish()) << package.Error();
  }
  const Extracted e = ExtractAll(box);
  EXPECT_EQ(e.count, 60);
  EXPECT_EQ(e.succeeded, 60);
  const auto files = box.TakeFiles();
  ASSERT_EQ(files.size(), 30u);
  const std::string deepest = hardening::SlashPath(folder + "\\x.txt");
  ASSERT_EQ(files.count(deepest), 1u);
  EXPECT_EQ(files.at(deepest), folder + "\\x.txt");
}

// 300 MiB that compress to about a tenth: numbered lines with some noise.
std::vector<std::uint8_t> BigContents(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t x = 2463534242u;
  std::size_t at = 0;
  for (std::uint64_t line = 0; at < size; ++line) {
    char text[64];
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    const int n = std::snprintf(text, sizeof text, "line %llu value %08x\r\n", static_cast<unsigned long long>(line),
                                x & 0xFF00FF);
    for (int i = 0; i < n && at < size; ++i) bytes[at++] = static_cast<std::uint8_t>(text[i]);
  }
  return bytes;
}

TEST(Scale, OneFileOf300MiB) {
  constexpr std::size_t kSize = 300u << 20;
  hardening::Box box;
  uLong expected = 0;
  {
    std::vector<std::uint8_t> contents = BigContents(kSize);
    expected = crc32_z(0, contents.data(), contents.size());
    const std::vector<std::uint8_t> blob = MakeDataBlob(contents.data(), contents.size());
    ASSERT_FALSE(blob.empty());
    contents = {};
    PackageOnDisk package(box.PackagePath());
    ASSERT_TRUE(package.W().AddFile("big.bin", blob));
    ASSERT_TRUE(package.Finish()) << package.Error();
  }
  const Extracted e = ExtractAll(box);
  ASSERT_EQ(e.succeeded, 1);
  const fs::path big = hardening::ToFs(box.Scratch()) / "big.bin";
  ASSERT_EQ(fs::file_size(big), kSize);
  std::ifstream in(big, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  uLong crc = 0;
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(chunk.data()), static_cast<z_size_t>(in.gcount()));
  }
  EXPECT_EQ(crc, expected);
}

}  // namespace
