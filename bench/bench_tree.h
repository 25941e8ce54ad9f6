// The benchmark's source tree: files of mixed sizes, half of the bytes
// compressible text, half incompressible noise, spread over folders.
// Deterministic for a given size.
#pragma once

#include <cstdint>
#include <filesystem>

namespace bench {

struct TreeStats {
  int folders = 0;
  int files = 0;
  std::uint64_t bytes = 0;
};

TreeStats MakeBenchTree(const std::filesystem::path& root, std::uint64_t totalBytes);

}  // namespace bench
