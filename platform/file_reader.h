// Reads a file through one buffer: bytes read once are served again from
// memory, and the file position is moved only when a read does not go on
// where the last one ended. The package reader and its walker read headers
// and names through it, and stored data in pieces of the buffer's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/file.h"

namespace platform {

class FileReader {
 public:
  static constexpr std::size_t kCapacity = 128 * 1024;

  FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Reads from file from now on (null: from nothing); buffered bytes are forgotten.
  void Attach(File* file);

  // The n bytes at offset (n <= kCapacity), valid until the next call; null
  // when the file does not hold them all or cannot be read.
  const unsigned char* Peek(std::int64_t offset, std::size_t n);
  // Between 1 and want bytes at offset, as many as one buffer holds, valid
  // until the next call; *got is their number. Null at the end of the file
  // or on a read error.
  const unsigned char* Next(std::int64_t offset, std::size_t want, std::size_t* got);
  // Exactly n bytes at offset into out; false when they are not all there.
  // Reads of a buffer's size or more go straight into out.
  bool ReadAt(std::int64_t offset, void* out, std::size_t n);

 private:
  // Fills the buffer with the bytes from offset on.
  bool Load(std::int64_t offset);
  bool Holds(std::int64_t offset, std::size_t n) const {
    return file_ && offset >= start_ && offset - start_ <= static_cast<std::int64_t>(size_) &&
           n <= size_ - static_cast<std::size_t>(offset - start_);
  }

  File* file_ = nullptr;
  std::unique_ptr<unsigned char[]> buffer_;
  std::int64_t start_ = 0;      // file offset of buffer_[0]
  std::size_t size_ = 0;        // bytes held
  std::int64_t position_ = -1;  // where the file's own position stands; -1 unknown
};

}  // namespace platform
