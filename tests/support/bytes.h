// Bytes for tests: little-endian words, noise that does not compress, blobs
// made with zlib itself (not with the package library), whole files, and the
// reader's backslash paths as std::filesystem takes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace support {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v);
void Add32(Bytes& b, std::uint32_t v);
void Add(Bytes& b, std::string_view text);

// Deterministic bytes that compress badly.
Bytes Noise(std::size_t size, std::uint32_t seed);

// A blob of contents: the checksum (zlib's crc32 started from 0xFFFFFFFF,
// not inverted), the raw length plus rawDelta, the zlib stream of compress2
// at level 6, then tail (inside the checksum).
Bytes Blob(std::string_view contents, std::int32_t rawDelta = 0, std::string_view tail = "");

// Writes bytes to a file, making its folders; reads a whole file.
void WriteFile(const std::filesystem::path& file, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& file);
inline void WriteBytes(const std::filesystem::path& file, const Bytes& b) {
  WriteFile(file, std::string_view(reinterpret_cast<const char*>(b.data()), b.size()));
}
inline Bytes ReadBytes(const std::filesystem::path& file) {
  const std::string s = ReadFile(file);
  return Bytes(s.begin(), s.end());
}

// A wide path as the package reader takes it ("\" between names), on disk.
std::filesystem::path OnDisk(const std::wstring& path);
// "D name" / "F name <contents>" for every folder and file below root, sorted.
std::vector<std::string> Snapshot(const std::filesystem::path& root);

}  // namespace support
