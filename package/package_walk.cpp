// The package walk: one pass from the info block to the trailer through a
// read buffer, sums formed in 64 bits, the first fault ending it.
#include "package/package_walk.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "package/decimal.h"
#include "package/blob_decoder.h"
#include "package/entry_name.h"
#include "package/entry_rule.h"
#include "package/name_fold.h"
#include "platform/file.h"
#include "platform/file_reader.h"
#include "platform/utf.h"

namespace {

constexpr std::int64_t kTrailerSize = static_cast<std::int64_t>(sizeof(PackageTrailer));
constexpr std::int64_t kEntryHeaderSize = static_cast<std::int64_t>(sizeof(EntryHeader));
constexpr std::int64_t kShortcutHeaderSize = static_cast<std::int64_t>(sizeof(ShortcutHeader));

std::string Shown(const std::string& text) {
  return platform::IsValidUtf8(text) ? "'" + text + "'" : std::string("(not valid UTF-8)");
}

// UTF-16 units of valid UTF-8: one per character, two above U+FFFF.
std::size_t Utf16Units(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) ++units;
    if (b >= 0xF0) ++units;
  }
  return units;
}

class Walker {
 public:
  Walker(platform::File& file, const WalkOptions& options, PackageFacts& facts, WalkFault& fault)
      : file_(file), options_(options), facts_(facts), fault_(fault) {}

  bool Run() {
    facts_.fileSize = file_.Size();
    ImageFacts image;
    ReadImageFacts(file_, image);
    facts_.stubKind = image.kind;
    PackagePlace place;
    if (!LocatePackage(file_, place)) return NoTrailer();
    end_ = place.trailerOffset;
    facts_.trailerOffset = end_;
    facts_.trailer = place.trailer;
    facts_.signedInstaller = place.beforeSignature;
    reader_.Attach(&file_);
    const PackageTrailer& t = facts_.trailer;

    const std::int32_t* words = reinterpret_cast<const std::int32_t*>(&t);
    for (int i = 0; i < 11; ++i) {
      // Readers ignore word 1, and a block of length 0 has no offset.
      const bool used = i == 0 || (i >= 3 && i <= 6) || i == 8 || i == 10 || (i == 7 && t.pictureLength > 0) ||
                        (i == 9 && t.agreementLength > 0);
      if (i != 2 && (used || Strict()) && words[i] < 0) {
        return Fault(end_ + 4 * i, "trailer word " + Decimal(i) + " is negative (" + Decimal(words[i]) + ")");
      }
    }
    std::int64_t pos = t.infoOffset;
    if (!Info(pos)) return false;
    const std::int64_t infoEnd = pos;
    if (t.pictureLength > 0) {
      if (Strict() && t.pictureOffset != pos) {
        return Fault(end_ + 28, "the picture block starts at " + Decimal(t.pictureOffset) +
                                    ", not where the info block ends (" + Decimal(pos) + ")");
      }
      if (!Need(t.pictureOffset, t.pictureLength, "the picture block")) return false;
      pos = static_cast<std::int64_t>(t.pictureOffset) + t.pictureLength;
    }
    if (t.agreementLength > 0) {
      if (Strict() && t.agreementOffset != pos) {
        return Fault(end_ + 36, "the agreement block starts at " + Decimal(t.agreementOffset) +
                                    ", not where the block before it ends (" + Decimal(pos) + ")");
      }
      if (!Need(t.agreementOffset, t.agreementLength, "the agreement block")) return false;
      if (!Agreement(t.agreementOffset, t.agreementLength)) return false;
      pos = static_cast<std::int64_t>(t.agreementOffset) + t.agreementLength;
    }
    if (Strict() && t.entryListOffset != pos) {
      return Fault(end_ + 12, "the entry list starts at " + Decimal(t.entryListOffset) +
                                  ", not where the block before it ends (" + Decimal(pos) + ")");
    }
    pos = t.entryListOffset;
    for (std::int32_t i = 0; i < t.entryCount; ++i) {
      if (!Entry(i, pos)) return false;
    }
    if (pos != t.shortcutListOffset) {
      return Fault(pos, "the entry list ends at " + Decimal(pos) + ", but the shortcut list starts at " +
                            Decimal(t.shortcutListOffset));
    }
    const std::int64_t counted = (infoEnd - t.infoOffset) + (pos - t.entryListOffset);
    if (Strict() && t.countedLength != counted) {
      return Fault(end_ + 4, "trailer word 1 is " + Decimal(t.countedLength) +
                                 ", not the info block plus entry list length " + Decimal(counted));
    }
    for (std::int32_t i = 0; i < t.shortcutCount; ++i) {
      if (!Shortcut(i, pos)) return false;
    }
    if (pos != end_) {
      return Fault(pos, "the shortcut list ends at " + Decimal(pos) + ", but the trailer begins at " + Decimal(end_));
    }
    return true;
  }

 private:
  bool Strict() const { return options_.level == WalkLevel::Conformance; }

  bool Fault(std::int64_t offset, std::string what) {
    fault_.offset = offset;
    fault_.what = std::move(what);
    return false;
  }

  bool NoTrailer() {
    const std::int64_t size = facts_.fileSize;
    if (size < kTrailerSize) {
      return Fault(0, "the file is " + Decimal(size) + " bytes, shorter than the 44-byte trailer");
    }
    PackageTrailer t;
    std::uint32_t got = 0;
    if (!file_.Seek(size - kTrailerSize) || !file_.Read(&t, sizeof t, &got) || got != sizeof t) {
      return Fault(size - kTrailerSize, "the trailer cannot be read");
    }
    return Fault(size - kTrailerSize + 8,
                 "trailer word 2 is " + Hex32(t.magic) + ", not the package mark " + Hex32(PKG_MAGIC));
  }

  // The n bytes at offset lie inside the package (before the trailer).
  bool Need(std::int64_t offset, std::int64_t n, const std::string& what) {
    if (offset < 0 || n < 0 || offset > end_ || n > end_ - offset) {
      return Fault(offset < 0 ? 0 : offset, what + " (" + Decimal(n) + " bytes at " + Decimal(offset) +
                                                ") runs past the end of the package at " + Decimal(end_));
    }
    return true;
  }

  // A header of n bytes at offset, inside the package.
  bool Header(std::int64_t offset, void* out, std::size_t n, const std::string& what) {
    if (!Need(offset, static_cast<std::int64_t>(n), what)) return false;
    const unsigned char* p = reader_.Peek(offset, n);
    if (!p) return Fault(offset, what + " cannot be read");
    std::memcpy(out, p, n);
    return true;
  }

  // n bytes at offset, already known to lie inside the package.
  bool Text(std::int64_t offset, std::int32_t n, std::string& out, const std::string& what) {
    out.assign(static_cast<std::size_t>(n), '\0');
    if (n > 0 && !reader_.ReadAt(offset, out.data(), out.size())) return Fault(offset, what + " cannot be read");
    return true;
  }

  bool Info(std::int64_t& pos) {
    PackageInfoHeader h;
    if (!Header(pos, &h, sizeof h, "the info header")) return false;
    std::int64_t sum = 0;
    for (int i = 0; i < 5; ++i) {
      if (h.length[i] < 0) {
        return Fault(pos + 4 + 4 * i, "info text " + Decimal(i + 1) + " has a negative length");
      }
      sum += h.length[i];
    }
    if (sum != h.total) {
      return Fault(pos,
                   "the info total " + Decimal(h.total) + " differs from the sum of the text lengths " + Decimal(sum));
    }
    pos += static_cast<std::int64_t>(sizeof h);
    if (!Need(pos, h.total, "the info texts")) return false;
    for (int i = 0; i < 5; ++i) {
      if (!Text(pos, h.length[i], facts_.texts[i], "the info texts")) return false;
      if (Strict() && !platform::IsValidUtf8(facts_.texts[i])) {
        return Fault(pos, "info text " + Decimal(i + 1) + " is not valid UTF-8");
      }
      pos += h.length[i];
    }
    std::string why;
    if (!TypedRecord(pos, PKG_RECORD_MAIN_PROGRAM, "main-program record", facts_.mainProgram)) return false;
    if (!facts_.mainProgram.empty() && !IsSafeProgramPath(facts_.mainProgram, &why)) {
      return Fault(pos - static_cast<std::int64_t>(facts_.mainProgram.size()),
                   "the main program " + Shown(facts_.mainProgram) + " is not a safe path: " + why);
    }
    if (!TypedRecord(pos, PKG_RECORD_RECORD_FILE, "record-file record", facts_.recordFile)) return false;
    if (!facts_.recordFile.empty() && !IsSafeEntryName(facts_.recordFile, &why)) {
      return Fault(pos - static_cast<std::int64_t>(facts_.recordFile.size()),
                   "the record-file name " + Shown(facts_.recordFile) + " is not a safe name: " + why);
    }
    return true;
  }

  bool TypedRecord(std::int64_t& pos, std::int16_t type, const std::string& what, std::string& value) {
    EntryHeader h;
    if (!Header(pos, &h, sizeof h, "the " + what)) return false;
    if (h.type != type) {
      return Fault(pos, "expected the " + what + " (type " + Decimal(type) + "), found type " + Decimal(h.type));
    }
    if (h.dataLength != 0) return Fault(pos + 16, "the " + what + " carries data");
    if (h.nameLength < 0) return Fault(pos + 8, "the " + what + " has a negative length");
    pos += kEntryHeaderSize;
    if (!Need(pos, h.nameLength, "the " + what) || !Text(pos, h.nameLength, value, "the " + what)) return false;
    pos += h.nameLength;
    return true;
  }

  bool Agreement(std::int64_t offset, std::int32_t length) {
    DataBlob head{};
    if (length > kDataBlobHeadSize) {
      if (!Header(offset, &head, sizeof head, "the agreement block")) return false;
      facts_.agreementRawLength = head.rawLength;
    }
    // A plain text is allowed where the installer reads it; mksetup writes a blob.
    if (!Strict() || !options_.decodeBlobs) return true;
    return Blob(offset, length, "the agreement block", head);
  }

  bool Entry(std::int32_t index, std::int64_t& pos) {
    const std::string label = "entry " + Decimal(index + 1);
    EntryHeader h;
    if (!Header(pos, &h, sizeof h, label + " header")) return false;
    if (h.nameLength < 0 || h.dataLength < 0) return Fault(pos + 8, label + " has a negative length");
    const std::int64_t at = pos + kEntryHeaderSize;
    if (!Need(at, static_cast<std::int64_t>(h.nameLength) + h.dataLength, label)) return false;
    WalkedEntry e;
    e.type = h.type;
    e.offset = pos;
    e.dataLength = h.dataLength;
    if (!Text(at, h.nameLength, e.name, label)) return false;
    const std::string named = label + " " + Shown(e.name);
    if (const char* fault = EntryHeaderFault(h)) return Fault(pos, named + " " + fault);
    const bool creates = h.type == PKG_ENTRY_FOLDER || h.type == PKG_ENTRY_FILE;
    if (Strict()) {
      if (!creates) {
        return Fault(pos, named + " has type " + Decimal(h.type) + ", neither folder (0) nor file (8)");
      }
      if (h.type == PKG_ENTRY_FOLDER && h.dataLength != 0) return Fault(pos + 16, named + " is a folder with data");
    }
    std::string why;
    if (!IsSafeEntryName(e.name, &why)) return Fault(at, named + " is not a safe name: " + why);
    if (creates && !Placed(e, pos)) return false;
    const std::int64_t data = at + h.nameLength;
    if (h.dataLength > 0) {
      DataBlob head;
      if (!Header(data, &head, sizeof head, named)) return false;
      e.rawLength = head.rawLength;
      if (options_.decodeBlobs && !Blob(data, h.dataLength, named, head)) return false;
    }
    if (creates) facts_.longestName = std::max(facts_.longestName, Utf16Units(e.name));
    facts_.entries.push_back(std::move(e));
    pos = data + h.dataLength;
    return true;
  }

  // A folder or file lies in the install folder or in a folder listed
  // before it, and no other folder or file has the same name to Windows;
  // at the conformance level the items of each folder also come depth
  // first in upper-case name order.
  bool Placed(const WalkedEntry& e, std::int64_t pos) {
    std::string_view parent, leaf;
    SplitEntryName(e.name, parent, leaf);
    if (!parent.empty() && folders_.count(std::string(parent)) == 0) {
      return Fault(pos, "entry " + Shown(e.name) + " comes before the entry of its folder, or its folder is missing");
    }
    const auto [clash, fresh] = keys_.emplace(FoldName(e.name), e.name);
    if (!fresh) {
      return Fault(pos + kEntryHeaderSize, "entry " + Shown(e.name) + " and '" + clash->second +
                                               "' differ only in letter case: Windows takes them for one name");
    }
    if (e.type == PKG_ENTRY_FOLDER) folders_.insert(e.name);
    return !Strict() || InOrder(e, parent, leaf, pos);
  }

  bool InOrder(const WalkedEntry& e, std::string_view parent, std::string_view leaf, std::int64_t pos) {
    std::size_t level = open_.size();
    while (level > 0 && open_[level - 1].path != parent) --level;
    if (level == 0) return Fault(pos, "entry " + Shown(e.name) + " comes away from the entries of its folder");
    open_.resize(level);
    Level& here = open_.back();
    if (here.hasLast && !EntryNameLess(here.last, leaf)) {
      return Fault(pos, "entry " + Shown(e.name) + " is out of order: it should come before '" + here.last + "'");
    }
    here.last = std::string(leaf);
    here.hasLast = true;
    if (e.type == PKG_ENTRY_FOLDER) open_.push_back({e.name, std::string(), false});
    return true;
  }

  // Feeds the whole stream, so that a damaged blob is named by its checksum.
  bool Blob(std::int64_t offset, std::int32_t length, const std::string& what, const DataBlob& head) {
    if (!decoder_.Begin(head, length, nullptr)) {
      return Fault(offset + decoder_.FaultOffset(), what + ": " + decoder_.Fault());
    }
    std::int64_t at = offset + kDataBlobHeadSize;
    const std::int64_t end = offset + length;
    while (at < end) {
      std::size_t got = 0;
      const std::int64_t left = end - at;
      const std::size_t want = left < static_cast<std::int64_t>(platform::FileReader::kCapacity)
                                   ? static_cast<std::size_t>(left)
                                   : platform::FileReader::kCapacity;
      const unsigned char* p = reader_.Next(at, want, &got);
      if (!p) return Fault(at, what + ": cannot be read");
      decoder_.Feed(p, got);
      at += static_cast<std::int64_t>(got);
    }
    if (!decoder_.Finish()) return Fault(offset + decoder_.FaultOffset(), what + ": " + decoder_.Fault());
    return true;
  }

  bool Shortcut(std::int32_t index, std::int64_t& pos) {
    const std::string label = "shortcut record " + Decimal(index + 1);
    ShortcutHeader h;
    if (!Header(pos, &h, sizeof h, label + " header")) return false;
    std::int64_t sum = 0;
    for (int i = 0; i < 4; ++i) {
      if (h.length[i] < 0) return Fault(pos + 4 * i, label + " has a negative length");
      sum += h.length[i];
    }
    if (sum != h.total) {
      return Fault(pos + 20,
                   label + ": total " + Decimal(h.total) + " differs from the sum of its lengths " + Decimal(sum));
    }
    if (!Need(pos + kShortcutHeaderSize, h.total, label)) return false;
    WalkedShortcut s;
    s.offset = pos;
    std::int64_t at = pos + kShortcutHeaderSize;
    std::string* texts[3] = {&s.menu, &s.target, &s.description};
    for (int i = 0; i < 3; ++i) {
      if (!Text(at, h.length[i], *texts[i], label)) return false;
      if (Strict() && !platform::IsValidUtf8(*texts[i])) {
        return Fault(at, label + ": text " + Decimal(i + 1) + " is not valid UTF-8");
      }
      at += h.length[i];
    }
    // A record without a target creates nothing; any other one becomes a
    // link file below the Programs folder pointing into the installation.
    std::string why;
    if (!s.target.empty()) {
      if (!IsSafeEntryName(s.menu, &why)) {
        return Fault(pos + kShortcutHeaderSize, label + ": the menu path " + Shown(s.menu) + " is not safe: " + why);
      }
      if (!IsSafeProgramPath(s.target, &why)) {
        return Fault(pos + kShortcutHeaderSize + h.length[0],
                     label + ": the target " + Shown(s.target) + " is not a safe path: " + why);
      }
    }
    facts_.shortcuts.push_back(std::move(s));
    pos += kShortcutHeaderSize + h.total;
    return true;
  }

  struct Level {
    std::string path;
    std::string last;
    bool hasLast;
  };

  platform::File& file_;
  const WalkOptions& options_;
  PackageFacts& facts_;
  WalkFault& fault_;
  platform::FileReader reader_;
  BlobDecoder decoder_;
  std::int64_t end_ = 0;
  std::unordered_set<std::string> folders_;
  std::unordered_map<std::string, std::string> keys_;  // folded name -> name as stored
  std::vector<Level> open_{{std::string(), std::string(), false}};
};

}  // namespace

bool WalkPackage(platform::File& file, const WalkOptions& options, PackageFacts& facts, WalkFault& fault) {
  facts = PackageFacts();
  fault = WalkFault();
  Walker walker(file, options, facts, fault);
  return walker.Run();
}

bool WalkPackage(const std::wstring& path, const WalkOptions& options, PackageFacts& facts, WalkFault& fault) {
  platform::File file;
  if (!file.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting)) {
    facts = PackageFacts();
    fault = WalkFault{0, "the file cannot be opened"};
    return false;
  }
  return WalkPackage(file, options, facts, fault);
}
