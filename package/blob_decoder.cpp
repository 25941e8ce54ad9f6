// BlobDecoder: PackageChecksum and inflate over the same bytes, the decoded
// bytes handed on in pieces, every way a stream can fail named with its
// offset.
#include "package/blob_decoder.h"

#include <zlib.h>

#include <cstring>
#include <new>
#include <utility>

#include "package/decimal.h"
#include "package/package_checksum.h"

struct BlobDecoder::Stream {
  z_stream z{};
  bool ready = false;
};

BlobDecoder::BlobDecoder() {
  z_ = new (std::nothrow) Stream;
  piece_ = new (std::nothrow) unsigned char[kPieceSize];
  // A 15-bit window with the zlib wrapper: every stream of a window up to 32 KiB.
  if (z_ && inflateInit(&z_->z) == Z_OK) z_->ready = true;
}

BlobDecoder::~BlobDecoder() {
  if (z_ && z_->ready) inflateEnd(&z_->z);
  delete z_;
  delete[] piece_;
}

bool BlobDecoder::Fail(std::int64_t offset, std::string what) {
  if (!failed_) {
    failed_ = true;
    faultOffset_ = offset;
    fault_ = std::move(what);
  }
  return false;
}

bool BlobDecoder::Begin(const DataBlob& head, std::int64_t length, BlobSink* sink, bool inflate) {
  head_ = head;
  inflate_ = inflate;
  length_ = length;
  sink_ = sink;
  fed_ = 0;
  produced_ = 0;
  checksum_ = 0;
  pieceUsed_ = 0;
  ended_ = false;
  failed_ = false;
  faultOffset_ = 0;
  fault_.clear();
  if (length <= kDataBlobHeadSize) {
    return Fail(0, "a blob of " + Decimal(length) + " bytes cannot be decoded");
  }
  if (head.rawLength < 0) return Fail(4, "raw length " + Decimal(head.rawLength) + " is negative");
  if (!inflate_) return true;
  if (!z_ || !z_->ready || !piece_ || inflateReset(&z_->z) != Z_OK) return Fail(0, "cannot start the decompressor");
  return true;
}

bool BlobDecoder::Flush() {
  if (pieceUsed_ == 0) return true;
  const std::size_t n = pieceUsed_;
  pieceUsed_ = 0;
  if (sink_ && !sink_->Put(piece_, n)) {
    return Fail(kDataBlobHeadSize + fed_, "the decoded bytes cannot be written");
  }
  return true;
}

bool BlobDecoder::Pump() {
  z_stream& z = z_->z;
  for (;;) {
    if (pieceUsed_ == kPieceSize && !Flush()) return false;
    z.next_out = piece_ + pieceUsed_;
    z.avail_out = static_cast<uInt>(kPieceSize - pieceUsed_);
    const uInt inBefore = z.avail_in;
    const int rc = inflate(&z, Z_NO_FLUSH);
    const std::size_t got = (kPieceSize - pieceUsed_) - z.avail_out;
    pieceUsed_ += got;
    produced_ += static_cast<std::int64_t>(got);
    // Where in the blob the stream stands: its head, then the bytes used.
    const std::int64_t at = kDataBlobHeadSize + fed_ - z.avail_in;
    if (produced_ > head_.rawLength) {
      return Fail(at, "the stream decodes to more than its raw length " + Decimal(head_.rawLength));
    }
    if (rc == Z_STREAM_END) {
      ended_ = true;
      if (z.avail_in > 0) return Fail(at, "bytes follow the end of the zlib stream");
      return true;
    }
    if (rc == Z_BUF_ERROR || (rc == Z_OK && got == 0 && z.avail_in == inBefore)) {
      // No progress: inflate wants more input (or room, which the next round gives).
      if (z.avail_in == 0 || pieceUsed_ == kPieceSize) {
        if (z.avail_in == 0) return true;
        continue;
      }
      return Fail(at, "the zlib stream is invalid (no progress)");
    }
    if (rc != Z_OK) {
      return Fail(at, std::string("the zlib stream is invalid (") + (z.msg ? z.msg : "error") + ")");
    }
    // All input taken and room left over: inflate holds nothing more for now.
    if (z.avail_in == 0 && z.avail_out > 0) return true;
  }
}

bool BlobDecoder::Feed(const unsigned char* data, std::size_t size) {
  if (size == 0) return !failed_;
  checksum_ = PackageChecksumUpdate(checksum_, data, size);
  const std::int64_t before = fed_;
  fed_ += static_cast<std::int64_t>(size);
  if (failed_) return false;
  if (!inflate_) return true;
  if (ended_) return Fail(kDataBlobHeadSize + before, "bytes follow the end of the zlib stream");
  z_stream& z = z_->z;
  // zlib takes a non-const input pointer but does not write through it.
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = static_cast<uInt>(size);
  const bool ok = Pump();
  z.next_in = nullptr;
  z.avail_in = 0;
  return ok;
}

bool BlobDecoder::Finish() {
  if (!inflate_) ended_ = true;  // nothing but the checksum to judge
  if (!failed_ && !ended_) Fail(length_, "the zlib stream ends early");
  if (!failed_) Flush();
  if (fed_ + kDataBlobHeadSize == length_ && checksum_ != head_.checksum && length_ > kDataBlobHeadSize) {
    failed_ = false;  // the checksum names the damage better than what the stream made of it
    return Fail(0, "checksum " + Hex32(checksum_) + " of the stream differs from the stored " + Hex32(head_.checksum));
  }
  if (failed_) return false;
  if (inflate_ && produced_ != head_.rawLength) {
    return Fail(
        4, "the stream decodes to " + Decimal(produced_) + " bytes, the raw length says " + Decimal(head_.rawLength));
  }
  return true;
}

bool DecodeBlob(const unsigned char* blob, std::size_t length, BlobSink* sink) {
  BlobDecoder decoder;
  DataBlob head{};
  if (length >= sizeof head) std::memcpy(&head, blob, sizeof head);
  if (!decoder.Begin(head, static_cast<std::int64_t>(length), sink)) return false;
  const unsigned char* p = blob + kDataBlobHeadSize;
  std::size_t left = length - kDataBlobHeadSize;
  while (left > 0) {
    // zlib counts its input in 32 bits.
    const std::size_t n = left < (std::size_t{1} << 30) ? left : (std::size_t{1} << 30);
    if (!decoder.Feed(p, n)) return false;
    p += n;
    left -= n;
  }
  return decoder.Finish();
}
