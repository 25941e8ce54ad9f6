// Growable byte buffer under every package read: holds raw bytes, decodes a
// DataBlob in place, and converts between UTF-8 bytes and UTF-16 strings.
#pragma once

#include <string>

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer();
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  // Length 0; the first stored byte (if any) becomes 0; capacity kept.
  void Clear();
  // Pointer to byte i when 0 <= i < length, else null.
  unsigned char* At(int i) const;
  // Copies n bytes in; n <= 0 only sets the length to 0. Grows to exactly
  // n + 1 bytes when n >= capacity. False only when the storage cannot grow.
  bool Assign(const void* src, int n);
  // Makes room for n > 0 bytes as Assign does, sets the length to n and
  // returns the storage for the caller to fill (the bytes are undefined
  // until then); null, with the buffer unchanged, when it cannot grow.
  unsigned char* Prepare(int n);
  // Decodes the DataBlob held in the buffer in place (the one rule of
  // BlobDecoder: checksum, a whole stream, exactly the raw length); on
  // failure the buffer is unchanged.
  bool Inflate();
  // UTF-8 bytes to a wide string (malformed input becomes U+FFFD).
  void ToWide(std::wstring& out) const;
  // Wide string to UTF-8 bytes; grows to 4n + 2 bytes when capacity <= 4n + 1.
  void FromWide(const std::wstring& in);

  unsigned char* Data() const { return data_; }
  int Length() const { return length_; }
  int Capacity() const { return capacity_; }

 private:
  unsigned char* data_ = nullptr;
  int length_ = 0;
  int capacity_ = 0;
};
