// Makes DataBlobs: checksum, raw length and one zlib stream (32 KiB window)
// of a file's or a text's bytes. Contents of up to a one-shot limit are
// compressed whole, with libdeflate where the build has it (the same zlib
// format as zlib's deflate, at two to three times its speed); larger files
// go through zlib's deflate in pieces that are handed on as they come, so
// that no file needs memory of its size. Every stream decodes with zlib's
// inflate, the installer's decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "package/package_layout.h"

namespace builder {

// Compression levels: 1 (fastest) to 12 (smallest); zlib's deflate, where
// it writes a stream, takes the level up to its own highest, 9. Level 6,
// the default, writes streams that begin 78 9C like zlib's default.
constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 12;
constexpr int kDefaultLevel = 6;

// Files larger than this are compressed in pieces (StreamFile) instead of
// whole: a compressing thread holds at most this much source and about as
// much compressed output.
constexpr std::uint64_t kOneShotLimit = 32u << 20;

// Where a stream made in pieces goes, in order.
class PieceSink {
 public:
  virtual ~PieceSink() = default;
  // False stops the compression; the sink keeps its own reason.
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

// One compressing thread's tools, made once and reused for every file: a
// fresh compressor state and its buffers cost more than a small file's
// compression.
class BlobCompressor {
 public:
  explicit BlobCompressor(int level = kDefaultLevel);
  ~BlobCompressor();
  BlobCompressor(const BlobCompressor&) = delete;
  BlobCompressor& operator=(const BlobCompressor&) = delete;

  // The blob of size bytes; false when out of memory or size passes
  // PKG_MAX_RAW_LENGTH.
  bool Compress(const void* data, std::size_t size, std::vector<std::uint8_t>& blob);

  // A whole file of at most limit bytes (expectedSize, from the listing,
  // sizes the read): an empty file gives an empty blob (stored with data
  // length 0). False with *error naming the file when it cannot be read or
  // has grown past limit.
  bool CompressFile(const std::filesystem::path& file, std::uint64_t expectedSize, std::uint64_t limit,
                    std::vector<std::uint8_t>& blob, std::string& error);

  // A file of any size up to maxSize: the stream goes to sink in pieces and
  // *head receives its checksum and the raw length once it is complete.
  // False with *error naming the file when it cannot be read or compressed,
  // grows past maxSize, or the sink refuses a piece (*error is then empty).
  bool StreamFile(const std::filesystem::path& file, std::uint64_t maxSize, PieceSink& sink, DataBlob& head,
                  std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The blob of size bytes at the default level; empty when out of memory or
// size passes PKG_MAX_RAW_LENGTH.
std::vector<std::uint8_t> MakeDataBlob(const void* data, std::size_t size);

}  // namespace builder
