// The package as bytes: one laid out by hand, which the writer reproduces and
// the reader reads back; the checksum; blobs that must not decode; records
// and entries the layout does not allow.
#include <gtest/gtest.h>

#include <fstream>

#include "laid_package.h"
#include "package/byte_buffer.h"
#include "package/package_checksum.h"
#include "package/package_file.h"
#include "platform/file.h"
#include "platform/utf.h"
#include "temp_folder.h"

using support::Blob;
using support::Bytes;
using support::LaidPackage;

namespace {

class Reader : public ::testing::Test {
 protected:
  // Writes the bytes as the package file and opens it.
  bool Open(const Bytes& bytes) {
    package_.Close();
    support::WriteBytes(temp_.Child("setup.exe"), bytes);
    return package_.Open(temp_.Wide(L"setup.exe"), 0);
  }
  std::wstring Folder() {
    platform::CreateFolder(temp_.Wide(L"install"));
    return temp_.Wide(L"install");
  }

  TempFolder temp_;
  PackageFile package_;
};

}  // namespace

TEST(PackageLayout, TheWriterLaysOutWhatTheLayoutSays) {
  LaidPackage bare;
  bare.texts[1] = bare.texts[2] = "";
  for (const LaidPackage& p : {support::Sample(), bare}) {
    std::string error;
    EXPECT_EQ(support::Written(p, &error), p.Lay()) << error;
  }
}

// The writer's blobs carry zlib's crc32 started from 0xFFFFFFFF and not
// inverted (support::Blob); continued over pieces, it is the same.
TEST(PackageLayout, ChecksumOverPieces) {
  EXPECT_EQ(PackageChecksum("abc", 3), 0xCA6598D0u);
  const Bytes data = support::Noise(4099, 3);
  for (std::size_t cut : {0, 1, 7, 4096}) {
    EXPECT_EQ(PackageChecksumUpdate(PackageChecksum(data.data(), cut), data.data() + cut, data.size() - cut),
              PackageChecksum(data.data(), data.size()));
  }
}

// The one rule of every blob: longer than its head, checksum, a whole valid
// stream ending at the blob's last byte, exactly the raw length (the damage
// corpus has the lengths that miss by one). A failure leaves the buffer as it was.
TEST(PackageLayout, BlobsThatDoNotDecode) {
  const std::string text(300, 'z');
  const auto rechecked = [](Bytes blob) {
    support::Put32(blob, 0, PackageChecksum(blob.data() + 8, blob.size() - 8));
    return blob;
  };
  Bytes badChecksum = Blob(text), badAdler = Blob(text), cut = Blob(text), plain = {0, 0, 0, 0, 5, 0, 0, 0};
  badChecksum[0] ^= 1;
  badAdler.back() ^= 0xFF;
  cut.resize(cut.size() - 3);
  support::Add(plain, "plain");
  const Bytes cases[] = {
      Bytes(badChecksum.begin(), badChecksum.begin() + 8),  // head only
      badChecksum,
      Blob("", 5),
      rechecked(plain),
      rechecked(badAdler),
      rechecked(cut),
      Blob(text, -301),              // negative raw length
      Blob(text, 0x7FFFFFFF - 300),  // a raw length nothing backs
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    ByteBuffer b;
    ASSERT_TRUE(b.Assign(cases[i].data(), static_cast<int>(cases[i].size())));
    EXPECT_FALSE(b.Inflate()) << "case " << i;
    EXPECT_EQ(Bytes(b.Data(), b.Data() + b.Length()), cases[i]) << "case " << i;
    EXPECT_EQ(b.Data()[b.Length()], 0) << "case " << i << ": texts are read up to a 0";
  }
  ByteBuffer b;
  const Bytes good = Blob(text);
  ASSERT_TRUE(b.Assign(good.data(), static_cast<int>(good.size())));
  ASSERT_TRUE(b.Inflate());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b.Data()), b.Length() + 1), text + '\0');
  EXPECT_EQ(b.At(b.Length()), nullptr);
  EXPECT_NE(b.At(b.Length() - 1), nullptr);
}

TEST_F(Reader, ReadsTheSampleWrittenByHand) {
  const LaidPackage sample = support::Sample();
  ASSERT_TRUE(Open(sample.Lay()));
  std::wstring t[5], mainProgram, record, agreement;
  ASSERT_TRUE(package_.ReadInfo(t[0], t[1], t[2], t[3], t[4]));
  EXPECT_EQ(t[0], L"\x4EA7\x54C1");
  EXPECT_EQ(t[4], L"Welcome\r\n\x6B22\x8FCE");
  EXPECT_TRUE(package_.GetMainProgram(mainProgram) && package_.GetRecordFileName(record));
  EXPECT_EQ(mainProgram + L"|" + record, L"g.bin|z");
  ASSERT_TRUE(package_.ReadAgreement(agreement));
  EXPECT_EQ(agreement, L"\x8BB8\x53EF OK");
  ByteBuffer picture;
  ASSERT_TRUE(package_.ReadPicture(picture));
  EXPECT_EQ(Bytes(picture.Data(), picture.Data() + picture.Length()), sample.picture);

  const std::wstring folder = Folder();
  ASSERT_EQ(package_.GetFileCount(), static_cast<int>(sample.entries.size()));
  const std::vector<std::string> contents = support::SampleContents();
  int cursor = -1, file = 0;
  for (const support::LaidEntry& e : sample.entries) {
    std::wstring out;
    ASSERT_TRUE(package_.ExtractNext(out, folder, cursor)) << e.name;
    const std::filesystem::path onDisk = support::OnDisk(out);
    EXPECT_EQ(onDisk, support::OnDisk(folder + L"\\" + platform::Utf8ToWide(e.name)));
    if (e.type == 0) {
      EXPECT_TRUE(std::filesystem::is_directory(onDisk)) << e.name;
    } else {
      EXPECT_EQ(support::ReadFile(onDisk), contents[file++]) << e.name;
    }
  }
  EXPECT_EQ(cursor, package_.Trailer().shortcutListOffset);

  std::wstring shortcut[3];
  cursor = -1;
  ASSERT_TRUE(package_.ReadShortcut(shortcut, cursor));
  EXPECT_EQ(shortcut[0] + L"|" + shortcut[1] + L"|" + shortcut[2], L"\x4EA7\x54C1\\S|g.bin|D");

  // The saved cursor of an entry extracts that entry again (Retry).
  cursor = package_.Trailer().entryListOffset + 20 + 1;  // d\e
  std::wstring out;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(out, folder + L"\\d\\f.txt");
}

// Records the layout does not allow: the reader refuses or reads them empty,
// and leaves its outputs alone.
TEST_F(Reader, InfoTypedRecordsShortcutsAndAgreementOutOfTheOrdinary) {
  LaidPackage p = support::Sample();
  Bytes bytes = p.Lay();
  bytes[bytes.size() - 44 + 8] ^= 1;
  EXPECT_FALSE(Open(bytes)) << "trailer magic";

  // Info headers whose lengths do not add up to the total, or are negative.
  const std::int32_t headers[][6] = {
      {5, 1, 1, 1, 1, 2}, {5, 1, 1, 1, 1, 0}, {3, 5, -2, 0, 0, 0}, {0x7FFFFFFF, 0x7FFFFFFF, 1, 0, 0, -0x7FFFFFFF}};
  for (const auto& h : headers) {
    bytes = p.Lay();
    for (int i = 0; i < 6; ++i) support::Put32(bytes, support::kPeImageSize + 4 * i, static_cast<std::uint32_t>(h[i]));
    ASSERT_TRUE(Open(bytes));
    std::wstring t[5] = {L"1", L"2", L"3", L"4", L"5"};
    EXPECT_FALSE(package_.ReadInfo(t[0], t[1], t[2], t[3], t[4])) << h[0];
    EXPECT_EQ(t[0], L"1");
  }

  // Typed records in the wrong order: no main program is taken from a record file's record.
  std::swap(p.recordTypes[0], p.recordTypes[1]);
  p.agreement = {'p', 'l', 'a', 'i', 'n'};
  p.shortcuts[0].totalDelta = 1;
  p.shortcuts.push_back({"M", "t", "d"});
  ASSERT_TRUE(Open(p.Lay()));
  std::wstring t[5], mainProgram = L"x", agreement, shortcut[3] = {L"a", L"b", L"c"};
  ASSERT_TRUE(package_.ReadInfo(t[0], t[1], t[2], t[3], t[4]));
  EXPECT_TRUE(package_.GetMainProgram(mainProgram));
  EXPECT_EQ(mainProgram, L"");
  // An agreement that is no blob is shown as plain text.
  ASSERT_TRUE(package_.ReadAgreement(agreement));
  EXPECT_EQ(agreement, L"plain");
  // A shortcut whose total does not match: empty texts, cursor only past its
  // header; the next record is then read at the wrong place.
  int cursor = -1;
  ASSERT_TRUE(package_.ReadShortcut(shortcut, cursor));
  EXPECT_TRUE(shortcut[0].empty() && shortcut[1].empty() && shortcut[2].empty());
  EXPECT_EQ(cursor, package_.Trailer().shortcutListOffset + 24);
}

// Entries the layout does not allow: a failure names the entry (or the
// install folder when it has no name), moves the cursor past it and leaves
// no file behind; an entry of another type makes nothing.
TEST_F(Reader, EntriesOutOfTheOrdinary) {
  const std::string big(reinterpret_cast<const char*>(support::Noise(3 * 128 * 1024 + 77, 9).data()),
                        3 * 128 * 1024 + 77);
  Bytes late = Blob(big);
  late[0] ^= 0x40;  // the checksum fails only when the last piece is in
  LaidPackage p;
  p.entries = {{5, "five", {}}, {8, "", {}}, {8, "late.bin", late}, {8, "..\\up.txt", Blob("x")}, {0, "dir", {}}};
  const std::wstring folder = Folder();
  support::WriteFile(support::OnDisk(folder + L"\\late.bin"), "an earlier file");
  ASSERT_TRUE(Open(p.Lay()));
  const std::pair<bool, std::wstring> expected[] = {
      {true, L"five"}, {false, L""}, {false, L"late.bin"}, {false, L"..\\up.txt"}, {true, L"dir"}};
  int cursor = -1;
  for (const auto& [ok, name] : expected) {
    std::wstring out;
    EXPECT_EQ(package_.ExtractNext(out, folder, cursor), ok) << platform::WideToUtf8(name);
    EXPECT_EQ(out, folder + L"\\" + name);
  }
  EXPECT_EQ(cursor, package_.Trailer().shortcutListOffset);
  EXPECT_EQ(support::Snapshot(support::OnDisk(folder)), std::vector<std::string>{"D dir"});
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.Path()), {}), 2);

  // A header that cannot be read whole leaves the cursor where it was.
  const int size = static_cast<int>(std::filesystem::file_size(temp_.Path() / "setup.exe"));
  for (int at : {size - 19, size + 1000, -7}) {
    cursor = at;
    std::wstring out;
    EXPECT_FALSE(package_.ExtractNext(out, folder, cursor)) << at;
    EXPECT_EQ(cursor, at);
  }
}

// A folder entry that cannot be made (a file holds its name) fails by its
// own name, before the entries inside it. Nothing is written through a link
// below the install folder: a symbolic link to a folder or to a file here
// (also one made after the reader looked at that folder, once an entry has
// failed); a junction under Windows is planted by the end-to-end tests.
TEST_F(Reader, AFolderThatCannotBeMadeAndLinksBelowTheFolder) {
  LaidPackage p;
  p.entries = {
      {0, "f", {}}, {8, "f\\a.txt", Blob("a")}, {0, "d", {}}, {8, "d\\b.txt", Blob("b")}, {8, "c.txt", Blob("c")}};
  const std::wstring folder = Folder();
  support::WriteFile(support::OnDisk(folder + L"\\f"), "a file");
  bool linked[] = {false, false, false, false, false};
#ifndef _WIN32
  TempFolder outside;
  support::WriteFile(outside.Child("victim"), "keep");
  std::filesystem::create_directory_symlink(outside.Path(), support::OnDisk(folder + L"\\d"));
  std::filesystem::create_symlink(outside.Child("victim"), support::OnDisk(folder + L"\\c.txt"));
  linked[2] = linked[3] = linked[4] = true;
#endif
  ASSERT_TRUE(Open(p.Lay()));
  int cursor = -1;
  for (std::size_t i = 0; i < p.entries.size(); ++i) {
    std::wstring out;
    EXPECT_EQ(package_.ExtractNext(out, folder, cursor), i > 1 && !linked[i]) << i;
    EXPECT_EQ(out, folder + L"\\" + platform::Utf8ToWide(p.entries[i].name));
  }
  EXPECT_EQ(support::ReadFile(support::OnDisk(folder + L"\\f")), "a file");
#ifndef _WIN32
  // A folder is looked at once, and again after an entry failed: one made
  // a link while a retry was asked for is refused.
  LaidPackage q;
  q.entries = {{0, "e", {}}, {8, "e\\a.txt", Blob("a")}, {8, "e\\b.txt", Blob("b")}};
  ASSERT_TRUE(Open(q.Lay()));
  cursor = -1;
  std::wstring out;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  std::filesystem::create_directory(support::OnDisk(folder + L"\\e\\a.txt"));
  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));
  std::filesystem::remove_all(support::OnDisk(folder + L"\\e"));
  std::filesystem::create_directory_symlink(outside.Path(), support::OnDisk(folder + L"\\e"));
  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(support::Snapshot(outside.Path()), std::vector<std::string>{"F victim keep"});
#endif
}

#ifdef __linux__
// Extracting a large file takes memory of a fixed size, not of the file's:
// the peak resident size (VmHWM, reset through clear_refs) grows by less
// than a quarter of the file while it is extracted.
TEST_F(Reader, ALargeFileIsExtractedInBoundedMemory) {
  const auto kilobytes = [](const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    }
    return -1L;
  };
  constexpr std::size_t kSize = 96u << 20;
  LaidPackage p;
  p.entries = {{8, "big.bin", Blob(std::string(kSize, 'z'))}};
  ASSERT_TRUE(Open(p.Lay()));
  const std::wstring folder = Folder();
  if (!(std::ofstream("/proc/self/clear_refs") << "5")) GTEST_SKIP() << "the peak resident size cannot be reset";
  const long before = kilobytes("VmRSS");
  int cursor = -1;
  std::wstring out;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_LT(kilobytes("VmHWM") - before, static_cast<long>(kSize / 4 / 1024));
  EXPECT_EQ(std::filesystem::file_size(support::OnDisk(out)), kSize);
}
#endif

// Create mode: Close writes a bare trailer (nothing but the magic) over what was there.
TEST_F(Reader, CreateModeWritesABareTrailer) {
  support::WriteBytes(temp_.Child("new.pkg"), Bytes(100, 7));
  ASSERT_TRUE(package_.Open(temp_.Wide(L"new.pkg"), 1));
  EXPECT_TRUE(package_.Close());
  Bytes expected(44, 0);
  support::Put32(expected, 8, 0x12030416u);
  EXPECT_EQ(support::ReadBytes(temp_.Child("new.pkg")), expected);
}
