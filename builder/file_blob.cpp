#include "builder/file_blob.h"

#include <cstring>
#include <fstream>
#include <new>

#include <zlib.h>

#include "builder/path_text.h"
#include "package/package_checksum.h"
#include "package/package_layout.h"

namespace builder {
namespace {

constexpr std::size_t kReadPiece = 1u << 20;

class Deflater {
 public:
  Deflater() { ok_ = deflateInit(&zs_, Z_DEFAULT_COMPRESSION) == Z_OK; }
  ~Deflater() {
    if (ok_) deflateEnd(&zs_);
  }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  bool ok() const { return ok_; }
  z_stream* operator->() { return &zs_; }
  z_stream* get() { return &zs_; }

 private:
  z_stream zs_{};
  bool ok_ = false;
};

bool Fail(const std::filesystem::path& file, const std::string& what, std::string& error) {
  error = PathToUtf8(file) + ": " + what;
  return false;
}

}  // namespace

bool MakeFileBlob(const std::filesystem::path& file, std::uint64_t maxSize, std::vector<std::uint8_t>& blob,
                  std::string& error) {
  blob.clear();
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail(file, "cannot be opened for reading", error);

  Deflater zs;
  if (!zs.ok()) return Fail(file, "cannot start the compressor", error);
  std::vector<char> piece(kReadPiece);
  std::vector<std::uint8_t> out(kDataBlobHeadSize + kReadPiece / 4);
  std::size_t used = kDataBlobHeadSize;
  std::uint64_t total = 0;
  bool finished = false;
  while (!finished) {
    in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
    std::size_t got = static_cast<std::size_t>(in.gcount());
    if (in.bad()) return Fail(file, "cannot be read", error);
    total += got;
    if (total > maxSize) return Fail(file, "grew past " + std::to_string(maxSize) + " bytes while being read", error);
    const bool last = got < piece.size();
    zs->next_in = reinterpret_cast<Bytef*>(piece.data());
    zs->avail_in = static_cast<uInt>(got);
    for (;;) {
      if (out.size() - used < 64 * 1024) out.resize(out.size() * 2);
      zs->next_out = out.data() + used;
      zs->avail_out = static_cast<uInt>(out.size() - used);
      int rc = deflate(zs.get(), last ? Z_FINISH : Z_NO_FLUSH);
      used = out.size() - zs->avail_out;
      if (rc == Z_STREAM_END) {
        finished = true;
        break;
      }
      if (rc != Z_OK && rc != Z_BUF_ERROR) return Fail(file, "cannot be compressed", error);
      if (!last && zs->avail_in == 0) break;
    }
  }
  if (total == 0) return true;  // empty file: no blob
  out.resize(used);
  DataBlob head{PackageChecksum(out.data() + kDataBlobHeadSize, used - kDataBlobHeadSize),
                static_cast<std::int32_t>(total)};
  std::memcpy(out.data(), &head, sizeof head);
  blob = std::move(out);
  return true;
}

}  // namespace builder
