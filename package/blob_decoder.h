// The one decoder of DataBlobs (file contents and the agreement text): the
// checksum and zlib's inflate run over the stored stream in one pass, piece
// by piece, and the decoded bytes go to a sink as they come, so that a blob
// of any size decodes in bounded memory.
//
// A blob decodes only when it is longer than its 8-byte head, its checksum
// matches, its stream is a valid zlib stream (window up to 32 KiB) that ends
// exactly at the blob's last byte, and the stream gives exactly raw-length
// bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "package/package_layout.h"

// Where decoded bytes go; false stops the decoding (a write failed).
class BlobSink {
 public:
  virtual ~BlobSink() = default;
  virtual bool Put(const unsigned char* data, std::size_t size) = 0;
};

class BlobDecoder {
 public:
  // Decoded bytes reach the sink in pieces of at most this many bytes.
  static constexpr std::size_t kPieceSize = 128 * 1024;

  BlobDecoder();
  ~BlobDecoder();
  BlobDecoder(const BlobDecoder&) = delete;
  BlobDecoder& operator=(const BlobDecoder&) = delete;

  // Starts a blob of length bytes (head included) whose head is head; the
  // decoded bytes go to sink, or nowhere when it is null. Without inflate
  // only the checksum is formed and checked: a cheap look for damage, which
  // says nothing about the stream. False, with the fault set, when no stream
  // could make the blob decode (8 bytes or fewer, a negative raw length).
  bool Begin(const DataBlob& head, std::int64_t length, BlobSink* sink, bool inflate = true);
  // The next bytes of the stream, in order. False once the blob has failed
  // (the stream is broken or gives more than its raw length, or the sink
  // refused); bytes fed after that only go into the checksum.
  bool Feed(const unsigned char* data, std::size_t size);
  // After the whole stream was fed: true when the blob decoded. A wrong
  // checksum is reported before any fault of the stream.
  bool Finish();

  // The first fault: its offset from the blob's first byte, and what it is.
  std::int64_t FaultOffset() const { return faultOffset_; }
  const std::string& Fault() const { return fault_; }
  // Bytes decoded so far.
  std::int64_t Produced() const { return produced_; }

 private:
  bool Fail(std::int64_t offset, std::string what);
  bool Flush();
  // Runs inflate over what it holds; false on a fault.
  bool Pump();

  struct Stream;
  Stream* z_ = nullptr;
  unsigned char* piece_ = nullptr;
  std::size_t pieceUsed_ = 0;
  BlobSink* sink_ = nullptr;
  DataBlob head_{};
  std::int64_t length_ = 0;
  std::int64_t fed_ = 0;  // stream bytes fed so far
  std::int64_t produced_ = 0;
  std::uint32_t checksum_ = 0;
  bool inflate_ = true;
  bool ended_ = false;
  bool failed_ = false;
  std::int64_t faultOffset_ = 0;
  std::string fault_;
};

// Decodes a blob held whole in memory; true when it decodes (see above).
bool DecodeBlob(const unsigned char* blob, std::size_t length, BlobSink* sink);
