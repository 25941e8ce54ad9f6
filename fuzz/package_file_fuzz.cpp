// The installer's whole reading path on an arbitrary file: the environment
// check's walk, then Open, the texts, picture, agreement and typed records,
// every entry extracted into the scratch folder (nothing may appear outside
// it) and every shortcut record. When the walk passes, every entry must
// extract below the folder, and the record file's path lie there too.
#include "fuzz/fuzz_support.h"
#include "package/package_file.h"
#include "package/package_walk.h"

// The list walks stop after this many items: a trailer may claim two billion
// entries, each of which fails at once past the end of the file.
constexpr int kMaxItems = 4096;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Scratch& scratch = fuzz::Scratch::Get();
  const std::wstring input = scratch.Wide(scratch.WriteInput(data, size));
  PackageFacts facts;
  WalkFault fault;
  const bool sound = WalkPackage(input, WalkOptions{}, facts, fault);
  PackageFile package;
  if (!package.Open(input, 0)) {
    if (sound) fuzz::Fail("the walk passed a package the reader cannot open", "");
    return 0;
  }
  std::wstring texts[5], mainProgram, recordFile, agreement, shortcut[3];
  package.ReadInfo(texts[0], texts[1], texts[2], texts[3], texts[4]);
  package.GetMainProgram(mainProgram);
  package.GetRecordFileName(recordFile);
  ByteBuffer picture;
  package.ReadPicture(picture);
  package.ReadAgreement(agreement);

  const std::wstring folder = scratch.Wide(scratch.Folder());
  const auto inside = [&](const std::wstring& path) {
    return fuzz::Inside(platform::NativePath(path), scratch.Folder());
  };
  int cursor = -1;
  for (int i = 0; i < package.GetFileCount() && i < kMaxItems; ++i) {
    std::wstring out;
    const int before = cursor;
    const bool ok = package.ExtractNext(out, folder, cursor);
    if (sound && !(ok && inside(out)))
      fuzz::Fail("an entry of a sound package fails or lies outside", platform::NativePath(out));
    if (!ok && cursor == before) break;  // a header that cannot be read ends the list, as in the copy worker
  }
  if (sound && !recordFile.empty() && !inside(folder + L"\\" + recordFile)) {
    fuzz::Fail("the record file of a sound package lies outside", platform::WideToUtf8(recordFile));
  }
  cursor = -1;
  for (int i = 0; i < package.GetShortcutCount() && i < kMaxItems; ++i) {
    const int before = cursor;
    if (!package.ReadShortcut(shortcut, cursor) || cursor == before) break;
  }
  package.Close();
  scratch.CheckAndEmpty();
  return 0;
}
