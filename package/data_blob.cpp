// MakeDataBlob: checksum, raw length and one zlib stream (default level,
// 32 KiB window) of the bytes.
#include <zlib.h>

#include <cstring>
#include <new>

#include "package/package_checksum.h"
#include "package/package_writer.h"

std::vector<std::uint8_t> MakeDataBlob(const void* data, std::size_t size) {
  if (size > static_cast<std::size_t>(PKG_MAX_RAW_LENGTH)) return {};
  z_stream z;
  std::memset(&z, 0, sizeof z);
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  std::vector<std::uint8_t> blob;
  try {
    blob.resize(kDataBlobHeadSize + deflateBound(&z, static_cast<uLong>(size)));
  } catch (const std::bad_alloc&) {
    deflateEnd(&z);
    return {};
  }
  // zlib takes a non-const input pointer but does not write through it.
  z.next_in = const_cast<Bytef*>(static_cast<const Bytef*>(data));
  z.avail_in = static_cast<uInt>(size);
  z.next_out = blob.data() + kDataBlobHeadSize;
  z.avail_out = static_cast<uInt>(blob.size() - kDataBlobHeadSize);
  const int rc = deflate(&z, Z_FINISH);
  const std::size_t streamLength = z.total_out;
  deflateEnd(&z);
  if (rc != Z_STREAM_END) return {};
  blob.resize(kDataBlobHeadSize + streamLength);

  DataBlob head;
  head.checksum = PackageChecksum(blob.data() + kDataBlobHeadSize, streamLength);
  head.rawLength = static_cast<std::int32_t>(size);
  std::memcpy(blob.data(), &head, sizeof head);
  return blob;
}
