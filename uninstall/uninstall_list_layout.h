// Byte layout of the installed-entries list that `mksetup build` appends to
// the uninstaller's bytes (docs/uninstall-list.md describes it in full).
//
// The block sits directly in front of the 788-byte install record, so in an
// installed uninstaller the file ends: ... image | list block | install record.
// A reader finds the block from its fixed 16-byte footer, which ends it.
// All integers are little-endian; the structures mirror the bytes exactly.
#pragma once

#include <cstddef>
#include <cstdint>

// "ULST" and "UEND" as bytes; both differ from PKG_MAGIC.
constexpr std::uint32_t UNL_HEADER_MAGIC = 0x54534C55u;  // bytes 55 4C 53 54
constexpr std::uint32_t UNL_FOOTER_MAGIC = 0x444E4555u;  // bytes 55 45 4E 44
constexpr std::uint32_t UNL_VERSION = 1;
// Version 2: version 1 and the installed-programs entry (items 5 to 8), for
// installers built with [deploy]. Without [deploy] a block is written as
// version 1, byte for byte as before.
constexpr std::uint32_t UNL_VERSION_DEPLOY = 2;

// Item types.
constexpr std::uint16_t UNL_ITEM_SELF = 1;       // the uninstaller's own entry name (exactly one, first)
constexpr std::uint16_t UNL_ITEM_FOLDER = 2;     // a folder entry of the package
constexpr std::uint16_t UNL_ITEM_FILE = 3;       // a file entry of the package
constexpr std::uint16_t UNL_ITEM_MENU_LINK = 4;  // a start-menu entry's menu path
// Version 2 only, each at most once; 5 to 7 are required there.
constexpr std::uint16_t UNL_ITEM_ENTRY_KEY = 5;  // key name below the Uninstall key
constexpr std::uint16_t UNL_ITEM_VERSION = 6;    // DisplayVersion
constexpr std::uint16_t UNL_ITEM_PUBLISHER = 7;  // Publisher
constexpr std::uint16_t UNL_ITEM_URL = 8;        // URLInfoAbout

// Bounds a reader enforces before it trusts a length.
constexpr std::uint32_t UNL_MAX_NAME = 4096;        // bytes of one name
constexpr std::uint32_t UNL_MAX_ITEMS = 1u << 20;   // items in one block
constexpr std::uint32_t UNL_MAX_BLOCK = 64u << 20;  // bytes of the whole block

struct UninstallListHeader {
  std::uint32_t magic;      // 0: UNL_HEADER_MAGIC
  std::uint32_t version;    // 4: UNL_VERSION
  std::uint32_t itemCount;  // 8: items that follow the header
  std::uint32_t reserved;   // 12: 0
};
static_assert(sizeof(UninstallListHeader) == 16, "list header is four 32-bit words");

struct UninstallListItemHeader {
  std::uint16_t type;        // 0: UNL_ITEM_*
  std::uint16_t reserved;    // 2: 0
  std::uint32_t nameLength;  // 4: bytes of UTF-8 name that follow
};
static_assert(sizeof(UninstallListItemHeader) == 8, "item header is 8 bytes");

struct UninstallListFooter {
  std::uint32_t blockLength;  // 0: bytes of the whole block, header to footer end
  std::uint32_t checksum;     // 4: PackageChecksum of the block's bytes before the footer
  std::uint32_t reserved;     // 8: 0
  std::uint32_t magic;        // 12: UNL_FOOTER_MAGIC
};
static_assert(sizeof(UninstallListFooter) == 16, "list footer is four 32-bit words");
static_assert(offsetof(UninstallListFooter, magic) == 12);

constexpr std::uint32_t UNL_MIN_BLOCK =
    static_cast<std::uint32_t>(sizeof(UninstallListHeader) + sizeof(UninstallListFooter));
