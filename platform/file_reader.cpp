#include "platform/file_reader.h"

#include <cstring>
#include <new>

namespace platform {

FileReader::FileReader() : buffer_(new (std::nothrow) unsigned char[kCapacity]) {}

void FileReader::Attach(File* file) {
  file_ = file;
  start_ = 0;
  size_ = 0;
  position_ = -1;
}

bool FileReader::Load(std::int64_t offset) {
  size_ = 0;
  start_ = offset;
  if (!file_ || !buffer_ || offset < 0) return false;
  if (position_ != offset && !file_->Seek(offset)) {
    position_ = -1;
    return false;
  }
  std::uint32_t got = 0;
  if (!file_->Read(buffer_.get(), static_cast<std::uint32_t>(kCapacity), &got)) {
    position_ = -1;
    return false;
  }
  size_ = got;
  position_ = offset + got;
  return got > 0;
}

const unsigned char* FileReader::Peek(std::int64_t offset, std::size_t n) {
  if (n > kCapacity || offset < 0) return nullptr;
  if (!Holds(offset, n) && (!Load(offset) || size_ < n)) return nullptr;
  return buffer_.get() + (offset - start_);
}

const unsigned char* FileReader::Next(std::int64_t offset, std::size_t want, std::size_t* got) {
  *got = 0;
  if (want == 0 || offset < 0) return nullptr;
  if (!Holds(offset, 1) && !Load(offset)) return nullptr;
  const std::size_t at = static_cast<std::size_t>(offset - start_);
  *got = size_ - at < want ? size_ - at : want;
  return buffer_.get() + at;
}

bool FileReader::ReadAt(std::int64_t offset, void* out, std::size_t n) {
  auto* to = static_cast<unsigned char*>(out);
  if (offset < 0) return false;
  while (n > 0) {
    if (Holds(offset, 1)) {
      const std::size_t at = static_cast<std::size_t>(offset - start_);
      const std::size_t part = size_ - at < n ? size_ - at : n;
      std::memcpy(to, buffer_.get() + at, part);
      to += part;
      offset += static_cast<std::int64_t>(part);
      n -= part;
      continue;
    }
    if (n < kCapacity) {
      if (!Load(offset)) return false;
      continue;
    }
    // A large read skips the buffer, in pieces the file layer counts in 32 bits.
    if (!file_ || (position_ != offset && !file_->Seek(offset))) {
      position_ = -1;
      return false;
    }
    const std::size_t part = n < (std::size_t{1} << 30) ? n : (std::size_t{1} << 30);
    std::uint32_t got = 0;
    const bool ok = file_->Read(to, static_cast<std::uint32_t>(part), &got);
    position_ = ok ? offset + got : -1;
    if (!ok || got != part) return false;
    to += part;
    offset += static_cast<std::int64_t>(part);
    n -= part;
  }
  return true;
}

}  // namespace platform
