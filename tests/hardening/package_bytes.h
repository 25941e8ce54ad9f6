// Installers laid out byte by byte from the package layout, independently of
// the package writer, so that tests can lay out what the writer refuses: a
// PE image, the info block, picture, agreement, entries, shortcut records
// and the trailer, every field settable; blobs made with zlib's compress2
// and the checksum through zlib's crc32.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hardening {

using Bytes = std::vector<std::uint8_t>;

// A DataBlob of contents: checksum, raw length (+ rawDelta), the zlib stream
// of compress2 at level 6, then tail (bytes after the stream's end, inside
// the checksum).
Bytes Blob(std::string_view contents, std::int32_t rawDelta = 0, std::string_view tail = "");

struct LaidEntry {
  std::int16_t type;
  std::string name;
  Bytes data;  // stored bytes: a blob, or anything
};

struct LaidShortcut {
  std::string menu, target, description;
  std::int32_t totalDelta = 0;  // added to the total field
};

struct LaidPackage {
  std::string texts[5] = {"Product", "Heading", "Notice", "Rights", "Welcome"};
  std::string mainProgram;
  std::string recordFile;
  std::int16_t recordTypes[2] = {16, 17};
  std::int32_t infoTotalDelta = 0;
  Bytes picture;
  Bytes agreement;
  std::vector<LaidEntry> entries;
  std::vector<LaidShortcut> shortcuts;
  std::int32_t countedDelta = 0;  // added to trailer word 1

  // The installer: a PE32 image of 312 bytes (headers only, unsigned), the
  // package, the trailer.
  Bytes Lay() const;
};

// Signs a laid installer as signing does: padding zero bytes, then a
// certificate table that ends the file, named by the image's security
// directory.
Bytes Signed(Bytes installer, int padding);

}  // namespace hardening
