#include "builder/file_blob.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include <zlib.h>

#include "builder/path_text.h"
#include "package/package_checksum.h"
#include "package/package_layout.h"

namespace builder {
namespace {

constexpr std::size_t kReadPiece = 1u << 20;
// Room kept free in the output before each deflate call.
constexpr std::size_t kOutputSlack = 64 * 1024;

bool Fail(const std::filesystem::path& file, const std::string& what, std::string& error) {
  error = PathToUtf8(file) + ": " + what;
  return false;
}

}  // namespace

struct BlobMaker::State {
  State() { ready = deflateInit(&zs, Z_DEFAULT_COMPRESSION) == Z_OK; }
  ~State() {
    if (ready) deflateEnd(&zs);
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  z_stream zs{};
  bool ready = false;
  std::vector<char> piece;           // read buffer, at most kReadPiece
  std::vector<std::uint8_t> output;  // compressed bytes of files smaller than a piece
};

BlobMaker::BlobMaker() : state_(std::make_unique<State>()) {}

BlobMaker::~BlobMaker() = default;

bool BlobMaker::Make(const std::filesystem::path& file, std::uint64_t expectedSize, std::uint64_t maxSize,
                     std::vector<std::uint8_t>& blob, std::string& error) {
  blob.clear();
  State& s = *state_;
  if (!s.ready || deflateReset(&s.zs) != Z_OK) return Fail(file, "cannot start the compressor", error);
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail(file, "cannot be opened for reading", error);

  // A file that fits one piece is read with one call (the second only meets
  // the end) and compressed into the reused output, then copied out at its
  // exact size; a larger one gets an output of its own that is handed on.
  const bool small = expectedSize < kReadPiece;
  const std::size_t want = small ? static_cast<std::size_t>(expectedSize) + 1 : kReadPiece;
  if (s.piece.size() < want) s.piece.resize(std::max<std::size_t>(want, 4096));
  std::vector<std::uint8_t> own;
  std::vector<std::uint8_t>& out = small ? s.output : own;
  if (small && out.size() < kDataBlobHeadSize + kOutputSlack) out.resize(kDataBlobHeadSize + 2 * kOutputSlack);
  if (!small) out.resize(kDataBlobHeadSize + kReadPiece / 4);

  z_stream& zs = s.zs;
  std::size_t used = kDataBlobHeadSize;
  std::uint64_t total = 0;
  bool finished = false;
  while (!finished) {
    in.read(s.piece.data(), static_cast<std::streamsize>(s.piece.size()));
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    if (in.bad()) return Fail(file, "cannot be read", error);
    total += got;
    if (total > maxSize) return Fail(file, "grew past " + std::to_string(maxSize) + " bytes while being read", error);
    const bool last = got < s.piece.size();
    zs.next_in = reinterpret_cast<Bytef*>(s.piece.data());
    zs.avail_in = static_cast<uInt>(got);
    for (;;) {
      if (out.size() - used < kOutputSlack) out.resize(out.size() * 2);
      zs.next_out = out.data() + used;
      zs.avail_out = static_cast<uInt>(out.size() - used);
      const int rc = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
      used = out.size() - zs.avail_out;
      if (rc == Z_STREAM_END) {
        finished = true;
        break;
      }
      // Input is always waiting and room always free, so anything else (Z_BUF_ERROR
      // included: no progress possible) is a fault, not a reason to call again.
      if (rc != Z_OK) return Fail(file, "cannot be compressed", error);
      if (!last && zs.avail_in == 0) break;
    }
  }
  if (total == 0) return true;  // empty file: no blob
  const DataBlob head{PackageChecksum(out.data() + kDataBlobHeadSize, used - kDataBlobHeadSize),
                      static_cast<std::int32_t>(total)};
  std::memcpy(out.data(), &head, sizeof head);
  if (small) {
    blob.assign(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(used));
  } else {
    out.resize(used);
    blob = std::move(out);
  }
  return true;
}

bool MakeFileBlob(const std::filesystem::path& file, std::uint64_t maxSize, std::vector<std::uint8_t>& blob,
                  std::string& error) {
  BlobMaker maker;
  return maker.Make(file, maxSize < kReadPiece ? maxSize : kReadPiece, maxSize, blob, error);
}

}  // namespace builder
