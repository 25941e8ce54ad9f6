// The install record: a 788-byte block appended to the package's record
// file (its uninstaller), naming the shell items the installer made outside
// the install folder. Integers little-endian; read and written as a whole.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kInstallRecordSize = 788;
inline constexpr int kInstallRecordNameSlot = 256;  // UTF-8, 0-terminated, rest 0

struct InstallRecordBlock {
  std::uint32_t recordOffset;                    // 0: size of the file when opened = offset of this block
  std::uint32_t reserved1;                       // 4: 0
  std::uint32_t magic;                           // 8: PKG_MAGIC
  std::uint32_t reserved2;                       // 12: 0
  std::uint32_t reserved3;                       // 16: 0
  char startMenuFolder[kInstallRecordNameSlot];  // 20: sub-folder of the Programs folder
  char productName[kInstallRecordNameSlot];      // 276: also the desktop shortcut's name
  char autostartLink[kInstallRecordNameSlot];    // 532: Startup shortcut's name, or empty
};
static_assert(sizeof(InstallRecordBlock) == kInstallRecordSize, "install record is 788 bytes");
static_assert(offsetof(InstallRecordBlock, magic) == 8);
static_assert(offsetof(InstallRecordBlock, startMenuFolder) == 20);
static_assert(offsetof(InstallRecordBlock, productName) == 276);
static_assert(offsetof(InstallRecordBlock, autostartLink) == 532);
