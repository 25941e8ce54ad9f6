// PackageFile: the reader of the package behind the installer image.
//
// Every read goes through one read buffer and stays inside the bytes the file
// actually delivers: blocks are read whole into storage sized from their
// length fields only after those lengths are checked against the file's
// size, and a block that comes back short is a failure (or empty texts)
// rather than a source of stale bytes. Offsets and lengths are 32-bit signed
// values of the package; sums of them are formed in 64 bits.
#include "package/package_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "package/entry_name.h"
#include "package/entry_rule.h"
#include "package/package_place.h"
#include "platform/utf.h"

namespace {

constexpr int kEntryHeaderSize = static_cast<int>(sizeof(EntryHeader));
constexpr int kShortcutHeaderSize = static_cast<int>(sizeof(ShortcutHeader));

struct FreeBlock {
  void operator()(unsigned char* p) const { delete[] p; }
};
using Block = std::unique_ptr<unsigned char[], FreeBlock>;

// Exactly size bytes at position, in a new block; null when they are not all
// in the file or the storage cannot be had. Lengths beyond the end of the
// file are refused before anything is allocated.
Block ReadBlock(platform::FileReader& reader, std::int64_t fileSize, std::int64_t position, std::int64_t size) {
  if (size < 0 || size > INT_MAX || position < 0 || fileSize < 0 || position > fileSize || size > fileSize - position) {
    return nullptr;
  }
  Block block(new (std::nothrow) unsigned char[static_cast<std::size_t>(size) + 1]);
  if (!block || !reader.ReadAt(position, block.get(), static_cast<std::size_t>(size))) return nullptr;
  return block;
}

std::wstring Text(const unsigned char* bytes, std::int64_t length) {
  if (length <= 0) return {};
  ByteBuffer buffer;
  if (!buffer.Assign(bytes, static_cast<int>(length))) return {};
  std::wstring out;
  buffer.ToWide(out);
  return out;
}

// The cursor behind an item of `step` bytes at `cursor`; a position beyond
// what a package can hold ends the list at INT_MAX, where no header is read.
int Behind(int cursor, std::int64_t step) {
  const std::int64_t next = static_cast<std::int64_t>(cursor) + step;
  return next > INT_MAX ? INT_MAX : static_cast<int>(next);
}

// Reads a typed record of the info block at position into buffer: its name
// when the header has the wanted type and a name, else nothing. Returns the
// position behind what was read, -1 when nothing could be.
std::int64_t ReadTypedRecord(platform::FileReader& reader, std::int64_t fileSize, std::int64_t position,
                             std::int16_t type, ByteBuffer& buffer) {
  buffer.Clear();
  EntryHeader header;
  if (position < 0 || !reader.ReadAt(position, &header, sizeof header)) return -1;
  position += kEntryHeaderSize;
  if (header.type != type || header.nameLength <= 0) return position;
  Block name = ReadBlock(reader, fileSize, position, header.nameLength);
  if (!name) return -1;
  if (!buffer.Assign(name.get(), header.nameLength)) buffer.Clear();
  return position + header.nameLength;
}

// Writes decoded pieces to the destination file.
class FileSinkForBlob : public BlobSink {
 public:
  explicit FileSinkForBlob(platform::File& file) : file_(file) {}
  bool Put(const unsigned char* data, std::size_t size) override {
    std::uint32_t written = 0;
    return file_.Write(data, static_cast<std::uint32_t>(size), &written) && written == size;
  }

 private:
  platform::File& file_;
};

}  // namespace

PackageFile::PackageFile() : trailer_{} {}

PackageFile::~PackageFile() {
  // Closing here writes nothing: only Close writes a create-mode trailer.
  file_.Close();
}

bool PackageFile::Open(const std::wstring& path, int create) {
  if (IsOpen()) Close();  // in the mode it was opened in
  create_ = create;
  reader_.Attach(nullptr);
  if (create == 0) {
    if (!file_.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting)) {
      return false;
    }
    // The trailer ends the file, or, in a signed installer, stands before the signature.
    PackagePlace place;
    if (!LocatePackage(file_, place)) {
      file_.Close();
      return false;
    }
    trailer_ = place.trailer;
    packageEnd_ = place.trailerOffset;
    fileSize_ = file_.Size();
    reader_.Attach(&file_);
    return true;
  }
  if (!file_.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways)) {
    return false;
  }
  trailer_ = PackageTrailer{};
  trailer_.magic = PKG_MAGIC;
  packageEnd_ = 0;
  return true;
}

bool PackageFile::Close() {
  if (!IsOpen()) return false;
  bool ok = true;
  if (create_ != 0) {
    std::uint32_t written = 0;
    ok = file_.SeekFromEnd(0) && file_.Write(&trailer_, sizeof trailer_, &written) && written == sizeof trailer_;
  }
  reader_.Attach(nullptr);
  file_.Close();
  return ok;
}

bool PackageFile::ReadInfo(std::wstring& name, std::wstring& heading, std::wstring& notice, std::wstring& rights,
                           std::wstring& welcome) {
  if (!IsOpen()) return false;
  PackageInfoHeader header;
  if (!reader_.ReadAt(trailer_.infoOffset, &header, sizeof header)) return false;
  // The five lengths must be lengths and add up to total.
  std::int64_t sum = 0;
  for (const std::int32_t length : header.length) {
    if (length < 0) return false;
    sum += length;
  }
  if (header.total < 0 || sum != header.total) return false;

  std::int64_t position = static_cast<std::int64_t>(trailer_.infoOffset) + static_cast<std::int64_t>(sizeof header);
  std::wstring texts[5];
  if (header.total > 0) {
    Block block = ReadBlock(reader_, fileSize_, position, header.total);
    if (!block) return false;
    std::int64_t at = 0;
    for (int i = 0; i < 5; ++i) {
      texts[i] = Text(block.get() + at, header.length[i]);
      at += header.length[i];
    }
    position += header.total;
  }
  position = ReadTypedRecord(reader_, fileSize_, position, PKG_RECORD_MAIN_PROGRAM, mainProgram_);
  ReadTypedRecord(reader_, fileSize_, position, PKG_RECORD_RECORD_FILE, recordFileName_);

  name = std::move(texts[0]);
  heading = std::move(texts[1]);
  notice = std::move(texts[2]);
  rights = std::move(texts[3]);
  welcome = std::move(texts[4]);
  return true;
}

bool PackageFile::ReadPicture(ByteBuffer& bytes) {
  if (!IsOpen() || trailer_.pictureLength <= 0 || trailer_.pictureOffset < 0) return false;
  // A picture cut short is handed on as far as it goes.
  const std::int64_t length = std::min<std::int64_t>(trailer_.pictureLength, fileSize_ - trailer_.pictureOffset);
  if (length <= 0) {
    bytes.Assign(nullptr, 0);
    return true;
  }
  Block block = ReadBlock(reader_, fileSize_, trailer_.pictureOffset, length);
  if (!block) return false;
  bytes.Assign(block.get(), static_cast<int>(length));
  return true;
}

bool PackageFile::ReadAgreement(std::wstring& text) {
  if (!IsOpen() || trailer_.agreementLength <= 0 || trailer_.agreementOffset < 0) return false;
  const std::int64_t length = std::min<std::int64_t>(trailer_.agreementLength, fileSize_ - trailer_.agreementOffset);
  ByteBuffer buffer;
  if (length > 0) {
    Block block = ReadBlock(reader_, fileSize_, trailer_.agreementOffset, length);
    if (!block) return false;
    buffer.Assign(block.get(), static_cast<int>(length));
  }
  // A block that does not decode is taken as the text itself.
  buffer.Inflate();
  buffer.ToWide(text);
  return true;
}

bool PackageFile::GetMainProgram(std::wstring& path) {
  if (!IsOpen()) return false;
  mainProgram_.ToWide(path);
  return true;
}

bool PackageFile::GetRecordFileName(std::wstring& name) {
  if (!IsOpen()) return false;
  recordFileName_.ToWide(name);
  return true;
}

// The trailer copy is zeroed at construction and kept after Close; a closed
// package counts no entries.
int PackageFile::GetFileCount() { return IsOpen() ? trailer_.entryCount : 0; }

int PackageFile::GetShortcutCount() { return IsOpen() ? trailer_.shortcutCount : 0; }

bool PackageFile::DecodeEntryData(std::int64_t dataAt, std::int32_t dataLength, BlobSink* out) {
  const unsigned char* head = reader_.Peek(dataAt, sizeof(DataBlob));
  if (!head) return false;
  DataBlob blob;
  std::memcpy(&blob, head, sizeof blob);
  if (!decoder_.Begin(blob, dataLength, out)) return false;
  std::int64_t at = dataAt + kDataBlobHeadSize;
  const std::int64_t end = dataAt + dataLength;
  while (at < end) {
    const std::int64_t left = end - at;
    const std::size_t want = left < static_cast<std::int64_t>(platform::FileReader::kCapacity)
                                 ? static_cast<std::size_t>(left)
                                 : platform::FileReader::kCapacity;
    std::size_t got = 0;
    const unsigned char* p = reader_.Next(at, want, &got);
    if (!p || !decoder_.Feed(p, got)) return false;
    at += static_cast<std::int64_t>(got);
  }
  return decoder_.Finish();
}

bool PackageFile::ExtractFile(const std::wstring& path, std::int64_t dataAt, std::int32_t dataLength) {
  platform::File out;
  if (!out.Create(path)) return false;
  if (dataLength == 0) return true;  // an empty file stored without a blob
  FileSinkForBlob sink(out);
  if (DecodeEntryData(dataAt, dataLength, &sink)) return true;
  // Nothing half-written stays behind: the file is removed, and a retry
  // makes it anew.
  out.Close();
  platform::RemoveFile(path);
  return false;
}

bool PackageFile::ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor) {
  if (!IsOpen() || folder.empty()) return false;
  std::wstring base = folder;
  if (base.back() != L'\\') base.push_back(L'\\');
  // Until the entry's name is known, a failure names the install folder.
  outPath = base;
  if (cursor == -1) cursor = trailer_.entryListOffset;

  const unsigned char* bytes = reader_.Peek(cursor, kEntryHeaderSize);
  if (!bytes) return false;
  EntryHeader header;
  std::memcpy(&header, bytes, sizeof header);

  // From here on the cursor moves past the entry whatever happens to it. An
  // entry with negative lengths has no extent: the cursor moves past its header.
  const bool sane = header.nameLength >= 0 && header.dataLength >= 0;
  const std::int64_t n = sane ? static_cast<std::int64_t>(header.nameLength) + header.dataLength : 0;
  const std::int64_t at = static_cast<std::int64_t>(cursor) + kEntryHeaderSize;
  const int next = Behind(cursor, kEntryHeaderSize + n);
  cursor = next;
  if (EntryHeaderFault(header) || at > packageEnd_ || n > packageEnd_ - at) return false;

  std::string name(static_cast<std::size_t>(header.nameLength), '\0');
  if (!name.empty() && !reader_.ReadAt(at, name.data(), name.size())) return false;
  outPath = base + Text(reinterpret_cast<const unsigned char*>(name.data()), header.nameLength);
  // Only a name the package writer would have written: a damaged or foreign
  // package must not reach outside the install folder ("..", a drive, a
  // leading or a forward slash) nor open a device (CON, NUL, ...).
  if (!IsSafeEntryName(name)) return false;

  const std::int64_t dataAt = at + header.nameLength;
  switch (header.type) {
    case PKG_ENTRY_FILE:
      return ExtractFile(outPath, dataAt, header.dataLength);
    case PKG_ENTRY_FOLDER:
      if (header.dataLength > 0 && !DecodeEntryData(dataAt, header.dataLength, nullptr)) return false;
      // An existing folder is no failure; a missing one shows up in its entries.
      platform::CreateFolder(outPath);
      return true;
    default:
      // Nothing is made for other types, but their data must be sound too.
      return header.dataLength == 0 || DecodeEntryData(dataAt, header.dataLength, nullptr);
  }
}

bool PackageFile::ReadShortcut(std::wstring texts[3], int& cursor) {
  if (!IsOpen()) return false;
  if (cursor == -1) cursor = trailer_.shortcutListOffset;

  ShortcutHeader header;
  const unsigned char* bytes = reader_.Peek(cursor, kShortcutHeaderSize);
  if (!bytes) return false;
  std::memcpy(&header, bytes, sizeof header);
  const std::int64_t start = static_cast<std::int64_t>(cursor) + kShortcutHeaderSize;
  cursor = Behind(cursor, kShortcutHeaderSize);

  std::int64_t sum = 0;
  bool sane = true;
  for (const std::int32_t length : header.length) {
    if (length < 0) sane = false;
    sum += length;
  }
  for (int i = 0; i < 3; ++i) texts[i].clear();
  if (!sane || header.total <= 0 || sum != header.total) return true;

  // The record's extent is known from here on; texts cut short stay empty.
  cursor = Behind(cursor, header.total);
  Block block = ReadBlock(reader_, fileSize_, start, header.total);
  if (!block) return true;
  std::int64_t at = 0;
  for (int i = 0; i < 3; ++i) {
    texts[i] = Text(block.get() + at, header.length[i]);
    at += header.length[i];
  }
  return true;
}
