#include "builder/package_verify.h"

#include "builder/path_text.h"

namespace builder {

bool VerifyInstaller(const std::filesystem::path& installer, std::string& summary, ScanFault& fault) {
  PackageScan scan;
  ScanOptions options;
  options.decodeBlobs = true;
  options.checkNames = true;
  if (!ScanPackage(installer, options, scan, fault)) return false;
  int folders = 0, files = 0;
  std::int64_t raw = 0;
  for (const ScannedEntry& e : scan.entries) {
    if (e.type == PKG_ENTRY_FOLDER) ++folders;
    if (e.type == PKG_ENTRY_FILE) {
      ++files;
      raw += e.rawLength;
    }
  }
  // A signature behind the trailer is not part of the package.
  const std::int64_t packageSize =
      scan.trailerOffset + static_cast<std::int64_t>(sizeof(PackageTrailer)) - scan.trailer.infoOffset;
  summary = PathToUtf8(installer) + ": sound: " + std::to_string(folders) + " folders, " + std::to_string(files) +
            " files (" + std::to_string(raw) + " bytes), " + std::to_string(scan.shortcuts.size()) +
            " shortcuts; package of " + std::to_string(packageSize) + " bytes at offset " +
            std::to_string(scan.trailer.infoOffset);
  return true;
}

}  // namespace builder
