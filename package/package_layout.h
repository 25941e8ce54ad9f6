// Byte layout of the install package appended behind the installer image.
//
// All integers are little-endian; offsets are absolute file positions and are
// used as signed 32-bit values, so a package lies below 2 GiB. The structures
// below mirror the bytes exactly (no padding) and are read and written as a
// whole on little-endian machines; their sizes are checked at compile time.
#pragma once

#include <cstdint>

// Marks the package trailer and also the install record appended to the
// uninstaller (stored as the bytes 16 04 03 12).
constexpr std::uint32_t PKG_MAGIC = 0x12030416u;

// EntryHeader types: entries of the entry list, and the two typed records of
// the info block.
constexpr std::int16_t PKG_ENTRY_FOLDER = 0;
constexpr std::int16_t PKG_ENTRY_FILE = 8;
constexpr std::int16_t PKG_RECORD_MAIN_PROGRAM = 16;
constexpr std::int16_t PKG_RECORD_RECORD_FILE = 17;

// The last 44 bytes of the file: eleven 32-bit words that locate every block.
struct PackageTrailer {
  std::int32_t infoOffset;          // 0: offset of the info block
  std::int32_t countedLength;       // 1: info block length + entry list length; readers ignore it
  std::uint32_t magic;              // 2: PKG_MAGIC
  std::int32_t entryListOffset;     // 3: offset of the first entry
  std::int32_t entryCount;          // 4
  std::int32_t shortcutListOffset;  // 5: offset of the first shortcut record
  std::int32_t shortcutCount;       // 6
  std::int32_t pictureOffset;       // 7: 0 when there is no picture
  std::int32_t pictureLength;       // 8: 0 = no picture
  std::int32_t agreementOffset;     // 9
  std::int32_t agreementLength;     // 10: 0 = no agreement text
};
static_assert(sizeof(PackageTrailer) == 44, "trailer is eleven 32-bit words");

// Start of the info block: the byte lengths of the five texts that follow it.
struct PackageInfoHeader {
  std::int32_t total;      // sum of the five lengths
  std::int32_t length[5];  // product name, heading, notice, rights, welcome
};
static_assert(sizeof(PackageInfoHeader) == 24, "info header is six 32-bit words");

// Header of an entry of the entry list and of the two typed records.
struct EntryHeader {
  std::int16_t type;        // PKG_ENTRY_* or PKG_RECORD_*
  std::uint16_t reserved1;  // 0
  std::uint32_t reserved2;  // 0
  std::int32_t nameLength;  // bytes of name behind the header
  std::int32_t dataOffset;  // nameLength when the entry has data, else 0; readers ignore it
  std::int32_t dataLength;  // bytes of data behind the name (a DataBlob for files)
};
static_assert(sizeof(EntryHeader) == 20, "entry header is 20 bytes");

// Header of a start-menu shortcut record; four texts follow it.
struct ShortcutHeader {
  std::int32_t length[4];  // menu path, target, description, unused fourth text
  std::int32_t reserved;   // 0; not part of total
  std::int32_t total;      // length[0] + ... + length[3]
};
static_assert(sizeof(ShortcutHeader) == 24, "shortcut header is six 32-bit words");

// The stored form of compressed data: this 8-byte head, then one zlib stream.
struct DataBlob {
  std::uint32_t checksum;  // PackageChecksum of the bytes from offset 8 to the end
  std::int32_t rawLength;  // decompressed length
};
static_assert(sizeof(DataBlob) == 8, "data blob head is 8 bytes");
constexpr int kDataBlobHeadSize = static_cast<int>(sizeof(DataBlob));

// Largest raw length a blob may declare: the format's own limit, a signed
// 32-bit length. Files are decoded in bounded pieces, so no size of file
// needs memory of its size.
constexpr std::int32_t PKG_MAX_RAW_LENGTH = 0x7FFFFFFF;
