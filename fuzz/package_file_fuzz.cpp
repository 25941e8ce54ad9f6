// The installer's whole reading path on an arbitrary file: Open, ReadInfo,
// the picture, the agreement, the typed records, every entry extracted into
// a scratch folder (nothing may appear outside it) and every shortcut record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "package/package_file.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

// The list walks stop after this many items: a trailer may claim two
// billion entries, each of which fails at once past the end of the file.
constexpr int kMaxItems = 4096;

// outPath as the file system sees it must lie inside the folder.
void CheckInside(const std::wstring& outPath, const fs::path& folder) {
  if (outPath.empty()) return;
  const fs::path where = fs::path(platform::NativePath(outPath)).lexically_normal();
  const fs::path rel = where.lexically_relative(folder);
  if (rel.empty() || *rel.begin() == "..") {
    std::fprintf(stderr, "fuzz: entry path outside the scratch folder: %s\n", where.c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Scratch& scratch = fuzz::Scratch::Get();
  const fs::path input = scratch.WriteInput(data, size);

  PackageFile package;
  if (!package.Open(fuzz::Wide(input), 0)) return 0;

  std::wstring texts[5];
  package.ReadInfo(texts[0], texts[1], texts[2], texts[3], texts[4]);
  std::wstring mainProgram, recordFile, agreement;
  package.GetMainProgram(mainProgram);
  package.GetRecordFileName(recordFile);
  ByteBuffer picture;
  package.ReadPicture(picture);
  package.ReadAgreement(agreement);

  const std::wstring folder = fuzz::Wide(scratch.Folder());
  const int count = package.GetFileCount();
  int cursor = -1;
  for (int i = 0; i < count && i < kMaxItems; ++i) {
    std::wstring outPath = L"unset";
    const int before = cursor;
    const bool ok = package.ExtractNext(outPath, folder, cursor);
    // Folders and files must land inside; entries of other types only form
    // their path (nothing is created for them), and the box check below
    // would see anything they made all the same.
    const std::int64_t at = before == -1 ? package.Trailer().entryListOffset : before;
    std::int16_t type = -1;
    if (at >= 0 && static_cast<std::uint64_t>(at) + sizeof type <= size) std::memcpy(&type, data + at, sizeof type);
    if (outPath != L"unset" && (type == PKG_ENTRY_FOLDER || type == PKG_ENTRY_FILE)) {
      CheckInside(outPath, scratch.Folder());
    }
    // A header that cannot be read ends the walk, as in the copy worker's skip.
    if (!ok && cursor == before) break;
  }

  std::wstring shortcut[3];
  cursor = -1;
  const int shortcuts = package.GetShortcutCount();
  for (int i = 0; i < shortcuts && i < kMaxItems; ++i) {
    const int before = cursor;
    if (!package.ReadShortcut(shortcut, cursor) || cursor == before) break;
  }
  package.Close();
  scratch.CheckAndEmpty();
  return 0;
}
