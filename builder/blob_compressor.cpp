#include "builder/blob_compressor.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <new>

#ifdef SETUP_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "builder/path_text.h"
#include "package/package_checksum.h"

namespace builder {
namespace {

// Pieces of a streamed file: read, and compressed output handed on.
constexpr std::size_t kReadPiece = 1u << 20;
constexpr std::size_t kStreamOutPiece = 256u << 10;
constexpr std::size_t kMinReadBuffer = 64u << 10;

bool Fail(const std::filesystem::path& file, const std::string& what, std::string& error) {
  error = PathToUtf8(file) + ": " + what;
  return false;
}

// zlib's levels end at 9; its default (6) is what level 6 means everywhere.
int ZlibLevel(int level) { return std::clamp(level, 1, 9); }

void PutHead(std::uint8_t* at, std::uint32_t checksum, std::size_t rawLength) {
  const DataBlob head{checksum, static_cast<std::int32_t>(rawLength)};
  std::memcpy(at, &head, sizeof head);
}

}  // namespace

struct BlobCompressor::State {
  explicit State(int level) : level(std::clamp(level, kMinLevel, kMaxLevel)) {}
  ~State() {
    if (zlibReady) deflateEnd(&zs);
#ifdef SETUP_HAVE_LIBDEFLATE
    if (oneShot != nullptr) libdeflate_free_compressor(oneShot);
#endif
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // zlib's deflate, made on first use and reset for every stream.
  bool StartZlib() {
    if (!zlibReady) {
      zlibReady = deflateInit2(&zs, ZlibLevel(level), Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
      return zlibReady;
    }
    return deflateReset(&zs) == Z_OK;
  }

  int level;
  z_stream zs{};
  bool zlibReady = false;
#ifdef SETUP_HAVE_LIBDEFLATE
  libdeflate_compressor* oneShot = nullptr;
#endif
  std::vector<std::uint8_t> input;   // a whole file, or a streamed file's piece
  std::vector<std::uint8_t> output;  // head and stream of the last blob made whole
};

BlobCompressor::BlobCompressor(int level) : state_(std::make_unique<State>(level)) {}

BlobCompressor::~BlobCompressor() = default;

bool BlobCompressor::Compress(const void* data, std::size_t size, std::vector<std::uint8_t>& blob) {
  blob.clear();
  if (size > static_cast<std::size_t>(PKG_MAX_RAW_LENGTH)) return false;
  State& s = *state_;
  std::size_t streamLength = 0;
  try {
#ifdef SETUP_HAVE_LIBDEFLATE
    if (s.oneShot == nullptr) s.oneShot = libdeflate_alloc_compressor(s.level);
    if (s.oneShot == nullptr) return false;
    const std::size_t bound = libdeflate_zlib_compress_bound(s.oneShot, size);
    if (s.output.size() < kDataBlobHeadSize + bound) s.output.resize(kDataBlobHeadSize + bound);
    streamLength = libdeflate_zlib_compress(s.oneShot, data, size, s.output.data() + kDataBlobHeadSize, bound);
    if (streamLength == 0) return false;
#else
    if (!s.StartZlib()) return false;
    const std::size_t bound = deflateBound(&s.zs, static_cast<uLong>(size));
    if (s.output.size() < kDataBlobHeadSize + bound) s.output.resize(kDataBlobHeadSize + bound);
    // zlib takes a non-const input pointer but does not write through it.
    s.zs.next_in = const_cast<Bytef*>(static_cast<const Bytef*>(data));
    s.zs.avail_in = static_cast<uInt>(size);
    s.zs.next_out = s.output.data() + kDataBlobHeadSize;
    s.zs.avail_out = static_cast<uInt>(bound);
    if (deflate(&s.zs, Z_FINISH) != Z_STREAM_END) return false;
    streamLength = bound - s.zs.avail_out;
#endif
    PutHead(s.output.data(), PackageChecksum(s.output.data() + kDataBlobHeadSize, streamLength), size);
    blob.assign(s.output.begin(), s.output.begin() + static_cast<std::ptrdiff_t>(kDataBlobHeadSize + streamLength));
  } catch (const std::bad_alloc&) {
    blob.clear();
    return false;
  }
  return true;
}

bool BlobCompressor::CompressFile(const std::filesystem::path& file, std::uint64_t expectedSize, std::uint64_t limit,
                                  std::vector<std::uint8_t>& blob, std::string& error) {
  blob.clear();
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail(file, "cannot be opened for reading", error);
  std::vector<std::uint8_t>& buffer = state_->input;
  // One byte more than expected, so that a file that has not changed is read
  // whole by the first call and meets its end with the second.
  const std::uint64_t want = std::min(expectedSize, limit) + 1;
  if (buffer.size() < want) buffer.resize(std::max<std::size_t>(static_cast<std::size_t>(want), kMinReadBuffer));
  std::size_t total = 0;
  for (;;) {
    if (total == buffer.size()) {
      // The file grew since it was listed.
      if (total > limit) return Fail(file, "grew past " + std::to_string(limit) + " bytes while being read", error);
      buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, buffer.size() * 2ull)));
    }
    in.read(reinterpret_cast<char*>(buffer.data() + total), static_cast<std::streamsize>(buffer.size() - total));
    if (in.bad()) return Fail(file, "cannot be read", error);
    const auto got = static_cast<std::size_t>(in.gcount());
    total += got;
    if (got == 0 || in.eof()) break;
  }
  if (total > limit) return Fail(file, "grew past " + std::to_string(limit) + " bytes while being read", error);
  if (total == 0) return true;  // empty file: no blob
  if (!Compress(buffer.data(), total, blob)) return Fail(file, "cannot be compressed (out of memory)", error);
  return true;
}

bool BlobCompressor::StreamFile(const std::filesystem::path& file, std::uint64_t maxSize, PieceSink& sink,
                                DataBlob& head, std::string& error) {
  error.clear();
  State& s = *state_;
  if (!s.StartZlib()) return Fail(file, "cannot start the compressor", error);
  std::ifstream in(file, std::ios::binary);
  if (!in) return Fail(file, "cannot be opened for reading", error);
  if (s.input.size() < kReadPiece) s.input.resize(kReadPiece);
  std::vector<std::uint8_t> out(kStreamOutPiece);
  z_stream& zs = s.zs;
  std::uint64_t total = 0;
  std::uint32_t checksum = 0;
  for (bool finished = false; !finished;) {
    in.read(reinterpret_cast<char*>(s.input.data()), static_cast<std::streamsize>(kReadPiece));
    if (in.bad()) return Fail(file, "cannot be read", error);
    const auto got = static_cast<std::size_t>(in.gcount());
    total += got;
    if (total > maxSize) return Fail(file, "grew past " + std::to_string(maxSize) + " bytes while being read", error);
    const int flush = got < kReadPiece ? Z_FINISH : Z_NO_FLUSH;
    zs.next_in = s.input.data();
    zs.avail_in = static_cast<uInt>(got);
    // Until the piece is taken in whole (or, at the end, the stream is done),
    // each call fills the output piece, which goes on at once.
    do {
      zs.next_out = out.data();
      zs.avail_out = static_cast<uInt>(out.size());
      const int rc = deflate(&zs, flush);
      if (rc == Z_STREAM_ERROR) return Fail(file, "cannot be compressed", error);
      const std::size_t made = out.size() - zs.avail_out;
      checksum = PackageChecksumUpdate(checksum, out.data(), made);
      if (made > 0 && !sink.Write(out.data(), made)) return false;
      finished = rc == Z_STREAM_END;
    } while (zs.avail_out == 0 && !finished);
  }
  head.checksum = checksum;
  head.rawLength = static_cast<std::int32_t>(total);
  return true;
}

std::vector<std::uint8_t> MakeDataBlob(const void* data, std::size_t size) {
  std::vector<std::uint8_t> blob;
  BlobCompressor compressor;
  if (!compressor.Compress(data, size, blob)) blob.clear();
  return blob;
}

}  // namespace builder
