// ByteBuffer: storage that grows only when a store needs more room than it
// has, keeps a 0 byte behind the stored bytes, and decodes DataBlobs.
#include "package/byte_buffer.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "package/blob_decoder.h"
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

namespace {

// Collects decoded bytes in a block that grows as they come: the raw length
// in the blob's head is not trusted for an allocation up front, the decoder
// only guarantees never to go beyond it.
class GrowingBlock : public BlobSink {
 public:
  explicit GrowingBlock(std::int32_t rawLength) : rawLength_(rawLength) {}
  ~GrowingBlock() override { delete[] data_; }
  bool Put(const unsigned char* data, std::size_t size) override {
    if (!Reserve(length_ + size)) return false;
    std::memcpy(data_ + length_, data, size);
    length_ += size;
    return true;
  }
  // Room for n bytes and a 0 behind them.
  bool Reserve(std::size_t n) {
    if (n < capacity_) return true;
    std::size_t grown = capacity_ < (1u << 16) ? (1u << 16) : capacity_ * 2;
    const std::size_t most = static_cast<std::size_t>(rawLength_) + 1;
    if (grown > most) grown = most;
    if (grown <= n) grown = n + 1;
    auto* block = new (std::nothrow) unsigned char[grown];
    if (!block) return false;
    if (length_ > 0) std::memcpy(block, data_, length_);
    delete[] data_;
    data_ = block;
    capacity_ = grown;
    return true;
  }
  unsigned char* Release() {
    unsigned char* p = data_;
    data_ = nullptr;
    return p;
  }
  std::size_t Length() const { return length_; }
  std::size_t Capacity() const { return capacity_; }

 private:
  std::int32_t rawLength_;
  unsigned char* data_ = nullptr;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace

bool ByteBuffer::Inflate() {
  if (length_ <= kDataBlobHeadSize) return false;
  DataBlob head;
  std::memcpy(&head, data_, sizeof head);
  GrowingBlock decoded(head.rawLength);
  if (!DecodeBlob(data_, static_cast<std::size_t>(length_), &decoded) || decoded.Length() >= INT_MAX ||
      !decoded.Reserve(decoded.Length())) {
    return false;
  }
  // The decoded block, with its 0, becomes the storage.
  capacity_ = static_cast<int>(decoded.Capacity());
  length_ = static_cast<int>(decoded.Length());
  delete[] data_;
  data_ = decoded.Release();
  data_[length_] = 0;
  return true;
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
