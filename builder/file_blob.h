// Compresses source files into DataBlobs while reading them in pieces, so
// that only the compressed bytes stay in memory. The bytes equal what
// MakeDataBlob gives for the whole contents (same zlib settings).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace builder {

// One compressing thread's tools: the zlib stream and the buffers are made
// once and reset for every file, which is what makes many small files cheap
// (a fresh deflate state and its buffers cost more than a 2 KiB file's
// compression).
class BlobMaker {
 public:
  BlobMaker();
  ~BlobMaker();
  BlobMaker(const BlobMaker&) = delete;
  BlobMaker& operator=(const BlobMaker&) = delete;

  // An empty file gives an empty blob (stored with data length 0). False
  // with *error naming the file when it cannot be read or passes maxSize
  // bytes. expectedSize (from the listing) only sizes the buffers.
  bool Make(const std::filesystem::path& file, std::uint64_t expectedSize, std::uint64_t maxSize,
            std::vector<std::uint8_t>& blob, std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One file with tools of its own.
bool MakeFileBlob(const std::filesystem::path& file, std::uint64_t maxSize, std::vector<std::uint8_t>& blob,
                  std::string& error);

}  // namespace builder
