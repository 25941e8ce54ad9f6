// Compresses one source file into a DataBlob while reading it in pieces, so
// that only the compressed bytes stay in memory. The bytes equal what
// MakeDataBlob gives for the whole contents (same zlib settings).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace builder {

// An empty file gives an empty blob (stored with data length 0). False with
// *error naming the file when it cannot be read or passes maxSize bytes.
bool MakeFileBlob(const std::filesystem::path& file, std::uint64_t maxSize, std::vector<std::uint8_t>& blob,
                  std::string& error);

}  // namespace builder
