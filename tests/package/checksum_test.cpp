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
