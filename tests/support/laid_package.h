// Installers laid out byte by byte, independently of the package writer, so
// that tests can lay out what it refuses, every field settable; Written puts
// the same description through the writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bytes.h"

namespace support {

// A 32-bit Windows program image of headers only (0x200 bytes), enough for a
// signing tool to sign it; its security directory is empty.
constexpr std::size_t kPeImageSize = 0x200;
Bytes PeImage();

struct LaidEntry {
  std::int16_t type;  // 0 folder, 8 file, anything else
  std::string name;
  Bytes data;  // stored bytes: a blob, or anything
};

struct LaidShortcut {
  std::string menu, target, description;
  std::int32_t totalDelta = 0;  // added to the total field
};

struct LaidPackage {
  std::string texts[5] = {"Product", "Heading", "Notice", "Rights", "Welcome"};
  std::string mainProgram, recordFile;
  std::int16_t recordTypes[2] = {16, 17};
  std::int32_t infoTotalDelta = 0;
  Bytes picture, agreement;
  std::vector<LaidEntry> entries;
  Bytes afterEntries;  // between the entry list and the shortcut list
  std::vector<LaidShortcut> shortcuts;
  std::int32_t countedDelta = 0;  // added to trailer word 1

  // The installer: PeImage(), the package, the trailer.
  Bytes Lay() const;
};

// Chinese and English texts, both typed records, a picture, an agreement,
// folders (one empty), files (one empty, one named in Chinese, one of noise)
// and a shortcut.
LaidPackage Sample();
// The contents every file of Sample() holds.
std::vector<std::string> SampleContents();

// The same package made by PackageWriter behind PeImage(); empty when the
// writer refuses it (error says why).
Bytes Written(const LaidPackage& package, std::string* error = nullptr);

// Signs a laid installer as signing does: padding zero bytes, then a
// certificate table that ends the file, named by the image's security
// directory.
Bytes Signed(Bytes installer, int padding);

}  // namespace support
