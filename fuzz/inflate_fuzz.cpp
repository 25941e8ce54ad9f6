// The blob decoder, through ByteBuffer::Inflate, on arbitrary bytes. Most inputs fail the checksum at
// once, so every input is tried twice: as it is, and with its first word
// replaced by the checksum of the rest, which sends the stream to zlib.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/byte_buffer.h"
#include "package/package_checksum.h"
#include "package/package_layout.h"

namespace {

void Try(const std::uint8_t* data, std::size_t size) {
  ByteBuffer buffer;
  if (!buffer.Assign(data, static_cast<int>(size))) return;
  const std::vector<std::uint8_t> before(data, data + size);
  if (!buffer.Inflate()) {
    // On failure the buffer holds what it held.
    if (buffer.Length() != static_cast<int>(size) ||
        (size > 0 && std::memcmp(buffer.Data(), before.data(), size) != 0)) {
      std::abort();
    }
    return;
  }
  // Decoded: exactly the declared raw length, and 0-terminated.
  DataBlob head;
  std::memcpy(&head, before.data(), sizeof head);
  if (buffer.Length() != head.rawLength) std::abort();
  if (buffer.Data() && buffer.Data()[buffer.Length()] != 0) std::abort();
  std::wstring text;
  buffer.ToWide(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  Try(data, size);
  if (size > sizeof(DataBlob)) {
    std::vector<std::uint8_t> fixed(data, data + size);
    const std::uint32_t sum = PackageChecksum(fixed.data() + sizeof(DataBlob), size - sizeof(DataBlob));
    std::memcpy(fixed.data(), &sum, sizeof sum);
    // Keep the declared raw length within what deflate can expand the
    // stream to (1032:1), so that the decoding buffer stays small and the
    // fuzzer spends its time in zlib rather than in the allocator.
    std::int32_t raw;
    std::memcpy(&raw, fixed.data() + 4, sizeof raw);
    const std::uint32_t most = static_cast<std::uint32_t>(size) * 1032u + 64u;
    if (raw < 0 || static_cast<std::uint32_t>(raw) > most) {
      raw = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) % (most + 1));
      std::memcpy(fixed.data() + 4, &raw, sizeof raw);
    }
    Try(fixed.data(), fixed.size());
  }
  return 0;
}
