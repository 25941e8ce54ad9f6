// InstallRecord in reading mode on an arbitrary file, then one round of
// appending the names it read back onto the same file and reading again:
// the new last block must carry the file's former size and the magic, and a
// name that fits its slot comes back as it was.
#include "fuzz/fuzz_support.h"
#include "integration/install_record.h"
#include "package/package_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Scratch& scratch = fuzz::Scratch::Get();
  const std::wstring path = scratch.Wide(scratch.WriteInput(data, size));
  std::wstring menu, product, autostart;
  {
    InstallRecord record;
    const bool read = record.Open(path, 0);
    if (read != (size >= kInstallRecordSize)) std::abort();
    menu = record.StartMenuFolder();
    product = record.ProductName();
    autostart = record.AutostartLink();
    const std::wstring folder = record.Folder();
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
  if (!again.Open(path, 0) || !again.HasMagic() || again.RecordOffset() != size) std::abort();
  // Bytes that were not UTF-8 come back as U+FFFD (three bytes each), which
  // may no longer fit the slot; it then stays empty.
  if (!menu.empty() && !again.StartMenuFolder().empty() && again.StartMenuFolder() != menu) std::abort();
  return 0;
}
