// PackageFile on the sample package and on packages written by hand:
// opening and closing, the info texts and records, picture, agreement,
// shortcut records, extraction and the cursor protocol.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "package/package_file.h"
#include "package/package_writer.h"
#include "platform/file.h"
#include "test_support.h"

using pkgtest::ByteBuilder;
using pkgtest::Bytes;
using pkgtest::W;

namespace {

void AppendTrailer(ByteBuilder& b, const PackageTrailer& t) {
  b.I32(t.infoOffset).I32(t.countedLength).U32(t.magic).I32(t.entryListOffset).I32(t.entryCount);
  b.I32(t.shortcutListOffset).I32(t.shortcutCount).I32(t.pictureOffset).I32(t.pictureLength);
  b.I32(t.agreementOffset).I32(t.agreementLength);
}

void EntryHead(ByteBuilder& b, std::int16_t type, std::int32_t nameLength, std::int32_t dataLength) {
  b.U16(static_cast<std::uint16_t>(type))
      .U16(0)
      .U32(0)
      .I32(nameLength)
      .I32(dataLength > 0 ? nameLength : 0)
      .I32(dataLength);
}

class PackageFileTest : public ::testing::Test {
 protected:
  // Writes the bytes as the package file and opens it in read mode.
  bool OpenBytes(const Bytes& bytes) {
    path_ = temp_.Join(L"setup.exe");
    return pkgtest::WriteFileBytes(path_, bytes) && package_.Open(path_, 0);
  }
  std::wstring MakeFolder(const wchar_t* name) {
    const std::wstring folder = temp_.Join(name);
    platform::CreateFolder(folder);
    return folder;
  }

  pkgtest::TempFolder temp_;
  std::wstring path_;
  PackageFile package_;
};

}  // namespace

TEST_F(PackageFileTest, OpenRequiresTheMagic) {
  EXPECT_FALSE(OpenBytes({}));
  EXPECT_FALSE(OpenBytes(Bytes(43, 0)));
  Bytes pkg = pkgtest::SamplePackage();
  pkg[pkg.size() - 44 + 8] ^= 1;
  EXPECT_FALSE(OpenBytes(pkg));
  EXPECT_FALSE(package_.IsOpen());
  EXPECT_EQ(package_.GetShortcutCount(), 0);
  EXPECT_EQ(package_.GetFileCount(), 0);
  EXPECT_FALSE(package_.Open(temp_.Join(L"missing.exe"), 0));
}

TEST_F(PackageFileTest, NeverOpenedOrClosedCountsNothing) {
  EXPECT_EQ(package_.GetFileCount(), 0);
  EXPECT_EQ(package_.GetShortcutCount(), 0);
  EXPECT_FALSE(package_.Close());
  std::wstring a, b, c, d, e;
  EXPECT_FALSE(package_.ReadInfo(a, b, c, d, e));
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  EXPECT_EQ(package_.GetFileCount(), 7);
  EXPECT_EQ(package_.GetShortcutCount(), 2);
  EXPECT_TRUE(package_.Close());
  EXPECT_FALSE(package_.Close());
  EXPECT_EQ(package_.GetFileCount(), 0);
  EXPECT_EQ(package_.GetShortcutCount(), 0);
  int cursor = -1;
  std::wstring out = L"kept", texts[3];
  EXPECT_FALSE(package_.ExtractNext(out, temp_.Path(), cursor));
  EXPECT_FALSE(package_.ReadShortcut(texts, cursor));
  EXPECT_EQ(cursor, -1);
  EXPECT_FALSE(package_.GetMainProgram(out));
  EXPECT_EQ(out, L"kept");
}

TEST_F(PackageFileTest, OpenWhileOpenClosesTheFirst) {
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  const std::wstring second = temp_.Join(L"second.exe");
  ASSERT_TRUE(pkgtest::WriteFileBytes(second, pkgtest::SamplePackage()));
  ASSERT_TRUE(package_.Open(second, 0));
  // The first file is no longer held: it can be replaced without sharing.
  platform::File f;
  EXPECT_TRUE(f.Open(path_, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways));
}

TEST_F(PackageFileTest, CreateModeWritesABareTrailer) {
  const std::wstring path = temp_.Join(L"new.pkg");
  ASSERT_TRUE(package_.Open(path, 1));
  EXPECT_EQ(package_.Trailer().magic, PKG_MAGIC);
  EXPECT_EQ(package_.GetFileCount(), 0);
  EXPECT_TRUE(package_.Close());
  const auto bytes = pkgtest::ReadFileBytes(path);
  ASSERT_TRUE(bytes);
  ASSERT_EQ(bytes->size(), 44u);
  for (std::size_t i = 0; i < 44; ++i) {
    const std::uint8_t expected = (i >= 8 && i < 12) ? "\x16\x04\x03\x12"[i - 8] : 0;
    EXPECT_EQ((*bytes)[i], expected) << i;
  }
  // Reading it back: a package with nothing in it.
  ASSERT_TRUE(package_.Open(path, 0));
  EXPECT_EQ(package_.GetFileCount(), 0);
  EXPECT_TRUE(package_.Close());
}

TEST_F(PackageFileTest, CreateModeReplacesAndDestructionWritesNothing) {
  const std::wstring path = temp_.Join(L"old.pkg");
  ASSERT_TRUE(pkgtest::WriteFileBytes(path, Bytes(100, 7)));
  {
    PackageFile p;
    ASSERT_TRUE(p.Open(path, 1));
  }
  const auto bytes = pkgtest::ReadFileBytes(path);
  ASSERT_TRUE(bytes);
  EXPECT_TRUE(bytes->empty());
}

TEST_F(PackageFileTest, ReadsTheSampleTexts) {
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  std::wstring name, heading, notice, rights, welcome;
  ASSERT_TRUE(package_.ReadInfo(name, heading, notice, rights, welcome));
  EXPECT_EQ(name, L"\x793A\x4F8B\x8F6F\x4EF6");
  EXPECT_EQ(heading, L"Heading");
  EXPECT_EQ(notice, L"Notice");
  EXPECT_EQ(rights, L"(c) 2026");
  EXPECT_EQ(welcome, L"Welcome\r\n\x6B22\x8FCE");
  std::wstring main, record, agreement;
  EXPECT_TRUE(package_.GetMainProgram(main));
  EXPECT_EQ(main, L"bin\\app.exe");
  EXPECT_TRUE(package_.GetRecordFileName(record));
  EXPECT_EQ(record, L"uninst.exe");
  EXPECT_TRUE(package_.ReadAgreement(agreement));
  EXPECT_EQ(agreement, L"\x8BB8\x53EF\r\nLine 2");
  ByteBuffer picture;
  ASSERT_TRUE(package_.ReadPicture(picture));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(picture.Data()), picture.Length()), "PICTURE-BYTES");
  // Reads seek for themselves: the order of calls does not matter.
  std::wstring again[5];
  ASSERT_TRUE(package_.ReadInfo(again[0], again[1], again[2], again[3], again[4]));
  EXPECT_EQ(again[0], name);
}

TEST_F(PackageFileTest, ShortcutRecords) {
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  const PackageTrailer t = package_.Trailer();
  int cursor = -1;
  std::wstring texts[3];
  ASSERT_TRUE(package_.ReadShortcut(texts, cursor));
  EXPECT_EQ(texts[0], L"\x793A\x4F8B\\App");
  EXPECT_EQ(texts[1], L"bin\\app.exe");
  EXPECT_EQ(texts[2], L"Starts the app");
  EXPECT_EQ(cursor, t.shortcutListOffset + 24 + 10 + 11 + 14);
  ASSERT_TRUE(package_.ReadShortcut(texts, cursor));
  EXPECT_EQ(texts[1], L"uninst.exe");
  EXPECT_TRUE(texts[2].empty());
  // Past the list: the trailer is read as a record whose total does not match.
  ASSERT_TRUE(package_.ReadShortcut(texts, cursor));
  EXPECT_TRUE(texts[0].empty() && texts[1].empty() && texts[2].empty());
}

TEST_F(PackageFileTest, ShortcutRecordsWithoutMatchingTotal) {
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t list = b.Size();
  b.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0);              // total 0
  b.I32(2).I32(2).I32(0).I32(0).I32(0).I32(5).Raw("abcd");  // total off by one
  b.I32(-2).I32(4).I32(0).I32(0).I32(0).I32(2).Raw("ab");   // negative length
  b.I32(1).I32(1).I32(1).I32(0).I32(0).I32(3).Raw("xyz");   // sound
  PackageTrailer t{};
  t.magic = PKG_MAGIC;
  t.shortcutListOffset = list;
  t.shortcutCount = 4;
  AppendTrailer(b, t);
  ASSERT_TRUE(OpenBytes(b.Get()));
  int cursor = -1;
  std::wstring texts[3] = {L"a", L"b", L"c"};
  ASSERT_TRUE(package_.ReadShortcut(texts, cursor));
  EXPECT_TRUE(texts[0].empty() && texts[1].empty() && texts[2].empty());
  EXPECT_EQ(cursor, list + 24);
  ASSERT_TRUE(package_.ReadShortcut(texts, cursor));
  EXPECT_TRUE(texts[0].empty());
  EXPECT_EQ(cursor, list + 48) << "only past the header";
  cursor += 4;
  ASSERT_TRUE(package_.ReadShortcut(texts, cursor));
  EXPECT_TRUE(texts[1].empty());
  EXPECT_EQ(cursor, list + 52 + 24);
  cursor += 2;
  ASSERT_TRUE(package_.ReadShortcut(texts, cursor));
  EXPECT_EQ(texts[0], L"x");
  EXPECT_EQ(texts[1], L"y");
  EXPECT_EQ(texts[2], L"z");
  // A header cut short by the end of the file: no record, cursor kept.
  int atEnd = static_cast<int>(b.Size()) - 10;
  EXPECT_FALSE(package_.ReadShortcut(texts, atEnd));
  EXPECT_EQ(atEnd, static_cast<int>(b.Size()) - 10);
}

TEST_F(PackageFileTest, InfoWithoutTextsAndWithAnUnexpectedRecord) {
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t info = b.Size();
  b.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0);
  // First record is not type 16: its name is not skipped, so the second
  // header is read directly behind the first header.
  EntryHead(b, PKG_RECORD_RECORD_FILE, 0, 0);
  EntryHead(b, PKG_RECORD_RECORD_FILE, 5, 0);
  b.Raw("u.exe");
  PackageTrailer t{};
  t.magic = PKG_MAGIC;
  t.infoOffset = info;
  AppendTrailer(b, t);
  ASSERT_TRUE(OpenBytes(b.Get()));
  std::wstring texts[5] = {L"1", L"2", L"3", L"4", L"5"};
  ASSERT_TRUE(package_.ReadInfo(texts[0], texts[1], texts[2], texts[3], texts[4]));
  for (const auto& text : texts) EXPECT_TRUE(text.empty());
  std::wstring main = L"x", record;
  EXPECT_TRUE(package_.GetMainProgram(main));
  EXPECT_TRUE(main.empty());
  EXPECT_TRUE(package_.GetRecordFileName(record));
  EXPECT_EQ(record, L"u.exe");
  // No picture and no agreement: false, outputs untouched.
  ByteBuffer picture;
  std::wstring agreement = L"keep";
  EXPECT_FALSE(package_.ReadPicture(picture));
  EXPECT_FALSE(package_.ReadAgreement(agreement));
  EXPECT_EQ(agreement, L"keep");
}

TEST_F(PackageFileTest, InfoHeaderWhoseLengthsDoNotAddUp) {
  const std::int32_t headers[][6] = {
      {5, 1, 1, 1, 1, 2},                              // sum 6 > total 5
      {5, 1, 1, 1, 1, 0},                              // sum 4 < total 5
      {3, 5, -2, 0, 0, 0},                             // adds up, but a negative length
      {-1, 0, 0, 0, 0, -1},                            // negative total
      {0x7FFFFFFF, 0x7FFFFFFF, 1, 0, 0, -0x7FFFFFFF},  // wraps in 32 bits
  };
  for (const auto& h : headers) {
    ByteBuilder b;
    b.Raw(pkgtest::ImageBytes());
    const std::int32_t info = b.Size();
    for (std::int32_t word : h) b.I32(word);
    b.Raw("abcdef");
    EntryHead(b, 16, 0, 0);
    EntryHead(b, 17, 0, 0);
    PackageTrailer t{};
    t.magic = PKG_MAGIC;
    t.infoOffset = info;
    AppendTrailer(b, t);
    ASSERT_TRUE(OpenBytes(b.Get()));
    std::wstring texts[5] = {L"1", L"2", L"3", L"4", L"5"};
    EXPECT_FALSE(package_.ReadInfo(texts[0], texts[1], texts[2], texts[3], texts[4])) << h[0];
    EXPECT_EQ(texts[0], L"1") << "outputs untouched";
    package_.Close();
  }
}

TEST_F(PackageFileTest, AgreementStoredAsPlainText) {
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t at = b.Size();
  b.Raw("\xE5\x90\x8C\xE6\x84\x8F plain text");  // 同意
  PackageTrailer t{};
  t.magic = PKG_MAGIC;
  t.agreementOffset = at;
  t.agreementLength = b.Size() - at;
  AppendTrailer(b, t);
  ASSERT_TRUE(OpenBytes(b.Get()));
  std::wstring text;
  ASSERT_TRUE(package_.ReadAgreement(text));
  EXPECT_EQ(text, L"\x540C\x610F plain text");
}

// A block larger than the read buffer is read whole, past the buffer; one
// cut short by the end of the file is handed on as far as it goes.
TEST_F(PackageFileTest, PictureLargerThanTheReadBuffer) {
  const Bytes picture = pkgtest::NoiseBytes(300 * 1024 + 5, 4);
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t at = b.Size();
  b.Raw(picture);
  PackageTrailer t{};
  t.magic = PKG_MAGIC;
  t.pictureOffset = at;
  t.pictureLength = static_cast<std::int32_t>(picture.size());
  AppendTrailer(b, t);
  ASSERT_TRUE(OpenBytes(b.Get()));
  std::wstring texts[5];
  package_.ReadInfo(texts[0], texts[1], texts[2], texts[3], texts[4]);  // the buffer holds the picture's start
  ByteBuffer read;
  ASSERT_TRUE(package_.ReadPicture(read));
  EXPECT_EQ(Bytes(read.Data(), read.Data() + read.Length()), picture);
  package_.Close();

  t.pictureLength += 1000;
  ByteBuilder cut;
  cut.Raw(Bytes(b.Get().begin(), b.Get().end() - 44));
  AppendTrailer(cut, t);
  ASSERT_TRUE(OpenBytes(cut.Get()));
  ASSERT_TRUE(package_.ReadPicture(read));
  EXPECT_EQ(read.Length(), static_cast<int>(picture.size()) + 44);
  EXPECT_TRUE(std::equal(picture.begin(), picture.end(), read.Data()));
}

TEST_F(PackageFileTest, ExtractsEverythingByteExact) {
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  const std::wstring folder = MakeFolder(L"install");
  int cursor = -1;
  const auto entries = pkgtest::SampleEntries();
  ASSERT_EQ(package_.GetFileCount(), static_cast<int>(entries.size()));
  for (const auto& entry : entries) {
    std::wstring out;
    ASSERT_TRUE(package_.ExtractNext(out, folder, cursor)) << entry.name;
    EXPECT_EQ(out, folder + L"\\" + W(entry.name));
    if (entry.folder) {
      EXPECT_TRUE(pkgtest::FolderExists(out)) << entry.name;
    } else {
      const auto bytes = pkgtest::ReadFileBytes(out);
      ASSERT_TRUE(bytes) << entry.name;
      EXPECT_EQ(*bytes, entry.contents) << entry.name;
    }
  }
  EXPECT_EQ(cursor, package_.Trailer().shortcutListOffset);
}

TEST_F(PackageFileTest, FolderWithTrailingBackslashAndExistingTargets) {
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  const std::wstring folder = MakeFolder(L"install") + L"\\";
  ASSERT_TRUE(platform::CreateFolder(folder + L"bin"));                            // folder exists already
  ASSERT_TRUE(pkgtest::WriteFileBytes(folder + L"bin\\app.exe", Bytes(9000, 1)));  // replaced
  int cursor = -1;
  std::wstring out;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(out, folder + L"bin");
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(out, folder + L"bin\\app.exe");
  EXPECT_EQ(pkgtest::ReadFileBytes(out), pkgtest::NoiseBytes(3000, 1));
}

TEST_F(PackageFileTest, CursorProtocol) {
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  const PackageTrailer t = package_.Trailer();
  const std::wstring folder = temp_.Join(L"install");  // not created yet
  std::wstring out;

  // Empty folder: false, cursor untouched (still -1).
  int cursor = -1;
  EXPECT_FALSE(package_.ExtractNext(out, L"", cursor));
  EXPECT_EQ(cursor, -1);

  // -1 starts at the list; a failing entry still moves the cursor on.
  const std::wstring binApp = folder + L"\\bin\\app.exe";
  cursor = t.entryListOffset + 20 + 3;  // bin\app.exe, whose folder is missing
  const int saved = cursor;
  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(out, binApp);
  EXPECT_GT(cursor, saved);
  const int next = cursor;

  // Retry: restore the cursor after making the folders.
  cursor = -1;
  ASSERT_TRUE(platform::CreateFolder(folder));
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));  // "bin"
  EXPECT_EQ(cursor, saved);
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(cursor, next);
  // The same saved cursor twice extracts the same entry twice.
  cursor = saved;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(cursor, next);
  EXPECT_EQ(out, binApp);

  // A header that cannot be read whole leaves the cursor where it was.
  const int fileSize = static_cast<int>(pkgtest::ReadFileBytes(path_)->size());
  for (int at : {fileSize - 19, fileSize, fileSize + 1000, -7}) {
    cursor = at;
    EXPECT_FALSE(package_.ExtractNext(out, folder, cursor)) << at;
    EXPECT_EQ(cursor, at);
  }
}

TEST_F(PackageFileTest, HandWrittenEntries) {
  // Entries: type 5 with a name, an entry with no name and no data, a file
  // whose blob fails its checksum, a file with negative lengths, a folder.
  const Bytes blob = MakeDataBlob("data", 4);
  Bytes badBlob = blob;
  badBlob.back() ^= 1;
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t list = b.Size();
  EntryHead(b, 5, 4, 0);
  b.Raw("five");
  EntryHead(b, PKG_ENTRY_FILE, 0, 0);
  EntryHead(b, PKG_ENTRY_FILE, 5, static_cast<std::int32_t>(badBlob.size()));
  b.Raw("a.bin").Raw(badBlob);
  const std::int32_t negative = b.Size();
  EntryHead(b, PKG_ENTRY_FILE, -20, 0);
  EntryHead(b, PKG_ENTRY_FOLDER, 3, 0);
  b.Raw("dir");
  PackageTrailer t{};
  t.magic = PKG_MAGIC;
  t.entryListOffset = list;
  t.entryCount = 5;
  AppendTrailer(b, t);
  ASSERT_TRUE(OpenBytes(b.Get()));
  const std::wstring folder = MakeFolder(L"install");

  int cursor = -1;
  std::wstring out = L"previous";
  EXPECT_TRUE(package_.ExtractNext(out, folder, cursor));  // type 5: passed over
  EXPECT_EQ(out, folder + L"\\five");
  EXPECT_FALSE(pkgtest::ReadFileBytes(out));
  EXPECT_FALSE(pkgtest::FolderExists(out));
  EXPECT_EQ(cursor, list + 24);

  // A failure names the entry it is about, never the one before: the install
  // folder itself when the entry has no name.
  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));  // no name, no data
  EXPECT_EQ(out, folder + L"\\");
  EXPECT_EQ(cursor, list + 44);

  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));  // checksum mismatch
  EXPECT_EQ(out, folder + L"\\a.bin");
  EXPECT_FALSE(pkgtest::ReadFileBytes(folder + L"\\a.bin")) << "nothing left behind";
  EXPECT_EQ(cursor, negative);

  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));  // negative length
  EXPECT_EQ(out, folder + L"\\");
  EXPECT_EQ(cursor, negative + 20) << "past the header only";

  EXPECT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_TRUE(pkgtest::FolderExists(folder + L"\\dir"));
}

// A file of several decoding pieces whose checksum fails only at its end:
// the pieces written so far are removed, an earlier file at that path with
// them, and the cursor still moves on; the sound package then extracts it.
TEST_F(PackageFileTest, AFileThatFailsLateLeavesNothing) {
  const Bytes contents = pkgtest::NoiseBytes(3 * 128 * 1024 + 77, 9);
  Bytes blob = MakeDataBlob(contents.data(), contents.size());
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t list = b.Size();
  EntryHead(b, PKG_ENTRY_FILE, 5, static_cast<std::int32_t>(blob.size()));
  b.Raw("n.bin");
  const std::size_t checksumAt = static_cast<std::size_t>(b.Size());
  b.Raw(blob);
  PackageTrailer t{};
  t.magic = PKG_MAGIC;
  t.entryListOffset = list;
  t.entryCount = 1;
  t.shortcutListOffset = b.Size();
  AppendTrailer(b, t);
  Bytes damaged = b.Get();
  damaged[checksumAt] ^= 0x40;
  ASSERT_TRUE(OpenBytes(damaged));
  const std::wstring folder = MakeFolder(L"install");
  ASSERT_TRUE(pkgtest::WriteFileBytes(folder + L"\\n.bin", Bytes(10, 1)));
  int cursor = -1;
  std::wstring out;
  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(out, folder + L"\\n.bin");
  EXPECT_FALSE(pkgtest::ReadFileBytes(out));
  EXPECT_EQ(cursor, t.shortcutListOffset);
  package_.Close();

  ASSERT_TRUE(OpenBytes(b.Get()));
  cursor = -1;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(pkgtest::ReadFileBytes(out), contents);
}

TEST_F(PackageFileTest, EntryPayloadCutShort) {
  const Bytes blob = MakeDataBlob("contents", 8);
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t list = b.Size();
  EntryHead(b, PKG_ENTRY_FILE, 5, static_cast<std::int32_t>(blob.size()) + 1000);
  b.Raw("c.bin").Raw(blob);
  PackageTrailer t{};
  t.magic = PKG_MAGIC;
  t.entryListOffset = list;
  t.entryCount = 1;
  AppendTrailer(b, t);
  ASSERT_TRUE(OpenBytes(b.Get()));
  const std::wstring folder = MakeFolder(L"install");
  int cursor = -1;
  std::wstring out;
  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(cursor, list + 20 + 5 + static_cast<int>(blob.size()) + 1000);
  EXPECT_FALSE(pkgtest::ReadFileBytes(folder + L"\\c.bin"));
}

#ifdef _WIN32
TEST_F(PackageFileTest, DestinationHeldOpenFailsUntilClosed) {
  ASSERT_TRUE(OpenBytes(pkgtest::SamplePackage()));
  const std::wstring folder = MakeFolder(L"install");
  int cursor = -1;
  std::wstring out;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));  // bin
  const std::wstring target = folder + L"\\bin\\app.exe";
  platform::File holder;
  ASSERT_TRUE(
      holder.Open(target, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways));
  const int saved = cursor;
  EXPECT_FALSE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(out, target);
  EXPECT_NE(cursor, saved);
  holder.Close();
  cursor = saved;
  ASSERT_TRUE(package_.ExtractNext(out, folder, cursor));
  EXPECT_EQ(pkgtest::ReadFileBytes(target), pkgtest::NoiseBytes(3000, 1));
}
#endif
