// A sample package cut at every byte offset, and with single bytes of its
// trailer, block headers and first blobs damaged: the whole reading path
// (texts, picture, agreement, records, every entry, every shortcut) never
// crashes, never writes outside the scratch folder, and a damaged blob never
// yields a file with contents other than those packed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "hardening_support.h"
#include "package/package_file.h"
#include "package/package_writer.h"

namespace fs = std::filesystem;
using hardening::Bytes;

namespace {

struct Packed {
  std::string name;  // UTF-8 entry name
  bool folder;
  std::string contents;
};

// Names far apart, so that one damaged byte cannot turn one into another.
const std::vector<Packed>& Entries() {
  static const std::vector<Packed> entries = {
      {"bin", true, ""},
      {"bin\\app.exe", false, std::string(700, 'A') + "MZ tail"},
      {"bin\\empty", true, ""},
      {"docs", true, ""},
      {"docs\\\xE8\xAF\xB4\xE6\x98\x8E.txt", false, "\xE8\xAF\xB4\xE6\x98\x8E\r\nread me\r\n"},  // 说明.txt
      {"notes-long-name.md", false, "notes"},
      {"uninst.exe", false, "MZ uninstaller"},
      {"zero.dat", false, ""},
  };
  return entries;
}

// Offsets of the parts the sweep damages byte by byte.
struct Layout {
  std::vector<std::pair<std::size_t, std::size_t>> headers;  // [begin, end)
  std::vector<std::pair<std::size_t, std::size_t>> blobs;    // first blobs: agreement, first file
};

Bytes MakeSample(Layout& layout) {
  Bytes bytes = {'M', 'Z', 0x90, 0, 3, 0};
  VectorSink sink(bytes);
  PackageWriter w(sink);
  PackageTexts texts{"\xE7\xA4\xBA\xE4\xBE\x8B", "Heading", "Notice", "(c) 2026", "Welcome\r\n"};
  const std::size_t info = bytes.size();
  bool ok = w.WriteInfo(texts, "bin\\app.exe", "uninst.exe");
  const std::size_t texts_end = info + sizeof(PackageInfoHeader) + 6 + 7 + 6 + 8 + 9;
  layout.headers.push_back({info, info + sizeof(PackageInfoHeader)});
  layout.headers.push_back({texts_end, texts_end + sizeof(EntryHeader)});
  const std::size_t second = texts_end + sizeof(EntryHeader) + 11;
  layout.headers.push_back({second, second + sizeof(EntryHeader)});
  ok = ok && w.WritePicture("\x89PNG\r\n\x1a\nPICTURE", 15);
  const std::string agreement = "Licence\r\n\xE8\xAE\xB8\xE5\x8F\xAF";
  const std::size_t agreementAt = bytes.size();
  ok = ok && w.WriteAgreement(MakeDataBlob(agreement.data(), agreement.size()));
  layout.blobs.push_back({agreementAt, bytes.size()});
  bool firstFile = true;
  for (const Packed& e : Entries()) {
    const std::size_t at = bytes.size();
    if (e.folder) {
      ok = ok && w.AddFolder(e.name);
    } else {
      ok = ok && w.AddFile(e.name, e.contents.empty() ? Bytes() : MakeDataBlob(e.contents.data(), e.contents.size()));
      if (firstFile && !e.contents.empty()) {
        layout.blobs.push_back({at + sizeof(EntryHeader) + e.name.size(), bytes.size()});
        firstFile = false;
      }
    }
    layout.headers.push_back({at, at + sizeof(EntryHeader)});
  }
  for (int i = 0; i < 2; ++i) {
    const std::size_t at = bytes.size();
    ok = ok && (i == 0 ? w.AddShortcut("\xE7\xA4\xBA\xE4\xBE\x8B\\App", "bin\\app.exe", "Starts the app")
                       : w.AddShortcut("Uninstall", "uninst.exe", ""));
    layout.headers.push_back({at, at + sizeof(ShortcutHeader)});
  }
  ok = ok && w.Finish();
  layout.headers.push_back({bytes.size() - sizeof(PackageTrailer), bytes.size()});
  EXPECT_TRUE(ok) << w.Error();
  return bytes;
}

const Bytes& Sample(Layout* layout = nullptr) {
  static Layout saved;
  static const Bytes bytes = MakeSample(saved);
  if (layout) *layout = saved;
  return bytes;
}

// What one round saw.
struct Round {
  bool opened = false;
  int extracted = 0;
  std::map<std::string, std::string> files;  // relative UTF-8 path -> contents
};

// Runs the whole reading path on bytes: the package file and the scratch
// folder live in a box folder, and nothing else may appear in it.
Round ReadEverything(const hardening::Box& box, const Bytes& bytes) {
  Round round;
  EXPECT_TRUE(hardening::WriteFile(box.PackagePath(), bytes));
  PackageFile p;
  round.opened = p.Open(box.PackagePath(), 0);
  if (round.opened) {
    std::wstring t[5], mainProgram, record, agreement, shortcut[3];
    p.ReadInfo(t[0], t[1], t[2], t[3], t[4]);
    p.GetMainProgram(mainProgram);
    p.GetRecordFileName(record);
    ByteBuffer picture;
    p.ReadPicture(picture);
    p.ReadAgreement(agreement);
    int cursor = -1;
    for (int i = 0; i < p.GetFileCount() && i < 64; ++i) {
      std::wstring out = L"unset";
      const int before = cursor;
      const bool ok = p.ExtractNext(out, box.Scratch(), cursor);
      if (out != L"unset" && !out.empty()) {
        EXPECT_TRUE(hardening::LexicallyInside(out, box.Scratch())) << hardening::Narrow(out);
      }
      if (ok) ++round.extracted;
      if (!ok && cursor == before) break;
    }
    cursor = -1;
    for (int i = 0; i < p.GetShortcutCount() && i < 64; ++i) {
      const int before = cursor;
      if (!p.ReadShortcut(shortcut, cursor) || cursor == before) break;
    }
    p.Close();
  }
  EXPECT_TRUE(box.OnlyScratchBeside()) << "something was written outside the scratch folder";
  round.files = box.TakeFiles();
  return round;
}

std::map<std::string, std::string> PackedFiles() {
  std::map<std::string, std::string> m;
  for (const Packed& e : Entries()) {
    if (!e.folder) m[hardening::SlashPath(e.name)] = e.contents;
  }
  return m;
}

// Every file written holds packed contents; with strict, a file at a packed
// name holds exactly that name's contents.
void ExpectPackedContents(const Round& round, bool strict, const std::string& what) {
  static const std::map<std::string, std::string> packed = PackedFiles();
  std::set<std::string> known;
  for (const auto& [name, contents] : packed) known.insert(contents);
  for (const auto& [name, contents] : round.files) {
    const auto it = packed.find(name);
    if (strict && it != packed.end()) {
      EXPECT_EQ(contents, it->second) << what << ": " << name;
    } else {
      EXPECT_TRUE(known.count(contents) > 0) << what << ": " << name << " holds bytes that were never packed";
    }
  }
}

TEST(Sweep, TheSampleReadsWhole) {
  hardening::Box box;
  const Round round = ReadEverything(box, Sample());
  ASSERT_TRUE(round.opened);
  EXPECT_EQ(round.extracted, static_cast<int>(Entries().size()));
  EXPECT_EQ(round.files, PackedFiles());
}

TEST(Sweep, CutAtEveryOffset) {
  const Bytes& full = Sample();
  const Bytes trailer(full.end() - sizeof(PackageTrailer), full.end());
  hardening::Box box;
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    const Bytes head(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    // Cut as it is: no trailer, no package.
    EXPECT_FALSE(ReadEverything(box, head).opened) << cut;
    // Cut, with the trailer put back: offsets point past the end or into it.
    Bytes patched = head;
    patched.insert(patched.end(), trailer.begin(), trailer.end());
    const Round round = ReadEverything(box, patched);
    EXPECT_TRUE(round.opened) << cut;
    ExpectPackedContents(round, true, "cut at " + std::to_string(cut));
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(Sweep, EveryHeaderAndTrailerByteDamaged) {
  Layout layout;
  const Bytes& full = Sample(&layout);
  hardening::Box box;
  for (const auto& [begin, end] : layout.headers) {
    for (std::size_t at = begin; at < end; ++at) {
      for (const std::uint8_t mask : {0x01, 0x80, 0xFF}) {
        Bytes damaged = full;
        damaged[at] ^= mask;
        // A damaged header may make a file empty (a data length of 0 is an
        // empty file) but never give it other bytes.
        ExpectPackedContents(ReadEverything(box, damaged), false,
                             "byte " + std::to_string(at) + " ^ " + std::to_string(mask));
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
}

TEST(Sweep, EveryByteOfTheFirstBlobsDamaged) {
  Layout layout;
  const Bytes& full = Sample(&layout);
  hardening::Box box;
  for (const auto& [begin, end] : layout.blobs) {
    for (std::size_t at = begin; at < end; ++at) {
      for (const std::uint8_t mask : {0x01, 0x80, 0xFF}) {
        Bytes damaged = full;
        damaged[at] ^= mask;
        const Round round = ReadEverything(box, damaged);
        EXPECT_TRUE(round.opened);
        // The damaged blob fails; every other entry comes out whole. The raw
        // length is outside the checksum: a larger one still decodes (to the
        // same bytes), a smaller one fails.
        ExpectPackedContents(round, true, "byte " + std::to_string(at) + " ^ " + std::to_string(mask));
        const auto [fileBegin, fileEnd] = layout.blobs.back();
        const bool rawLength = at >= fileBegin + 4 && at < fileBegin + 8;
        if (at >= fileBegin && at < fileEnd && !rawLength) {
          EXPECT_EQ(round.files.count("bin/app.exe"), 0u) << at;
          EXPECT_EQ(round.extracted, static_cast<int>(Entries().size()) - 1) << at;
        } else if (!rawLength) {
          EXPECT_EQ(round.extracted, static_cast<int>(Entries().size())) << at;
        }
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
}

}  // namespace
