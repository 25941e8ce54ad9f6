// A careful walk over the raw bytes of an installer: every read is checked
// against the file's size, every block against the layout, and the first
// fault is reported with its byte offset. `verify` runs it with every check;
// `list` and `extract` use the structure it finds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "package/package_layout.h"
#include "package/package_place.h"

namespace builder {

struct ScannedEntry {
  std::int16_t type = 0;
  std::string name;         // as stored (UTF-8)
  std::int64_t offset = 0;  // of the EntryHeader
  std::int32_t dataLength = 0;
  std::int32_t rawLength = 0;  // from the blob head; 0 without data
};

struct ScannedShortcut {
  std::int64_t offset = 0;
  std::string menu, target, description;
};

struct PackageScan {
  std::int64_t fileSize = 0;
  StubKind stubKind = StubKind::None;  // the installer program in front of the package
  bool signedInstaller = false;        // the trailer stands before a certificate table
  std::int64_t trailerOffset = 0;
  PackageTrailer trailer{};
  std::string texts[5];
  std::string mainProgram;
  std::string recordFile;
  std::int32_t agreementRawLength = 0;
  std::vector<ScannedEntry> entries;
  std::vector<ScannedShortcut> shortcuts;
};

struct ScanFault {
  std::int64_t offset = 0;
  std::string what;
};

struct ScanOptions {
  bool decodeBlobs = false;  // checksum and decode every blob
  bool checkNames = false;   // safe names, valid UTF-8, listing order, entry types
};

// False with *fault on the first fault; also false when the file cannot be opened.
bool ScanPackage(const std::filesystem::path& file, const ScanOptions& options, PackageScan& scan, ScanFault& fault);

}  // namespace builder
