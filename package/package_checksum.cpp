// The package checksum: CRC-32 table steps started from 0, no final inversion.
#include "package/package_checksum.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
    table[n] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x77073096u, "CRC-32 table");
static_assert(kTable[255] == 0x2D02EF8Du, "CRC-32 table");

}  // namespace

std::uint32_t PackageChecksumUpdate(std::uint32_t h, const void* data, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < length; ++i) h = kTable[(h ^ p[i]) & 0xFFu] ^ (h >> 8);
  return h;
}

std::uint32_t PackageChecksum(const void* data, std::size_t length) {
  return PackageChecksumUpdate(0, data, length);
}
