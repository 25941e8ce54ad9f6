// Packages cut short or with a damaged byte: every operation either fails
// or reads safely (run under AddressSanitizer to catch stray reads), and
// whatever is extracted is exactly what was packed.
#include <gtest/gtest.h>

#include <map>

#include "package/package_file.h"
#include "platform/file.h"
#include "test_support.h"

using pkgtest::Bytes;

namespace {

// Runs every reader operation over the package; returns how many entries
// were extracted. Extracted files must match the sample.
int ReadEverything(const Bytes& package, const pkgtest::TempFolder& temp, int round) {
  static const std::map<std::wstring, Bytes> expected = [] {
    std::map<std::wstring, Bytes> m;
    for (const auto& e : pkgtest::SmallEntries()) {
      if (!e.folder) m[pkgtest::W(e.name)] = e.contents;
    }
    return m;
  }();
  const std::wstring path = temp.Join(L"p" + std::to_wstring(round) + L".exe");
  EXPECT_TRUE(pkgtest::WriteFileBytes(path, package));
  PackageFile p;
  if (!p.Open(path, 0)) return -1;
  std::wstring texts[5], main, record, agreement, shortcut[3];
  p.ReadInfo(texts[0], texts[1], texts[2], texts[3], texts[4]);
  p.GetMainProgram(main);
  p.GetRecordFileName(record);
  p.ReadAgreement(agreement);
  ByteBuffer picture;
  p.ReadPicture(picture);

  const std::wstring folder = temp.Join(L"x" + std::to_wstring(round));
  platform::CreateFolder(folder);
  int extracted = 0;
  int cursor = -1;
  const int count = p.GetFileCount();
  for (int i = 0; i < count && i < 20; ++i) {
    std::wstring out;
    const int before = cursor;
    if (!p.ExtractNext(out, folder, cursor)) {
      if (cursor == before) break;  // header unreadable: the list ends here
      continue;
    }
    ++extracted;
    const std::wstring name = out.substr(folder.size() + 1);
    const auto it = expected.find(name);
    if (it != expected.end()) {
      const auto bytes = pkgtest::ReadFileBytes(out);
      if (bytes) {
        EXPECT_EQ(*bytes, it->second) << "round " << round;
      }
    }
  }
  int shortcutCursor = -1;
  for (int i = 0; i < p.GetShortcutCount() && i < 20; ++i) p.ReadShortcut(shortcut, shortcutCursor);
  p.Close();
  return extracted;
}

}  // namespace

TEST(DamagedPackage, CutAtEveryOffset) {
  const Bytes full = pkgtest::SmallPackage();
  ASSERT_FALSE(full.empty());
  pkgtest::TempFolder temp;
  EXPECT_EQ(ReadEverything(full, temp, 0), 4);
  const Bytes trailer(full.end() - 44, full.end());
  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    const Bytes head(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    // Cut as it is: the trailer is gone, so this is no package.
    EXPECT_EQ(ReadEverything(head, temp, 1), -1) << cut;
    // Cut, with the trailer put back: offsets point past the end or into it.
    Bytes patched = head;
    patched.insert(patched.end(), trailer.begin(), trailer.end());
    const int n = ReadEverything(patched, temp, 2);
    EXPECT_GE(n, 0) << cut;
  }
}

TEST(DamagedPackage, EveryByteFlipped) {
  const Bytes full = pkgtest::SmallPackage();
  pkgtest::TempFolder temp;
  // The image in front of the package is never read.
  for (std::size_t at = 4; at < full.size(); ++at) {
    Bytes damaged = full;
    damaged[at] ^= 0xA5;
    ReadEverything(damaged, temp, 3);
  }
  SUCCEED();
}
