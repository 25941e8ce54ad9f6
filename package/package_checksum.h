// The package's 32-bit checksum: the table of the usual CRC-32 (reflected
// polynomial 0xEDB88320), but started from 0 and without the final inversion.
// The empty sequence gives 0; "abc" gives 0xCA6598D0.
#pragma once

#include <cstddef>
#include <cstdint>

std::uint32_t PackageChecksum(const void* data, std::size_t length);

// Continues a checksum over more bytes: PackageChecksumUpdate(PackageChecksum(a), b)
// equals the checksum of a followed by b.
std::uint32_t PackageChecksumUpdate(std::uint32_t h, const void* data, std::size_t length);
