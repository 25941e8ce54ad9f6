// PackageFile: the reader of the package behind the installer image.
//
// The info block, the entries and the shortcut records are read through the
// package parser, the walk's own, so that the reader and the environment
// check cannot disagree on a byte. The picture and the agreement are read
// whole into storage sized from their length fields only after those
// lengths are checked against the file's size. Offsets and lengths are
// 32-bit signed values of the package; sums of them are formed in 64 bits.
#include "package/package_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <new>

#include "package/package_place.h"
#include "platform/utf.h"

namespace {

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

// The cursor at a position behind an item; a position beyond what a package
// can hold ends the list at INT_MAX, where no header is read.
int Cursor(std::int64_t position) { return position > INT_MAX ? INT_MAX : static_cast<int>(position); }

// The UTF-8 bytes of a typed record's value, kept as the interface keeps them.
void Keep(ByteBuffer& buffer, const std::string& value) {
  if (!buffer.Assign(value.data(), static_cast<int>(value.size()))) buffer.Clear();
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
  linkGuard_.Forget();
  parser_.Attach(nullptr, 0);
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
    fileSize_ = file_.Size();
    parser_.Attach(&file_, place.trailerOffset);
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
  parser_.Attach(nullptr, 0);
  file_.Close();
  return ok;
}

bool PackageFile::ReadInfo(std::wstring& name, std::wstring& heading, std::wstring& notice, std::wstring& rights,
                           std::wstring& welcome) {
  if (!IsOpen()) return false;
  std::int64_t position = trailer_.infoOffset;
  std::string texts[5];
  if (!parser_.Info(position, texts)) return false;
  // A typed record that cannot be read, or is of another type, gives an
  // empty value; the next one is read behind its header all the same.
  std::string value;
  EntryHeader header;
  if (!parser_.TypedRecord(position, PKG_RECORD_MAIN_PROGRAM, "main-program record", value, header)) value.clear();
  Keep(mainProgram_, value);
  if (!parser_.TypedRecord(position, PKG_RECORD_RECORD_FILE, "record-file record", value, header)) value.clear();
  Keep(recordFileName_, value);

  std::wstring* outputs[5] = {&name, &heading, &notice, &rights, &welcome};
  for (int i = 0; i < 5; ++i) *outputs[i] = platform::Utf8ToWide(texts[i]);
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
  Block block = ReadBlock(parser_.Reader(), fileSize_, trailer_.pictureOffset, length);
  if (!block) return false;
  bytes.Assign(block.get(), static_cast<int>(length));
  return true;
}

bool PackageFile::ReadAgreement(std::wstring& text) {
  if (!IsOpen() || trailer_.agreementLength <= 0 || trailer_.agreementOffset < 0) return false;
  const std::int64_t length = std::min<std::int64_t>(trailer_.agreementLength, fileSize_ - trailer_.agreementOffset);
  ByteBuffer buffer;
  if (length > 0) {
    Block block = ReadBlock(parser_.Reader(), fileSize_, trailer_.agreementOffset, length);
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

bool PackageFile::ExtractFile(const std::wstring& path, std::int64_t dataAt, std::int32_t dataLength) {
  platform::File out;
  if (!out.Create(path)) return false;
  if (dataLength == 0) return true;  // an empty file stored without a blob
  FileSinkForBlob sink(out);
  if (parser_.Blob(dataAt, dataLength, &sink, "entry")) return true;
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

  ParsedEntry entry;
  const bool sound = parser_.Entry(cursor, "entry", entry);
  if (entry.next == 0) return false;  // no header: the cursor stays
  // From here on the cursor moves past the entry whatever happens to it.
  cursor = Cursor(entry.next);
  const std::wstring name = platform::Utf8ToWide(entry.name);
  if (entry.named) outPath = base + name;
  // Only a name the package writer would have written: a damaged or foreign
  // package must not reach outside the install folder ("..", a drive, a
  // leading or a forward slash) nor open a device (CON, NUL, ...).
  if (!sound) return false;
  // Nor is anything written through a link planted in the install folder.
  if (linkGuard_.LinkOnTheWay(folder, name) || !Make(entry, outPath)) {
    linkGuard_.Forget();
    return false;
  }
  return true;
}

bool PackageFile::Make(const ParsedEntry& entry, const std::wstring& outPath) {
  const std::int32_t dataLength = entry.header.dataLength;
  switch (entry.header.type) {
    case PKG_ENTRY_FILE:
      return ExtractFile(outPath, entry.dataAt, dataLength);
    case PKG_ENTRY_FOLDER:
      if (dataLength > 0 && !parser_.Blob(entry.dataAt, dataLength, nullptr, "entry")) return false;
      // An existing folder is no failure; one that cannot be made fails
      // here, by its own name, instead of every file inside it.
      if (!platform::CreateFolder(outPath) && platform::KindOf(outPath) != platform::PathKind::Folder) return false;
      linkGuard_.Remember(outPath);
      return true;
    default:
      // Nothing is made for other types, but their data must be sound too.
      return dataLength == 0 || parser_.Blob(entry.dataAt, dataLength, nullptr, "entry");
  }
}

bool PackageFile::ReadShortcut(std::wstring texts[3], int& cursor) {
  if (!IsOpen()) return false;
  if (cursor == -1) cursor = trailer_.shortcutListOffset;
  ParsedShortcut shortcut;
  const bool sound = parser_.Shortcut(cursor, "shortcut record", shortcut);
  if (shortcut.next == 0) return false;  // no header: the cursor stays
  // A record whose total is not the sum of its lengths is read as three
  // empty texts, the cursor behind its header; one whose texts run past the
  // package, as empty texts behind its extent.
  cursor = Cursor(shortcut.next);
  for (int i = 0; i < 3; ++i) texts[i] = sound ? platform::Utf8ToWide(shortcut.texts[i]) : std::wstring();
  return true;
}
