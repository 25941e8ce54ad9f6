// PackageFile: the reader of the package behind the installer image.
//
// Every read stays inside the bytes the file actually delivers: blocks are
// read whole into storage sized from their length fields, after those lengths
// are checked against the file's size, and a block that comes back short is
// a failure (or empty texts) rather than a source of stale bytes. Offsets and
// lengths are 32-bit signed values of the package; sums of them are formed
// in 64 bits.
#include "package/package_file.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "package/package_place.h"
#include "package/package_writer.h"
#include "platform/utf.h"

namespace {

constexpr int kEntryHeaderSize = static_cast<int>(sizeof(EntryHeader));
constexpr int kShortcutHeaderSize = static_cast<int>(sizeof(ShortcutHeader));

struct FreeBlock {
  void operator()(unsigned char* p) const { delete[] p; }
};
using Block = std::unique_ptr<unsigned char[], FreeBlock>;

// Reads exactly size bytes at the current position into out.
bool ReadExact(platform::File& file, void* out, std::int64_t size) {
  if (size < 0 || size > UINT32_MAX) return false;
  std::uint32_t got = 0;
  return file.Read(out, static_cast<std::uint32_t>(size), &got) && got == size;
}

// Reads exactly size bytes at the current position into a new block; null
// when they are not all there or the storage cannot be had. position is the
// current position, used to refuse lengths beyond the end of the file
// before anything is allocated.
Block ReadBlock(platform::File& file, std::int64_t position, std::int64_t size) {
  const std::int64_t fileSize = file.Size();
  if (size < 0 || size > INT_MAX || position < 0 || fileSize < 0 || size > fileSize - position) {
    return nullptr;
  }
  Block block(new (std::nothrow) unsigned char[static_cast<std::size_t>(size) + 1]);
  if (!block || !ReadExact(file, block.get(), size)) return nullptr;
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

// Reads a typed record of the info block at the current position (position
// given) into buffer: its name when the header has the wanted type and a
// name, else nothing. Returns the position behind what was read.
std::int64_t ReadTypedRecord(platform::File& file, std::int64_t position, std::int16_t type, ByteBuffer& buffer) {
  buffer.Clear();
  EntryHeader header;
  if (position < 0 || !ReadExact(file, &header, sizeof header)) return -1;
  position += kEntryHeaderSize;
  if (header.type != type || header.nameLength <= 0) return position;
  Block name = ReadBlock(file, position, header.nameLength);
  if (!name) return -1;
  if (!buffer.Assign(name.get(), header.nameLength)) buffer.Clear();
  return position + header.nameLength;
}

}  // namespace

PackageFile::PackageFile() : trailer_{} {}

PackageFile::~PackageFile() {
  // Closing here writes nothing: only Close writes a create-mode trailer.
  file_.Close();
}

bool PackageFile::Open(const std::wstring& path, int create) {
  if (IsOpen()) Close();  // in the mode it was opened in
  create_ = create;
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
    return true;
  }
  if (!file_.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways)) {
    return false;
  }
  trailer_ = PackageTrailer{};
  trailer_.magic = PKG_MAGIC;
  return true;
}

bool PackageFile::Close() {
  if (!IsOpen()) return false;
  bool ok = true;
  if (create_ != 0) {
    std::uint32_t written = 0;
    ok = file_.SeekFromEnd(0) && file_.Write(&trailer_, sizeof trailer_, &written) && written == sizeof trailer_;
  }
  file_.Close();
  return ok;
}

bool PackageFile::ReadInfo(std::wstring& name, std::wstring& heading, std::wstring& notice, std::wstring& rights,
                           std::wstring& welcome) {
  if (!IsOpen()) return false;
  PackageInfoHeader header;
  if (!file_.Seek(trailer_.infoOffset) || !ReadExact(file_, &header, sizeof header)) return false;
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
    Block block = ReadBlock(file_, position, header.total);
    if (!block) return false;
    std::int64_t at = 0;
    for (int i = 0; i < 5; ++i) {
      texts[i] = Text(block.get() + at, header.length[i]);
      at += header.length[i];
    }
    position += header.total;
  }
  position = ReadTypedRecord(file_, position, PKG_RECORD_MAIN_PROGRAM, mainProgram_);
  ReadTypedRecord(file_, position, PKG_RECORD_RECORD_FILE, recordFileName_);

  name = std::move(texts[0]);
  heading = std::move(texts[1]);
  notice = std::move(texts[2]);
  rights = std::move(texts[3]);
  welcome = std::move(texts[4]);
  return true;
}

bool PackageFile::ReadPicture(ByteBuffer& bytes) {
  if (!IsOpen() || trailer_.pictureLength <= 0) return false;
  if (!file_.Seek(trailer_.pictureOffset)) return false;
  // A picture cut short is handed on as far as it goes.
  const std::int64_t fileSize = file_.Size();
  std::int64_t length = trailer_.pictureLength;
  if (fileSize - trailer_.pictureOffset < length) length = fileSize - trailer_.pictureOffset;
  if (length <= 0) {
    bytes.Assign(nullptr, 0);
    return true;
  }
  Block block(new (std::nothrow) unsigned char[static_cast<std::size_t>(length)]);
  if (!block) return false;
  std::uint32_t got = 0;
  if (!file_.Read(block.get(), static_cast<std::uint32_t>(length), &got)) got = 0;
  bytes.Assign(block.get(), static_cast<int>(got));
  return true;
}

bool PackageFile::ReadAgreement(std::wstring& text) {
  if (!IsOpen() || trailer_.agreementLength <= 0) return false;
  if (!file_.Seek(trailer_.agreementOffset)) return false;
  const std::int64_t fileSize = file_.Size();
  std::int64_t length = trailer_.agreementLength;
  if (fileSize - trailer_.agreementOffset < length) length = fileSize - trailer_.agreementOffset;
  ByteBuffer buffer;
  if (length > 0) {
    Block block(new (std::nothrow) unsigned char[static_cast<std::size_t>(length)]);
    if (!block) return false;
    std::uint32_t got = 0;
    if (!file_.Read(block.get(), static_cast<std::uint32_t>(length), &got)) got = 0;
    buffer.Assign(block.get(), static_cast<int>(got));
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

bool PackageFile::ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor) {
  if (!IsOpen() || folder.empty()) return false;
  if (cursor == -1) cursor = trailer_.entryListOffset;

  EntryHeader header;
  if (!file_.Seek(cursor) || !ReadExact(file_, &header, sizeof header)) return false;

  // From here on the cursor moves past the entry whatever happens to it. An
  // entry with negative lengths has no extent: the cursor moves past its header.
  const bool sane = header.nameLength >= 0 && header.dataLength >= 0;
  const std::int64_t n = sane ? static_cast<std::int64_t>(header.nameLength) + header.dataLength : 0;
  const int next = Behind(cursor, kEntryHeaderSize + n);
  if (!sane) {
    cursor = next;
    return false;
  }
  if (n == 0) {
    outPath.clear();
    cursor = next;
    return false;
  }

  // The name and the stored data are read one after the other, the data
  // straight into the buffer that decodes it, so that a large file is
  // neither copied nor held more than twice (stored and decoded).
  const std::int64_t at = static_cast<std::int64_t>(cursor) + kEntryHeaderSize;
  const std::int64_t fileSize = file_.Size();
  if (fileSize < 0 || n > fileSize - at) {
    cursor = next;
    return false;
  }
  std::wstring name;
  const bool creates = header.type == PKG_ENTRY_FOLDER || header.type == PKG_ENTRY_FILE;
  if (header.nameLength > 0) {
    Block block = ReadBlock(file_, at, header.nameLength);
    // A folder or file is made only under a name the package writer would
    // have written: a damaged or foreign package must not reach outside the
    // install folder ("..", a drive, a leading or a forward slash) nor open
    // a device (CON, NUL, ...).
    if (!block || (creates && !IsSafeEntryName(std::string_view(reinterpret_cast<const char*>(block.get()),
                                                                static_cast<std::size_t>(header.nameLength))))) {
      cursor = next;
      return false;
    }
    name = Text(block.get(), header.nameLength);
  } else if (creates) {
    // No name: the entry would stand for the install folder itself.
    cursor = next;
    return false;
  }
  ByteBuffer data;
  if (header.dataLength > 0) {
    unsigned char* stored = data.Prepare(header.dataLength);
    if (!stored || !ReadExact(file_, stored, header.dataLength) || !data.Inflate()) {
      cursor = next;
      return false;
    }
  }

  std::wstring path = folder;
  if (path.back() != L'\\') path.push_back(L'\\');
  path += name;
  outPath = path;

  bool ok = true;
  if (header.type == PKG_ENTRY_FOLDER) {
    // An existing folder is no failure; a missing one shows up in its entries.
    platform::CreateFolder(outPath);
  } else if (header.type == PKG_ENTRY_FILE) {
    platform::File out;
    if (!out.Open(outPath, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways)) {
      ok = false;
    } else if (data.Length() > 0) {
      std::uint32_t written = 0;
      ok = out.Write(data.Data(), static_cast<std::uint32_t>(data.Length()), &written) &&
           written == static_cast<std::uint32_t>(data.Length());
    }
  }
  cursor = next;
  return ok;
}

bool PackageFile::ReadShortcut(std::wstring texts[3], int& cursor) {
  if (!IsOpen()) return false;
  if (cursor == -1) cursor = trailer_.shortcutListOffset;

  ShortcutHeader header;
  if (!file_.Seek(cursor) || !ReadExact(file_, &header, sizeof header)) return false;
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
  Block block = ReadBlock(file_, start, header.total);
  if (!block) return true;
  std::int64_t at = 0;
  for (int i = 0; i < 3; ++i) {
    texts[i] = Text(block.get() + at, header.length[i]);
    at += header.length[i];
  }
  return true;
}
