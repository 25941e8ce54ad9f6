#include "bytes.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/file.h"

namespace support {

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Add32(Bytes& b, std::uint32_t v) {
  b.resize(b.size() + 4);
  Put32(b, b.size() - 4, v);
}

void Add(Bytes& b, std::string_view text) { b.insert(b.end(), text.begin(), text.end()); }

Bytes Noise(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return bytes;
}

Bytes Blob(std::string_view contents, std::int32_t rawDelta, std::string_view tail) {
  uLongf size = compressBound(static_cast<uLong>(contents.size()));
  Bytes stream(size);
  compress2(stream.data(), &size, reinterpret_cast<const Bytef*>(contents.data()), static_cast<uLong>(contents.size()),
            6);
  stream.resize(size);
  Add(stream, tail);
  Bytes blob;
  Add32(blob, ~static_cast<std::uint32_t>(crc32(0xFFFFFFFFul, stream.data(), static_cast<uInt>(stream.size()))));
  Add32(blob, static_cast<std::uint32_t>(static_cast<std::int32_t>(contents.size()) + rawDelta));
  blob.insert(blob.end(), stream.begin(), stream.end());
  return blob;
}

void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path OnDisk(const std::wstring& path) {
#ifdef _WIN32
  return std::filesystem::path(path);
#else
  return std::filesystem::path(platform::NativePath(path));
#endif
}

std::vector<std::string> Snapshot(const std::filesystem::path& root) {
  std::vector<std::string> lines;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    const std::u8string rel = e.path().lexically_relative(root).generic_u8string();
    const std::string name(rel.begin(), rel.end());
    lines.push_back(e.is_directory() ? "D " + name : "F " + name + " " + ReadFile(e.path()));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace support
