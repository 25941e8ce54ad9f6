// PackageWriter: appends the package blocks in their fixed order behind what
// the sink already holds and ends them with the trailer.
#include "package/package_writer.h"

#include <bit>
#include <climits>
#include <cstring>
#include <new>

#include "package/name_fold.h"

static_assert(std::endian::native == std::endian::little, "package structures are written as they lie in memory");

bool VectorSink::Write(const void* data, std::size_t size) {
  try {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool VectorSink::Patch(std::int64_t at, const void* data, std::size_t size) {
  if (at < 0 || static_cast<std::uint64_t>(at) + size > bytes_.size()) return false;
  std::memcpy(bytes_.data() + at, data, size);
  return true;
}

namespace {

// Folder part of a name ("" for an item of the install folder itself).
std::string_view ParentOf(std::string_view name) {
  const std::size_t cut = name.rfind('\\');
  return cut == std::string_view::npos ? std::string_view() : name.substr(0, cut);
}

}  // namespace

PackageWriter::PackageWriter(ByteSink& sink) : sink_(sink) { trailer_.magic = PKG_MAGIC; }

bool PackageWriter::Unique(std::string_view name) {
  try {
    return keys_.insert(FoldName(name)).second;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool PackageWriter::Fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
  stage_ = Stage::Done;
  return false;
}

bool PackageWriter::Put(const void* data, std::size_t size, bool trailer) {
  const std::int64_t at = sink_.Position();
  // Offsets are signed 32-bit file positions: the package stays below 2 GiB,
  // room for the trailer included.
  const std::int64_t reserve = trailer ? 0 : static_cast<std::int64_t>(sizeof(PackageTrailer));
  if (at < 0 || size > static_cast<std::size_t>(INT_MAX) || at + static_cast<std::int64_t>(size) + reserve > INT_MAX) {
    return Fail("the package would not stay below 2 GiB");
  }
  if (size > 0 && !sink_.Write(data, size)) return Fail("writing the package failed");
  return true;
}

// Moves to a later block, noting where each block passed over begins. Only
// the entry and shortcut stages take more than one call.
bool PackageWriter::Advance(Stage to) {
  if (!error_.empty()) return false;
  if (openFile_ >= 0) return Fail("an entry comes before the file begun last is ended");
  if (stage_ == Stage::Done) return Fail("the package is already finished");
  if (stage_ == Stage::Start && to != Stage::Info) return Fail("the info block must come first");
  if (to < stage_ || (to == stage_ && to != Stage::Entries && to != Stage::Shortcuts)) {
    return Fail("package blocks out of order");
  }
  const std::int64_t at = sink_.Position();
  if (at < 0 || at > INT_MAX) return Fail("the package would not stay below 2 GiB");
  const auto here = static_cast<std::int32_t>(at);
  while (stage_ < to) {
    stage_ = static_cast<Stage>(static_cast<int>(stage_) + 1);
    switch (stage_) {
      case Stage::Info:
        trailer_.infoOffset = here;
        break;
      case Stage::Agreement:
        trailer_.agreementOffset = here;
        break;
      case Stage::Entries:
        trailer_.entryListOffset = here;
        break;
      case Stage::Shortcuts:
        trailer_.shortcutListOffset = here;
        break;
      default:
        break;
    }
  }
  return true;
}

bool PackageWriter::WriteInfo(const PackageTexts& texts, std::string_view mainProgram, std::string_view recordFile) {
  if (!Advance(Stage::Info)) return false;
  std::string why;
  if (!mainProgram.empty() && !IsSafeProgramPath(mainProgram, &why)) {
    return Fail("main program \"" + std::string(mainProgram) + "\": " + why);
  }
  if (!recordFile.empty() && !IsSafeEntryName(recordFile, &why)) {
    return Fail("record file name \"" + std::string(recordFile) + "\": " + why);
  }
  const std::string* parts[5] = {&texts.productName, &texts.heading, &texts.notice, &texts.rights, &texts.welcome};
  PackageInfoHeader header{};
  std::int64_t total = 0;
  for (int i = 0; i < 5; ++i) {
    if (parts[i]->size() > static_cast<std::size_t>(INT_MAX)) return Fail("info text too long");
    header.length[i] = static_cast<std::int32_t>(parts[i]->size());
    total += header.length[i];
  }
  if (total > INT_MAX || mainProgram.size() > static_cast<std::size_t>(INT_MAX) ||
      recordFile.size() > static_cast<std::size_t>(INT_MAX)) {
    return Fail("info block too long");
  }
  header.total = static_cast<std::int32_t>(total);
  const std::int64_t start = sink_.Position();
  if (!Put(&header, sizeof header)) return false;
  for (const std::string* text : parts) {
    if (!Put(text->data(), text->size())) return false;
  }
  const std::pair<std::int16_t, std::string_view> records[2] = {{PKG_RECORD_MAIN_PROGRAM, mainProgram},
                                                                {PKG_RECORD_RECORD_FILE, recordFile}};
  for (const auto& [type, value] : records) {
    EntryHeader record{};
    record.type = type;
    record.nameLength = static_cast<std::int32_t>(value.size());
    if (!Put(&record, sizeof record) || !Put(value.data(), value.size())) return false;
  }
  infoLength_ = sink_.Position() - start;
  return true;
}

bool PackageWriter::WritePicture(const void* data, std::size_t size) {
  if (!Advance(Stage::Picture)) return false;
  if (size == 0) return true;
  const std::int64_t at = sink_.Position();
  if (!Put(data, size)) return false;
  trailer_.pictureOffset = static_cast<std::int32_t>(at);
  trailer_.pictureLength = static_cast<std::int32_t>(size);
  return true;
}

bool PackageWriter::WriteAgreement(const std::vector<std::uint8_t>& blob) {
  if (!Advance(Stage::Agreement)) return false;
  if (!Put(blob.data(), blob.size())) return false;
  trailer_.agreementLength = static_cast<std::int32_t>(blob.size());
  return true;
}

bool PackageWriter::AddFolder(std::string_view name) {
  if (!Advance(Stage::Entries)) return false;
  std::string why;
  if (!IsSafeEntryName(name, &why)) return Fail("folder \"" + std::string(name) + "\": " + why);
  const std::string_view parent = ParentOf(name);
  if (!parent.empty() && !folders_.contains(std::string(parent))) {
    return Fail("folder \"" + std::string(name) + "\" comes before its parent folder");
  }
  if (!Unique(name)) return Fail("folder \"" + std::string(name) + "\": another entry has the same name to Windows");
  EntryHeader header{};
  header.type = PKG_ENTRY_FOLDER;
  header.nameLength = static_cast<std::int32_t>(name.size());
  if (!Put(&header, sizeof header) || !Put(name.data(), name.size())) return false;
  try {
    folders_.emplace(name);
  } catch (const std::bad_alloc&) {
    return Fail("out of memory");
  }
  ++trailer_.entryCount;
  entriesLength_ += static_cast<std::int64_t>(sizeof header) + static_cast<std::int64_t>(name.size());
  return true;
}

bool PackageWriter::StartFile(std::string_view name, std::size_t dataLength) {
  if (!Advance(Stage::Entries)) return false;
  std::string why;
  if (!IsSafeEntryName(name, &why)) return Fail("file \"" + std::string(name) + "\": " + why);
  const std::string_view parent = ParentOf(name);
  if (!parent.empty() && !folders_.contains(std::string(parent))) {
    return Fail("file \"" + std::string(name) + "\" comes before its folder");
  }
  if (!Unique(name)) return Fail("file \"" + std::string(name) + "\": another entry has the same name to Windows");
  if (dataLength > static_cast<std::size_t>(INT_MAX)) return Fail("file too large");
  EntryHeader header{};
  header.type = PKG_ENTRY_FILE;
  header.nameLength = static_cast<std::int32_t>(name.size());
  if (dataLength > 0) {
    header.dataOffset = header.nameLength;
    header.dataLength = static_cast<std::int32_t>(dataLength);
  }
  if (!Put(&header, sizeof header) || !Put(name.data(), name.size())) return false;
  ++trailer_.entryCount;
  entriesLength_ += static_cast<std::int64_t>(sizeof header) + static_cast<std::int64_t>(name.size());
  return true;
}

bool PackageWriter::AddFile(std::string_view name, const std::vector<std::uint8_t>& blob) {
  if (!blob.empty() && blob.size() <= static_cast<std::size_t>(kDataBlobHeadSize)) {
    return Fail("file \"" + std::string(name) + "\": not a data blob");
  }
  if (!StartFile(name, blob.size()) || !Put(blob.data(), blob.size())) return false;
  entriesLength_ += static_cast<std::int64_t>(blob.size());
  return true;
}

bool PackageWriter::BeginFile(std::string_view name) {
  const std::int64_t at = sink_.Position();
  const DataBlob room{};
  // EndFile fills in the data length and the blob head.
  if (!StartFile(name, 0) || !Put(&room, sizeof room)) return false;
  entriesLength_ += kDataBlobHeadSize;
  openFile_ = at;
  openNameLength_ = static_cast<std::int32_t>(name.size());
  return true;
}

bool PackageWriter::AppendToFile(const void* data, std::size_t size) {
  if (!error_.empty()) return false;
  if (openFile_ < 0) return Fail("no file begun");
  if (!Put(data, size)) return false;
  entriesLength_ += static_cast<std::int64_t>(size);
  return true;
}

bool PackageWriter::EndFile(const DataBlob& head) {
  if (!error_.empty()) return false;
  if (openFile_ < 0) return Fail("no file begun");
  const std::int64_t blobAt = openFile_ + static_cast<std::int64_t>(sizeof(EntryHeader)) + openNameLength_;
  const std::int64_t length = sink_.Position() - blobAt;
  if (length <= kDataBlobHeadSize || length > INT_MAX) return Fail("the streamed file is not a data blob");
  EntryHeader header{};
  header.type = PKG_ENTRY_FILE;
  header.nameLength = openNameLength_;
  header.dataOffset = openNameLength_;
  header.dataLength = static_cast<std::int32_t>(length);
  if (!sink_.Patch(openFile_, &header, sizeof header) || !sink_.Patch(blobAt, &head, sizeof head)) {
    return Fail("writing the package failed");
  }
  openFile_ = -1;
  return true;
}

bool PackageWriter::AddShortcut(std::string_view menuPath, std::string_view target, std::string_view description) {
  if (!Advance(Stage::Shortcuts)) return false;
  std::string why;
  // A record with a target becomes a link below the Programs folder.
  if (!target.empty() && !IsSafeMenuPath(menuPath, &why)) {
    return Fail("shortcut menu path \"" + std::string(menuPath) + "\": " + why);
  }
  if (!target.empty() && !IsSafeProgramPath(target, &why)) {
    return Fail("shortcut target \"" + std::string(target) + "\": " + why);
  }
  const std::string_view texts[3] = {menuPath, target, description};
  ShortcutHeader header{};
  std::int64_t total = 0;
  for (int i = 0; i < 3; ++i) {
    if (texts[i].size() > static_cast<std::size_t>(INT_MAX)) return Fail("shortcut text too long");
    header.length[i] = static_cast<std::int32_t>(texts[i].size());
    total += header.length[i];
  }
  if (total > INT_MAX) return Fail("shortcut record too long");
  header.total = static_cast<std::int32_t>(total);
  if (!Put(&header, sizeof header)) return false;
  for (const std::string_view text : texts) {
    if (!Put(text.data(), text.size())) return false;
  }
  ++trailer_.shortcutCount;
  return true;
}

bool PackageWriter::Finish() {
  if (!Advance(Stage::Done)) return false;
  const std::int64_t counted = infoLength_ + entriesLength_;
  if (counted > INT_MAX) return Fail("the package would not stay below 2 GiB");
  trailer_.countedLength = static_cast<std::int32_t>(counted);
  return Put(&trailer_, sizeof trailer_, true);
}
