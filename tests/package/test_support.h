// Helpers of the package tests: a temporary folder that removes itself,
// whole-file reads and writes through the platform file layer, a
// little-endian byte builder for packages written by hand, and the sample
// package that most tests read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/package_layout.h"

namespace pkgtest {

using Bytes = std::vector<std::uint8_t>;

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, as the wide path the package reader takes.
  const std::wstring& Path() const { return path_; }
  // path\name; name may hold backslashes.
  std::wstring Join(std::wstring_view name) const;

 private:
  std::wstring path_;
};

std::optional<Bytes> ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const Bytes& bytes);
bool FolderExists(const std::wstring& path);

// Appends little-endian integers and raw bytes.
class ByteBuilder {
 public:
  ByteBuilder& U8(std::uint8_t v);
  ByteBuilder& U16(std::uint16_t v);
  ByteBuilder& U32(std::uint32_t v);
  ByteBuilder& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
  ByteBuilder& Raw(std::string_view text);
  ByteBuilder& Raw(const Bytes& bytes);
  std::int32_t Size() const { return static_cast<std::int32_t>(bytes_.size()); }
  Bytes& Get() { return bytes_; }

 private:
  Bytes bytes_;
};

// Bytes standing in for the installer image in front of a package.
Bytes ImageBytes();
// Deterministic bytes that compress badly.
Bytes NoiseBytes(std::size_t size, std::uint32_t seed);

// The sample package: image, five texts, picture, agreement, folders, files
// (one empty, one with a Chinese name) and two shortcuts.
struct SampleFile {
  std::string name;  // UTF-8 entry name
  bool folder;
  Bytes contents;
};
std::vector<SampleFile> SampleEntries();
Bytes SamplePackage();
// The trailer of a package held in memory.
PackageTrailer TrailerOf(const Bytes& package);

// The wide form of UTF-8 (through the platform converter).
std::wstring W(std::string_view utf8);

}  // namespace pkgtest
