#include "builder/package_verify.h"

#include "builder/path_text.h"
#include "platform/file.h"

namespace builder {

bool VerifyInstaller(const std::filesystem::path& installer, std::string& summary, ScanFault& fault) {
  platform::File file;
  if (!file.Open(PathToWide(installer), platform::Access::Read, platform::Share::ReadWrite,
                 platform::Disposition::OpenExisting)) {
    fault = WalkFault{0, PathToUtf8(installer) + ": cannot be opened"};
    return false;
  }
  PackageFacts facts;
  if (!WalkPackage(file, WalkOptions{WalkLevel::Conformance, true}, facts, fault)) return false;
  int folders = 0, files = 0;
  std::int64_t raw = 0;
  for (const WalkedEntry& e : facts.entries) {
    if (e.type == PKG_ENTRY_FOLDER) ++folders;
    if (e.type == PKG_ENTRY_FILE) {
      ++files;
      raw += e.rawLength;
    }
  }
  // A signature behind the trailer is not part of the package.
  const std::int64_t packageSize =
      facts.trailerOffset + static_cast<std::int64_t>(sizeof(PackageTrailer)) - facts.trailer.infoOffset;
  summary = PathToUtf8(installer) + ": sound: " + std::to_string(folders) + " folders, " + std::to_string(files) +
            " files (" + std::to_string(raw) + " bytes), " + std::to_string(facts.shortcuts.size()) +
            " shortcuts; package of " + std::to_string(packageSize) + " bytes at offset " +
            std::to_string(facts.trailer.infoOffset);
  return true;
}

}  // namespace builder
