// The damage corpus: the sample installer laid out by hand, cut at every
// byte, with every byte flipped, signed, and hostile or merely unusual
// packages. The environment check decides; when it passes, every ExtractNext
// of the copy loop succeeds below the install folder (the record file lies
// there too); when it refuses, mksetup verify and extract refuse and write
// nothing. Whatever the verdict, the reader writes nothing outside the
// install folder, and no file with bytes that were never packed.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "builder/package_extract.h"
#include "builder/package_verify.h"
#include "laid_package.h"
#include "package/package_file.h"
#include "package/package_walk.h"
#include "platform/file.h"
#include "platform/utf.h"
#include "temp_folder.h"
#include "wizard/package_integrity.h"

namespace fs = std::filesystem;
using support::Blob;
using support::Bytes;
using support::LaidEntry;
using support::LaidPackage;

namespace {

struct Verdict {
  bool install = false;
  bool conformance = false;
  std::string why;  // the install-level fault, else the conformance fault
};

bool Inside(const std::wstring& path, const std::wstring& folder) {
  const fs::path rel = support::OnDisk(path).lexically_normal().lexically_relative(support::OnDisk(folder));
  return !rel.empty() && *rel.begin() != "..";
}

// The box holds package.exe and scratch/, nothing else; every file below
// scratch/install must hold packed bytes. Empties scratch/.
void CheckAndEmpty(const TempFolder& box) {
  const std::vector<std::string> contents = support::SampleContents();
  std::set<std::string> packed(contents.begin(), contents.end());
  packed.insert("x");
  for (const std::string& line : support::Snapshot(box.Path())) {
    if (line == "D scratch" || line.rfind("F package.exe ", 0) == 0 || line.rfind("D scratch/install", 0) == 0)
      continue;
    const std::string prefix = line.substr(0, line.find(' ', 2));
    EXPECT_EQ(line.rfind("F scratch/install/", 0), 0u) << prefix << ": written outside the install folder";
    EXPECT_EQ(packed.count(line.substr(prefix.size() + 1)), 1u) << prefix << " holds bytes that were never packed";
  }
  fs::remove_all(box.Child("scratch"));
  fs::create_directory(box.Child("scratch"));
}

Verdict Check(const TempFolder& box, const Bytes& bytes, const std::string& label) {
  SCOPED_TRACE(label);
  support::WriteBytes(box.Child("package.exe"), bytes);
  fs::create_directory(box.Child("scratch"));
  const std::wstring package = box.Wide(L"package.exe");
  Verdict v;
  PackageFacts facts;
  WalkFault fault;
  v.install = WalkPackage(package, WalkOptions{}, facts, fault);
  EXPECT_EQ(wizard::CheckPackage(package).sound, v.install);
  std::string summary;
  builder::ScanFault verifyFault;
  v.conformance = builder::VerifyInstaller(box.Child("package.exe"), summary, verifyFault);
  v.why = v.install ? verifyFault.what : fault.what;
  EXPECT_TRUE(v.install || !v.conformance) << "verify passes what the environment check refuses";

  // The installer's reading path, as the wizard and the copy worker run it.
  const std::wstring folder = box.Wide(L"scratch\\install");
  PackageFile p;
  if (p.Open(package, 0)) {
    std::wstring t[5], mainProgram, record, agreement, shortcut[3];
    EXPECT_TRUE(p.ReadInfo(t[0], t[1], t[2], t[3], t[4]) || !v.install);
    p.GetMainProgram(mainProgram);
    p.GetRecordFileName(record);
    ByteBuffer picture;
    p.ReadPicture(picture);
    p.ReadAgreement(agreement);
    platform::CreateFolder(folder);
    int cursor = -1;
    for (int i = 0; i < p.GetFileCount() && i < 64; ++i) {
      std::wstring out;
      const int before = cursor;
      const bool ok = p.ExtractNext(out, folder, cursor);
      if (v.install) {
        EXPECT_TRUE(ok) << "entry " << i << ": " << platform::WideToUtf8(out);
        EXPECT_TRUE(Inside(out, folder)) << platform::WideToUtf8(out);
      } else if (!ok && cursor == before) {
        break;
      }
    }
    if (v.install && !record.empty()) {
      EXPECT_TRUE(Inside(folder + L"\\" + record, folder)) << platform::WideToUtf8(record);
    }
    cursor = -1;
    for (int i = 0; i < p.GetShortcutCount() && i < 64; ++i) {
      const int before = cursor;
      if (!p.ReadShortcut(shortcut, cursor) || cursor == before) break;
    }
    p.Close();
  } else {
    EXPECT_FALSE(v.install);
  }
  CheckAndEmpty(box);

  // mksetup extract: the same verdict, and nothing written on a refusal.
  builder::ExtractReport report;
  std::string error;
  const fs::path into = box.Child("scratch") / "x";
  EXPECT_EQ(builder::ExtractInstaller(box.Child("package.exe"), into, report, error), v.install) << error;
  if (v.install) {
    EXPECT_TRUE(report.failures.empty());
  } else {
    EXPECT_FALSE(fs::exists(into)) << "mksetup extract wrote into a refused package's folder";
  }
  fs::remove_all(into);
  return v;
}

TEST(DamageCorpus, EveryCutAndEveryFlippedByte) {
  const Bytes full = support::Sample().Lay();
  const Bytes trailer(full.end() - 44, full.end());
  TempFolder box;
  const Verdict base = Check(box, full, "the sample");
  ASSERT_TRUE(base.install && base.conformance) << base.why;
  int passed = 0;
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    if (cut > 8 && cut + 8 < support::kPeImageSize) continue;  // within the image: a few cuts are enough
    const Bytes head(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(Check(box, head, "cut at " + std::to_string(cut)).install);
    Bytes patched = head;
    patched.insert(patched.end(), trailer.begin(), trailer.end());
    passed += Check(box, patched, "cut at " + std::to_string(cut) + ", trailer put back").install;
    if (::testing::Test::HasFailure()) return;
  }
  // The PE headers in front are not read for an unsigned installer.
  for (std::size_t at = support::kPeImageSize; at < full.size(); ++at) {
    for (const std::uint8_t mask : {0x01, 0xFF}) {
      Bytes damaged = full;
      damaged[at] ^= mask;
      passed += Check(box, damaged, "byte " + std::to_string(at) + " ^ " + std::to_string(mask)).install;
      if (::testing::Test::HasFailure()) return;
    }
  }
  // Flips in texts, the picture and the agreement stay installable.
  EXPECT_GT(passed, 20);
}

TEST(DamageCorpus, SignedInstallers) {
  TempFolder box;
  const Bytes laid = support::Sample().Lay();
  for (int padding = 0; padding <= 7; ++padding) {
    const Verdict v = Check(box, support::Signed(laid, padding), "padding " + std::to_string(padding));
    EXPECT_TRUE(v.install && v.conformance) << padding << ": " << v.why;
  }
  // Only zero bytes may stand between the trailer and the certificate table.
  Bytes bad = support::Signed(laid, 3);
  bad[laid.size() + 1] = 1;
  EXPECT_FALSE(Check(box, bad, "padding that is not zero").install);
  // A changed byte in the signature itself is for Windows to judge.
  Bytes resigned = support::Signed(laid, 3);
  resigned.back() ^= 1;
  EXPECT_TRUE(Check(box, resigned, "a changed signature").install);
}

// What, entries appended to the sample's, a change (or null), the two
// verdicts, and part of the fault text when refused.
using Case = std::tuple<const char*, std::vector<LaidEntry>, void (*)(LaidPackage&), bool, bool, const char*>;

const Bytes kX = Blob("x");
const std::string kText = support::SampleContents()[0];

// Enough files for mksetup extract to split them among threads; the last
// one's stream fails only once decoded.
void ManyFilesTheLastUnsound(LaidPackage& p) {
  for (int i = 0; i < 300; ++i) p.entries.push_back({8, std::to_string(1000 + i), Blob("x")});
  p.entries.back().data = Blob(kText, 1);
}

const Case kCases[] = {
    {"..\\escape.txt after good files", {{8, "..\\escape.txt", kX}}, nullptr, 0, 0, "is not a safe name"},
    {"a file entry with neither name nor data", {{8, "", {}}}, nullptr, 0, 0, "neither name nor data"},
    {"trailing dot", {{0, "d\\x.", {}}}, nullptr, 0, 0, "ends with"},
    {"a folder named in other letter case", {{8, "D\\F.TXT", kX}}, nullptr, 0, 0, "folder"},
    {"one name to Windows", {{8, "d\\F.TXT", kX}}, nullptr, 0, 0, "letter case"},
    {"a file before its folder", {{8, "x\\y.txt", kX}}, nullptr, 0, 0, "folder"},
    {"a blob of 8 bytes", {{8, "b8", Bytes(kX.begin(), kX.begin() + 8)}}, nullptr, 0, 0, "8 bytes or fewer"},
    {"a bad blob on an entry of type 5", {{5, "t5", Bytes(kX.begin(), kX.end() - 1)}}, nullptr, 0, 0, "type 5"},
    {"a file's type flipped to 9", {{9, "t9", kX}}, nullptr, 0, 0, "type 9"},
    {"a folder with data", {{0, "zz", kX}}, nullptr, 0, 0, "folder with data"},
    {"one file listed twice", {{8, "g.bin", kX}}, nullptr, 0, 0, "one name"},
    {"product name climbing out", {}, [](auto& p) { p.texts[0] = "..\\..\\v-dir"; }, 0, 0, "product name"},
    {"no product name", {}, [](auto& p) { p.texts[0] = ""; }, 0, 0, "product name"},
    {"a menu path with a leading backslash", {}, [](auto& p) { p.shortcuts[0].menu = "\\B"; }, 1, 1, ""},
    {"record file ..\\..", {}, [](auto& p) { p.recordFile = "..\\..\\victim.txt"; }, 0, 0, "record-file name"},
    {"main program with ..", {}, [](auto& p) { p.mainProgram = "d\\..\\..\\x.exe"; }, 0, 0, "main program"},
    {"main program at a drive path", {}, [](auto& p) { p.mainProgram = "C:\\Windows\\notepad.exe"; }, 1, 1, ""},
    {"target with ..", {}, [](auto& p) { p.shortcuts[0].target = "..\\..\\evil.exe"; }, 0, 0, "target"},
    {"menu path with ..", {}, [](auto& p) { p.shortcuts[0].menu = "..\\Startup\\x"; }, 0, 0, "menu path"},
    {"an unused shortcut", {}, [](auto& p) { p.shortcuts.resize(2), p.shortcuts[1].menu = "..\\x"; }, 1, 1, ""},
    {"raw length one more", {}, [](auto& p) { p.entries[2].data = Blob(kText, 1); }, 0, 0, "raw length"},
    {"raw length one less", {}, [](auto& p) { p.entries[2].data = Blob(kText, -1); }, 0, 0, "more than its raw length"},
    {"raw length one more in the last of many files", {}, ManyFilesTheLastUnsound, 0, 0, "raw length"},
    {"bytes after the stream", {}, [](auto& p) { p.entries[2].data = Blob(kText, 0, "tail"); }, 0, 0, "bytes follow"},
    {"agreement stored plain", {}, [](auto& p) { p.agreement = Bytes(5, 'p'); }, 1, 0, "agreement"},
    {"bytes between the lists", {}, [](auto& p) { p.afterEntries = Bytes(2, 0); }, 0, 0, "the entry list ends at"},
    {"info total off by one", {}, [](auto& p) { p.infoTotalDelta = 1; }, 0, 0, "info total"},
    {"typed records swapped", {}, [](auto& p) { std::swap(p.recordTypes[0], p.recordTypes[1]); }, 0, 0, "main-program"},
    {"shortcut total off by one", {}, [](auto& p) { p.shortcuts[0].totalDelta = 1; }, 0, 0, "total"},
    {"trailer word 1 off by one", {}, [](auto& p) { p.countedDelta = 1; }, 1, 0, "trailer word 1"},
    {"siblings out of order", {}, [](auto& p) { std::swap(p.entries[4], p.entries[5]); }, 1, 0, "out of order"},
    {"no extras", {}, [](auto& p) { p.mainProgram = p.recordFile = "", p.picture = p.agreement = {}; }, 1, 1, ""},
};

TEST(DamageCorpus, HostileAndAllowedPackages) {
  TempFolder box;
  for (const auto& [what, added, change, install, conformance, why] : kCases) {
    LaidPackage p = support::Sample();
    p.entries.insert(p.entries.end(), added.begin(), added.end());
    if (change) change(p);
    const Verdict v = Check(box, p.Lay(), what);
    EXPECT_EQ(v.install, install) << what << ": " << v.why;
    EXPECT_EQ(v.conformance, conformance) << what << ": " << v.why;
    EXPECT_TRUE(conformance || v.why.find(why) != std::string::npos) << what << ": " << v.why;
  }
}

}  // namespace
