// The installer's whole reading path on an arbitrary file: the environment
// check's walk, then Open, ReadInfo, the picture, the agreement, the typed
// records, every entry extracted into a scratch folder (nothing may appear
// outside it) and every shortcut record. When the walk passes, every entry
// must extract, below the folder, and so must the record file's path lie.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "package/package_file.h"
#include "package/package_walk.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace {

// The list walks stop after this many items: a trailer may claim two
// billion entries, each of which fails at once past the end of the file.
constexpr int kMaxItems = 4096;

void Fail(const char* what, const std::wstring& path) {
  std::fprintf(stderr, "fuzz: %s: %s\n", what, platform::NativePath(path).c_str());
  std::abort();
}

// path as the file system sees it lies inside the folder.
bool Inside(const std::wstring& path, const fs::path& folder) {
  const fs::path where = fs::path(platform::NativePath(path)).lexically_normal();
  const fs::path rel = where.lexically_relative(folder);
  return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Scratch& scratch = fuzz::Scratch::Get();
  const fs::path input = scratch.WriteInput(data, size);

  PackageFacts facts;
  WalkFault fault;
  const bool sound = WalkPackage(fuzz::Wide(input), WalkOptions{}, facts, fault);

  PackageFile package;
  if (!package.Open(fuzz::Wide(input), 0)) {
    if (sound) Fail("the walk passed a package the reader cannot open", fuzz::Wide(input));
    return 0;
  }

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
    std::wstring outPath;
    const int before = cursor;
    const bool ok = package.ExtractNext(outPath, folder, cursor);
    if (sound && !ok) Fail("an entry of a package the walk passed fails", outPath);
    if (sound && !Inside(outPath, scratch.Folder()))
      Fail("an entry of a package the walk passed lies outside", outPath);
    // A header that cannot be read ends the walk, as in the copy worker's skip.
    if (!ok && cursor == before) break;
  }
  if (sound && !recordFile.empty() && !Inside(folder + L"\\" + recordFile, scratch.Folder())) {
    Fail("the record file of a package the walk passed lies outside", recordFile);
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
