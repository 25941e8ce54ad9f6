// The package bytes the writer produces, checked against the layout: block
// order, trailer words, entry headers, blobs, and a package written by hand
// from the layout that must come out byte for byte the same.
#include <gtest/gtest.h>

#include <cstring>

#include "package/package_file.h"
#include "package/package_walk.h"
#include "package/package_writer.h"
#include "platform/file.h"
#include "test_support.h"

using pkgtest::ByteBuilder;
using pkgtest::Bytes;

namespace {

// The example of the layout: texts, the two typed records, an agreement
// blob, a folder "bin", a file bin\x.dll and one shortcut.
struct Example {
  std::string name = "\xE4\xBA\xA7\xE5\x93\x81", heading = "H", notice = "", rights = "R", welcome = "Hi";
  std::string mainProgram = "bin\\x.exe", recordFile = "x.dll";
  Bytes agreement;
  Bytes fileBlob;
  Example() {
    const std::string text = "Agreement";
    agreement = MakeDataBlob(text.data(), text.size());
    const Bytes contents = pkgtest::NoiseBytes(50, 3);
    fileBlob = MakeDataBlob(contents.data(), contents.size());
  }
};

Bytes WrittenByWriter(const Example& e) {
  Bytes bytes = pkgtest::ImageBytes();
  VectorSink sink(bytes);
  PackageWriter w(sink);
  PackageTexts texts{e.name, e.heading, e.notice, e.rights, e.welcome};
  EXPECT_TRUE(w.WriteInfo(texts, e.mainProgram, e.recordFile));
  EXPECT_TRUE(w.WriteAgreement(e.agreement));
  EXPECT_TRUE(w.AddFolder("bin"));
  EXPECT_TRUE(w.AddFile("bin\\x.dll", e.fileBlob));
  EXPECT_TRUE(w.AddShortcut("Menu\\X", "bin\\x.exe", "Desc"));
  EXPECT_TRUE(w.Finish()) << w.Error();
  return bytes;
}

Bytes WrittenByHand(const Example& e) {
  ByteBuilder b;
  b.Raw(pkgtest::ImageBytes());
  const std::int32_t infoOffset = b.Size();
  const std::int32_t total = static_cast<std::int32_t>(e.name.size() + e.heading.size() + e.notice.size() +
                                                       e.rights.size() + e.welcome.size());
  b.I32(total)
      .I32(static_cast<std::int32_t>(e.name.size()))
      .I32(static_cast<std::int32_t>(e.heading.size()))
      .I32(static_cast<std::int32_t>(e.notice.size()))
      .I32(static_cast<std::int32_t>(e.rights.size()))
      .I32(static_cast<std::int32_t>(e.welcome.size()));
  b.Raw(e.name).Raw(e.heading).Raw(e.notice).Raw(e.rights).Raw(e.welcome);
  b.U16(16).U16(0).U32(0).I32(static_cast<std::int32_t>(e.mainProgram.size())).I32(0).I32(0).Raw(e.mainProgram);
  b.U16(17).U16(0).U32(0).I32(static_cast<std::int32_t>(e.recordFile.size())).I32(0).I32(0).Raw(e.recordFile);
  const std::int32_t infoLength = b.Size() - infoOffset;
  const std::int32_t agreementOffset = b.Size();
  b.Raw(e.agreement);
  const std::int32_t entryOffset = b.Size();
  // The layout's own example bytes of a folder entry for "bin".
  const std::uint8_t folderHeader[20] = {0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (std::uint8_t byte : folderHeader) b.U8(byte);
  b.Raw("bin");
  const auto blobLength = static_cast<std::int32_t>(e.fileBlob.size());
  b.U16(8).U16(0).U32(0).I32(9).I32(9).I32(blobLength).Raw("bin\\x.dll").Raw(e.fileBlob);
  const std::int32_t entriesLength = b.Size() - entryOffset;
  const std::int32_t shortcutOffset = b.Size();
  b.I32(6).I32(9).I32(4).I32(0).I32(0).I32(19).Raw("Menu\\X").Raw("bin\\x.exe").Raw("Desc");
  b.I32(infoOffset).I32(infoLength + entriesLength).U32(PKG_MAGIC).I32(entryOffset).I32(2);
  b.I32(shortcutOffset).I32(1).I32(0).I32(0).I32(agreementOffset).I32(static_cast<std::int32_t>(e.agreement.size()));
  return b.Get();
}

struct ReadBack {
  std::wstring texts[5], agreement, mainProgram, recordFile, shortcut[3];
  std::vector<std::wstring> paths;
  std::vector<Bytes> files;
  bool operator==(const ReadBack&) const = default;
};

ReadBack ReadAll(const Bytes& package) {
  pkgtest::TempFolder temp;
  const std::wstring path = temp.Join(L"package.bin");
  EXPECT_TRUE(pkgtest::WriteFileBytes(path, package));
  ReadBack r;
  PackageFile p;
  EXPECT_TRUE(p.Open(path, 0));
  EXPECT_TRUE(p.ReadInfo(r.texts[0], r.texts[1], r.texts[2], r.texts[3], r.texts[4]));
  EXPECT_TRUE(p.ReadAgreement(r.agreement));
  EXPECT_TRUE(p.GetMainProgram(r.mainProgram));
  EXPECT_TRUE(p.GetRecordFileName(r.recordFile));
  const std::wstring out = temp.Join(L"out");
  int cursor = -1;
  EXPECT_TRUE(platform::CreateFolder(out));
  for (int i = 0; i < p.GetFileCount(); ++i) {
    std::wstring to;
    EXPECT_TRUE(p.ExtractNext(to, out, cursor));
    r.paths.push_back(to.substr(out.size()));
    if (auto bytes = pkgtest::ReadFileBytes(to)) r.files.push_back(*bytes);
  }
  int shortcutCursor = -1;
  EXPECT_TRUE(p.ReadShortcut(r.shortcut, shortcutCursor));
  EXPECT_TRUE(p.Close());
  return r;
}

}  // namespace

TEST(PackageLayout, HandWrittenExampleMatchesTheWriter) {
  const Example e;
  const Bytes byWriter = WrittenByWriter(e);
  const Bytes byHand = WrittenByHand(e);
  EXPECT_EQ(byWriter, byHand);
  const ReadBack a = ReadAll(byWriter);
  const ReadBack b = ReadAll(byHand);
  EXPECT_TRUE(a == b);
  EXPECT_EQ(a.texts[0], L"\x4EA7\x54C1");
  EXPECT_EQ(a.agreement, L"Agreement");
  EXPECT_EQ(a.mainProgram, L"bin\\x.exe");
  EXPECT_EQ(a.recordFile, L"x.dll");
  ASSERT_EQ(a.paths.size(), 2u);
  EXPECT_EQ(a.paths[0], L"\\bin");
  EXPECT_EQ(a.paths[1], L"\\bin\\x.dll");
  ASSERT_EQ(a.files.size(), 1u);
  EXPECT_EQ(a.files[0], pkgtest::NoiseBytes(50, 3));
  EXPECT_EQ(a.shortcut[0], L"Menu\\X");
  EXPECT_EQ(a.shortcut[1], L"bin\\x.exe");
  EXPECT_EQ(a.shortcut[2], L"Desc");
}

// The writer's sample passes the strictest walk: blocks in order without
// gaps, trailer words, totals, listing order, every blob decoding.
TEST(PackageLayout, SampleConforms) {
  pkgtest::TempFolder temp;
  const std::wstring path = temp.Join(L"sample.exe");
  ASSERT_TRUE(pkgtest::WriteFileBytes(path, pkgtest::SamplePackage()));
  PackageFacts facts;
  WalkFault fault;
  ASSERT_TRUE(WalkPackage(path, WalkOptions{WalkLevel::Conformance, true}, facts, fault)) << fault.what;
  const auto entries = pkgtest::SampleEntries();
  ASSERT_EQ(facts.entries.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(facts.entries[i].name, entries[i].name);
    EXPECT_EQ(facts.entries[i].rawLength, static_cast<std::int32_t>(entries[i].contents.size()));
  }
  EXPECT_EQ(facts.shortcuts.size(), 2u);
  EXPECT_EQ(facts.trailer.pictureLength, 13);
}

TEST(PackageLayout, MakeDataBlobFormat) {
  const Bytes tiny = MakeDataBlob("a", 1);
  ASSERT_GT(tiny.size(), 10u) << "every file is a blob, even when it grows";
  EXPECT_EQ(tiny[8], 0x78);
  EXPECT_EQ(tiny[9], 0x9C);
  const Bytes empty = MakeDataBlob(nullptr, 0);
  ASSERT_GT(empty.size(), 8u);
  DataBlob head;
  std::memcpy(&head, empty.data(), sizeof head);
  EXPECT_EQ(head.rawLength, 0);
  EXPECT_TRUE(MakeDataBlob("x", static_cast<std::size_t>(PKG_MAX_RAW_LENGTH) + 1).empty());
}
