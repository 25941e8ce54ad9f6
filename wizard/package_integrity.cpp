#include "wizard/package_integrity.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "package/package_checksum.h"
#include "package/package_layout.h"
#include "package/package_place.h"
#include "platform/file.h"
#include "platform/utf.h"

#include <zlib.h>

namespace wizard {

namespace {

// Reads and checks the package within [0, end), end being the trailer's start.
class PackageWalk {
 public:
  PackageWalk(platform::File& file, std::int64_t end) : file_(file), end_(end) {}

  bool ReadAt(std::int64_t offset, void* out, std::uint32_t size) {
    if (offset < 0 || offset + size > end_) return false;
    std::uint32_t got = 0;
    return file_.Seek(offset) && file_.Read(out, size, &got) && got == size;
  }

  bool InBounds(std::int64_t offset, std::int64_t length) const {
    return offset >= 0 && length >= 0 && offset + length <= end_;
  }

  // A file entry's DataBlob: longer than its head, checksum over the stream,
  // and the stream decodes (into a scratch buffer, nothing kept) to exactly
  // raw-length bytes, so that the head's length field is covered as well.
  bool BlobSound(std::int64_t offset, std::int64_t length) {
    if (length <= kDataBlobHeadSize || !InBounds(offset, length)) return false;
    DataBlob head;
    if (!ReadAt(offset, &head, sizeof head)) return false;
    if (head.rawLength < 0 || head.rawLength > PKG_MAX_RAW_LENGTH) return false;
    if (!file_.Seek(offset + kDataBlobHeadSize)) return false;

    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    std::uint32_t h = 0;
    std::int64_t left = length - kDataBlobHeadSize;
    std::int64_t decoded = 0;
    int status = Z_OK;
    while (left > 0) {
      const auto want = static_cast<std::uint32_t>(std::min<std::int64_t>(left, kChunk));
      std::uint32_t got = 0;
      if (!file_.Read(in_.data(), want, &got) || got != want) {
        status = Z_ERRNO;
        break;
      }
      h = PackageChecksumUpdate(h, in_.data(), want);
      left -= want;
      z.next_in = in_.data();
      z.avail_in = want;
      // Once the stream has ended (or broken) the rest is only checksummed.
      while (status == Z_OK && (z.avail_in > 0 || z.avail_out == 0)) {
        z.next_out = out_.data();
        z.avail_out = kChunk;
        status = inflate(&z, Z_NO_FLUSH);
        decoded += kChunk - z.avail_out;
        if (status == Z_BUF_ERROR) {  // nothing left to do with this input: read on
          status = Z_OK;
          break;
        }
      }
    }
    inflateEnd(&z);
    return h == head.checksum && status == Z_STREAM_END && decoded == head.rawLength;
  }

  // Info header, five texts, the two typed records.
  bool InfoSound(std::int64_t offset) {
    PackageInfoHeader info;
    if (!ReadAt(offset, &info, sizeof info)) return false;
    std::int64_t sum = 0;
    for (int length : info.length) {
      if (length < 0) return false;
      sum += length;
    }
    if (sum != info.total) return false;
    std::int64_t pos = offset + static_cast<std::int64_t>(sizeof info) + sum;
    for (std::int16_t type : {PKG_RECORD_MAIN_PROGRAM, PKG_RECORD_RECORD_FILE}) {
      EntryHeader record;
      if (!ReadAt(pos, &record, sizeof record) || record.type != type || record.nameLength < 0) return false;
      pos += static_cast<std::int64_t>(sizeof record) + record.nameLength;
      if (!InBounds(pos, 0)) return false;
    }
    return true;
  }

  // Walks count entries from offset; *next is where the list ends.
  bool EntriesSound(std::int64_t offset, std::int32_t count, std::int64_t* next) {
    if (count < 0) return false;
    std::int64_t pos = offset;
    for (std::int32_t i = 0; i < count; ++i) {
      EntryHeader entry;
      if (!ReadAt(pos, &entry, sizeof entry) || entry.nameLength < 0 || entry.dataLength < 0) return false;
      std::int64_t data = pos + static_cast<std::int64_t>(sizeof entry) + entry.nameLength;
      if (!InBounds(data, entry.dataLength)) return false;
      if (entry.type == PKG_ENTRY_FILE && entry.dataLength > 0 && !BlobSound(data, entry.dataLength)) return false;
      pos = data + entry.dataLength;
    }
    *next = pos;
    return true;
  }

  bool ShortcutsSound(std::int64_t offset, std::int32_t count, std::int64_t* next) {
    if (count < 0) return false;
    std::int64_t pos = offset;
    for (std::int32_t i = 0; i < count; ++i) {
      ShortcutHeader record;
      if (!ReadAt(pos, &record, sizeof record)) return false;
      std::int64_t sum = 0;
      for (int length : record.length) {
        if (length < 0) return false;
        sum += length;
      }
      if (sum != record.total) return false;
      pos += static_cast<std::int64_t>(sizeof record) + sum;
      if (!InBounds(pos, 0)) return false;
    }
    *next = pos;
    return true;
  }

 private:
  static constexpr std::uint32_t kChunk = 64 * 1024;
  platform::File& file_;
  std::int64_t end_;
  std::vector<unsigned char> in_ = std::vector<unsigned char>(kChunk);
  std::vector<unsigned char> out_ = std::vector<unsigned char>(kChunk);
};

}  // namespace

bool VerifyPackageIntegrity(platform::File& file) {
  PackagePlace place;
  if (!LocatePackage(file, place)) return false;
  const PackageTrailer& trailer = place.trailer;
  const std::int64_t trailerStart = place.trailerOffset;

  PackageWalk walk(file, trailerStart);
  if (!walk.InfoSound(trailer.infoOffset)) return false;
  if (trailer.pictureLength != 0 && !walk.InBounds(trailer.pictureOffset, trailer.pictureLength)) return false;
  if (trailer.agreementLength != 0 && !walk.InBounds(trailer.agreementOffset, trailer.agreementLength)) return false;

  // The entry list runs up to the shortcut list, and that up to the trailer.
  std::int64_t entriesEnd = 0;
  std::int64_t shortcutsEnd = 0;
  if (!walk.EntriesSound(trailer.entryListOffset, trailer.entryCount, &entriesEnd)) return false;
  if (entriesEnd != trailer.shortcutListOffset) return false;
  if (!walk.ShortcutsSound(trailer.shortcutListOffset, trailer.shortcutCount, &shortcutsEnd)) return false;
  return shortcutsEnd == trailerStart;
}

int LongestEntryNameLength(const std::wstring& path) {
  platform::File file;
  PackagePlace place;
  if (!file.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting) ||
      !LocatePackage(file, place)) {
    return 0;
  }
  std::int64_t pos = place.trailer.entryListOffset;
  std::size_t longest = 0;
  std::string name;
  for (std::int32_t i = 0; i < place.trailer.entryCount; ++i) {
    EntryHeader entry;
    std::uint32_t got = 0;
    if (!file.Seek(pos) || !file.Read(&entry, sizeof entry, &got) || got != sizeof entry || entry.nameLength < 0 ||
        entry.dataLength < 0 || entry.nameLength > place.trailerOffset - pos) {
      return 0;
    }
    name.resize(static_cast<std::size_t>(entry.nameLength));
    if (!name.empty() && (!file.Read(name.data(), entry.nameLength, &got) || got != name.size())) return 0;
    longest = std::max(longest, platform::Utf8ToWide(name).size());
    pos += static_cast<std::int64_t>(sizeof entry) + entry.nameLength + entry.dataLength;
  }
  return static_cast<int>(longest);
}

bool VerifyPackageIntegrity(const std::wstring& path) {
  platform::File file;
  if (!file.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting))
    return false;
  return VerifyPackageIntegrity(file);
}

}  // namespace wizard
