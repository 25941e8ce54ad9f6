// ByteBuffer: storage that grows only when a store needs more room than it
// has, keeps a 0 byte behind the stored bytes, and decodes DataBlobs.
#include "package/byte_buffer.h"

#include <zlib.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "package/package_checksum.h"
#include "package/package_layout.h"
#include "platform/utf.h"

ByteBuffer::~ByteBuffer() { delete[] data_; }

void ByteBuffer::Clear() {
  length_ = 0;
  if (data_) data_[0] = 0;
}

unsigned char* ByteBuffer::At(int i) const {
  if (i < 0 || i >= length_) return nullptr;
  return data_ + i;
}

bool ByteBuffer::Assign(const void* src, int n) {
  if (n <= 0) {
    length_ = 0;
    return true;
  }
  if (n >= capacity_) {
    if (n == INT_MAX) return false;
    auto* block = new (std::nothrow) unsigned char[static_cast<std::size_t>(n) + 1];
    if (!block) return false;
    // src may point into the old storage only when n < capacity, so the old
    // block can go before the copy.
    delete[] data_;
    data_ = block;
    capacity_ = n + 1;
  }
  std::memmove(data_, src, static_cast<std::size_t>(n));
  length_ = n;
  data_[n] = 0;
  return true;
}

unsigned char* ByteBuffer::Prepare(int n) {
  if (n <= 0 || n == INT_MAX) return nullptr;
  if (n >= capacity_) {
    auto* block = new (std::nothrow) unsigned char[static_cast<std::size_t>(n) + 1];
    if (!block) return nullptr;
    delete[] data_;
    data_ = block;
    capacity_ = n + 1;
  }
  length_ = n;
  data_[n] = 0;
  return data_;
}

bool ByteBuffer::Inflate() {
  if (length_ <= kDataBlobHeadSize) return false;
  DataBlob head;
  std::memcpy(&head, data_, sizeof head);
  const unsigned char* stream = data_ + kDataBlobHeadSize;
  const std::size_t streamLength = static_cast<std::size_t>(length_ - kDataBlobHeadSize);
  if (head.checksum != PackageChecksum(stream, streamLength)) return false;
  if (head.rawLength < 0 || head.rawLength > PKG_MAX_RAW_LENGTH) return false;

  const std::size_t raw = static_cast<std::size_t>(head.rawLength);
  auto* block = new (std::nothrow) unsigned char[raw + 1];
  if (!block) return false;
  uLongf destLen = static_cast<uLongf>(raw);
  const int rc = uncompress(block, &destLen, stream, static_cast<uLong>(streamLength));
  if (rc != Z_OK) {
    delete[] block;
    return false;
  }
  const int n = static_cast<int>(destLen);
  if (n == head.rawLength) {
    // The block holds exactly the decoded bytes and their 0: keep it instead
    // of copying the contents once more (a stored file that did not shrink
    // would otherwise be copied into the blob's own, larger storage).
    delete[] data_;
    data_ = block;
    capacity_ = n + 1;
    length_ = n;
    data_[n] = 0;
    return true;
  }
  // Assign keeps the stored blob when it cannot grow. Nothing decoded is an
  // empty text: Assign of 0 bytes would leave the blob's first byte behind
  // the length, so the buffer is cleared instead.
  if (n == 0) {
    delete[] block;
    Clear();
    return true;
  }
  const bool ok = Assign(block, n);
  delete[] block;
  return ok;
}

void ByteBuffer::ToWide(std::wstring& out) const {
  if (length_ <= 0) {
    out.clear();
    return;
  }
  std::wstring wide =
      platform::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data_), static_cast<std::size_t>(length_)));
  // The text ends at its first 0 unit, as a zero-terminated string does.
  const std::size_t end = wide.find(L'\0');
  if (end != std::wstring::npos) wide.resize(end);
  out = std::move(wide);
}

void ByteBuffer::FromWide(const std::wstring& in) {
  if (in.empty()) {
    Clear();
    return;
  }
  const std::string bytes = platform::WideToUtf8(in);
  const std::int64_t n = static_cast<std::int64_t>(in.size());
  const std::int64_t room = 4 * n + 2;
  if (room > INT_MAX || static_cast<std::int64_t>(bytes.size()) > room - 2) {
    Clear();
    return;
  }
  if (capacity_ <= room - 1) {
    auto* block = new (std::nothrow) unsigned char[static_cast<std::size_t>(room)];
    if (!block) {
      Clear();
      return;
    }
    delete[] data_;
    data_ = block;
    capacity_ = static_cast<int>(room);
  }
  std::memcpy(data_, bytes.data(), bytes.size());
  length_ = static_cast<int>(bytes.size());
  data_[length_] = 0;
}
