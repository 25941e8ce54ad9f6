// The blob decoder, through ByteBuffer::Inflate, on arbitrary bytes. Most
// inputs fail the checksum at once, so every input is tried twice: as it is,
// and with its first word replaced by the checksum of the rest, which sends
// the stream to zlib.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/byte_buffer.h"
#include "package/package_checksum.h"
#include "package/package_layout.h"

namespace {

void Try(const std::vector<std::uint8_t>& blob) {
  ByteBuffer buffer;
  if (!buffer.Assign(blob.data(), static_cast<int>(blob.size()))) return;
  if (!buffer.Inflate()) {
    // On failure the buffer holds what it held.
    if (std::vector<std::uint8_t>(buffer.Data(), buffer.Data() + buffer.Length()) != blob) std::abort();
    return;
  }
  // Decoded: exactly the declared raw length, and 0-terminated.
  DataBlob head;
  std::memcpy(&head, blob.data(), sizeof head);
  if (buffer.Length() != head.rawLength || (buffer.Data() && buffer.Data()[buffer.Length()] != 0)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<std::uint8_t> blob(data, data + size);
  Try(blob);
  if (size <= sizeof(DataBlob)) return 0;
  const std::uint32_t sum = PackageChecksum(blob.data() + sizeof(DataBlob), size - sizeof(DataBlob));
  std::memcpy(blob.data(), &sum, sizeof sum);
  // Keep the raw length within what deflate can expand the stream to
  // (1032:1), so that the fuzzer spends its time in zlib, not the allocator.
  std::int32_t raw;
  std::memcpy(&raw, blob.data() + 4, sizeof raw);
  const std::uint32_t most = static_cast<std::uint32_t>(size) * 1032u + 64u;
  raw = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) % (most + 1));
  std::memcpy(blob.data() + 4, &raw, sizeof raw);
  Try(blob);
  return 0;
}
