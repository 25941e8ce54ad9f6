// Where the package sits in an installer file.
//
// An unsigned installer ends with the 44-byte trailer. Signing appends an
// Authenticode certificate table behind everything, 8-byte aligned, so a
// signed installer ends with that table, and the trailer stands right before
// it, followed by up to 7 zero bytes of padding. The PE header's security
// directory says where the table starts.
#pragma once

#include <cstdint>

#include "package/package_layout.h"

namespace platform {
class File;
}

// What the PE headers of the installer program say.
enum class StubKind { None, Pe32, Pe32Plus };

struct ImageFacts {
  StubKind kind = StubKind::None;      // None: no PE image (no MZ/PE headers)
  std::int64_t certificateOffset = 0;  // the security directory: 0 when unsigned
  std::int64_t certificateSize = 0;
};

// Reads the DOS, COFF and optional headers at the start of the file; false
// (kind None) when they are not those of a PE image.
bool ReadImageFacts(platform::File& file, ImageFacts& facts);

// The trailer's place: its offset, which is also where the shortcut list must
// end, and whether it was found before a certificate table.
struct PackagePlace {
  PackageTrailer trailer{};
  std::int64_t trailerOffset = -1;
  bool beforeSignature = false;
};

// Finds the trailer: the last 44 bytes of the file when their word 2 is
// PKG_MAGIC; otherwise, when the security directory names a certificate
// table that ends the file, the 44 bytes before that table and before 0 to 7
// zero bytes of padding. False when neither holds a trailer.
bool LocatePackage(platform::File& file, PackagePlace& place);
