#include <gtest/gtest.h>

#include <string>

#include "package/package_checksum.h"
#include "test_support.h"

TEST(PackageChecksum, KnownVectors) {
  EXPECT_EQ(PackageChecksum("", 0), 0u);
  EXPECT_EQ(PackageChecksum("abc", 3), 0xCA6598D0u);
  // One byte is one table step from 0: the table entry itself.
  const unsigned char one = 1;
  EXPECT_EQ(PackageChecksum(&one, 1), 0x77073096u);
  const unsigned char zeros[4] = {0, 0, 0, 0};
  EXPECT_EQ(PackageChecksum(zeros, 4), 0u) << "started from 0, zero bytes keep it 0";
}

TEST(PackageChecksum, UpdateContinuesOverPieces) {
  const pkgtest::Bytes data = pkgtest::NoiseBytes(1000, 9);
  const std::uint32_t whole = PackageChecksum(data.data(), data.size());
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{499}, std::size_t{1000}}) {
    const std::uint32_t first = PackageChecksum(data.data(), cut);
    EXPECT_EQ(PackageChecksumUpdate(first, data.data() + cut, data.size() - cut), whole) << cut;
  }
}

// The checksum rides on zlib's multi-byte CRC; it must agree with the plain
// definition (one table step per byte from 0, no inversions) at every length
// and alignment, where the multi-byte loops take different paths.
TEST(PackageChecksum, MatchesTheByteByByteDefinition) {
  std::uint32_t table[256];
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
    table[n] = c;
  }
  const pkgtest::Bytes data = pkgtest::NoiseBytes(4099, 3);
  for (std::size_t start : {std::size_t{0}, std::size_t{1}, std::size_t{3}}) {
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{4096}}) {
      std::uint32_t h = 0;
      for (std::size_t i = start; i < start + length; ++i) h = table[(h ^ data[i]) & 0xFFu] ^ (h >> 8);
      EXPECT_EQ(PackageChecksum(data.data() + start, length), h) << start << "+" << length;
    }
  }
}
