// InstallRecord in reading mode on an arbitrary file, then one round of
// appending the names it read back onto the same file and reading again:
// the new last block must carry the file's former size and the magic.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "integration/install_record.h"
#include "package/package_layout.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Scratch& scratch = fuzz::Scratch::Get();
  const fs::path input = scratch.WriteInput(data, size);
  const std::wstring path = fuzz::Wide(input);

  std::wstring folder, menu, product, autostart;
  {
    InstallRecord record;
    const bool read = record.Open(path, 0);
    if (read != (size >= kInstallRecordSize)) std::abort();
    menu = record.StartMenuFolder();
    product = record.ProductName();
    autostart = record.AutostartLink();
    folder = record.Folder();
    record.HasMagic();
    record.Close();
    if (read && (folder.empty() || folder.back() == L'\0')) std::abort();
  }
  {
    InstallRecord record;
    if (!record.Open(path, 1)) std::abort();
    record.SetNames(menu, product, autostart);
    record.Close();
  }
  InstallRecord again;
  if (!again.Open(path, 0)) std::abort();
  if (!again.HasMagic() || again.RecordOffset() != size) std::abort();
  // A name read back is stored again as it was, unless its UTF-8 form (bytes
  // that were not UTF-8 come back as U+FFFD, three bytes each) no longer fits
  // the slot, which then stays 0.
  const std::wstring menuAgain = again.StartMenuFolder();
  if (!menu.empty() && !menuAgain.empty() && menuAgain != menu) std::abort();
  again.Close();
  return 0;
}
