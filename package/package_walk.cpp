// The package walk: one pass from the info block to the trailer through a
// read buffer, sums formed in 64 bits, the first fault ending it.
#include "package/package_walk.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "package/decimal.h"
#include "package/entry_name.h"
#include "package/name_fold.h"
#include "package/package_parse.h"
#include "platform/file.h"
#include "platform/utf.h"

namespace {

constexpr std::int64_t kTrailerSize = static_cast<std::int64_t>(sizeof(PackageTrailer));
constexpr std::int64_t kShortcutHeaderSize = static_cast<std::int64_t>(sizeof(ShortcutHeader));

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
    parser_.Attach(&file_, end_);
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
      if (!parser_.Need(t.pictureOffset, t.pictureLength, "the picture block")) return ParserFault();
      pos = static_cast<std::int64_t>(t.pictureOffset) + t.pictureLength;
    }
    if (t.agreementLength > 0) {
      if (Strict() && t.agreementOffset != pos) {
        return Fault(end_ + 36, "the agreement block starts at " + Decimal(t.agreementOffset) +
                                    ", not where the block before it ends (" + Decimal(pos) + ")");
      }
      if (!parser_.Need(t.agreementOffset, t.agreementLength, "the agreement block")) return ParserFault();
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
  bool ParserFault() {
    fault_ = parser_.Fault();
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

  bool Info(std::int64_t& pos) {
    const std::int64_t start = pos + static_cast<std::int64_t>(sizeof(PackageInfoHeader));
    if (!parser_.Info(pos, facts_.texts)) return ParserFault();
    std::int64_t at = start;
    for (int i = 0; i < 5; ++i) {
      if (Strict() && !platform::IsValidUtf8(facts_.texts[i])) {
        return Fault(at, "info text " + Decimal(i + 1) + " is not valid UTF-8");
      }
      at += static_cast<std::int64_t>(facts_.texts[i].size());
    }
    // The product name names the install folder below the chosen place and
    // the desktop and Startup shortcuts: one name, kept in its folder.
    std::string why;
    if (!IsSafeNameComponent(facts_.texts[0], &why)) {
      return Fault(start,
                   "the product name " + ShownName(facts_.texts[0]) + " cannot name a folder or a shortcut: " + why);
    }
    if (!TypedRecord(pos, PKG_RECORD_MAIN_PROGRAM, "main-program record", facts_.mainProgram)) return false;
    if (!facts_.mainProgram.empty() && !IsSafeProgramPath(facts_.mainProgram, &why)) {
      return Fault(pos - static_cast<std::int64_t>(facts_.mainProgram.size()),
                   "the main program " + ShownName(facts_.mainProgram) + " is not a safe path: " + why);
    }
    if (!TypedRecord(pos, PKG_RECORD_RECORD_FILE, "record-file record", facts_.recordFile)) return false;
    if (!facts_.recordFile.empty() && !IsSafeEntryName(facts_.recordFile, &why)) {
      return Fault(pos - static_cast<std::int64_t>(facts_.recordFile.size()),
                   "the record-file name " + ShownName(facts_.recordFile) + " is not a safe name: " + why);
    }
    return true;
  }

  bool TypedRecord(std::int64_t& pos, std::int16_t type, const char* what, std::string& value) {
    const std::int64_t at = pos;
    EntryHeader h;
    if (!parser_.TypedRecord(pos, type, what, value, h)) return ParserFault();
    if (h.dataLength != 0) return Fault(at + 16, std::string("the ") + what + " carries data");
    return true;
  }

  bool Agreement(std::int64_t offset, std::int32_t length) {
    DataBlob head{};
    if (length > kDataBlobHeadSize) {
      if (!parser_.BlobHead(offset, "the agreement block", head)) return ParserFault();
      facts_.agreementRawLength = head.rawLength;
    }
    // A plain text is allowed where the installer reads it; mksetup writes a blob.
    if (!Strict() || !options_.decodeBlobs) return true;
    return parser_.Blob(offset, length, nullptr, "the agreement block") || ParserFault();
  }

  bool Entry(std::int32_t index, std::int64_t& pos) {
    ParsedEntry parsed;
    const std::string label = "entry " + Decimal(index + 1);
    if (!parser_.Entry(pos, label, parsed)) return ParserFault();
    const EntryHeader& h = parsed.header;
    WalkedEntry e;
    e.type = h.type;
    e.offset = pos;
    e.dataLength = h.dataLength;
    e.name = std::move(parsed.name);
    const std::string named = label + " " + ShownName(e.name);
    // Only folders and files are made; any other type, or a folder that
    // carries data, is a damaged entry whose file would be lost.
    if (h.type != PKG_ENTRY_FOLDER && h.type != PKG_ENTRY_FILE) {
      return Fault(pos, named + " has type " + Decimal(h.type) + ", neither folder (0) nor file (8)");
    }
    if (h.type == PKG_ENTRY_FOLDER && h.dataLength != 0) return Fault(pos + 16, named + " is a folder with data");
    if (!Placed(e, pos)) return false;
    if (h.dataLength > 0) {
      DataBlob head;
      if (!parser_.BlobHead(parsed.dataAt, named, head)) return ParserFault();
      e.rawLength = head.rawLength;
      if ((options_.decodeBlobs || options_.checkSums) &&
          !parser_.Blob(parsed.dataAt, h.dataLength, nullptr, named, options_.decodeBlobs))
        return ParserFault();
    }
    std::size_t& longest = h.type == PKG_ENTRY_FOLDER ? facts_.longestFolderName : facts_.longestFileName;
    longest = std::max(longest, platform::Utf16Length(e.name));
    facts_.entries.push_back(std::move(e));
    pos = parsed.next;
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
      return Fault(pos,
                   "entry " + ShownName(e.name) + " comes before the entry of its folder, or its folder is missing");
    }
    const auto [clash, fresh] = keys_.emplace(FoldName(e.name), e.name);
    if (!fresh) {
      return Fault(pos + static_cast<std::int64_t>(sizeof(EntryHeader)),
                   "entry " + ShownName(e.name) + " and '" + clash->second +
                       "' are one name to Windows (at most their letter case differs)");
    }
    if (e.type == PKG_ENTRY_FOLDER) folders_.insert(e.name);
    return !Strict() || InOrder(e, parent, leaf, pos);
  }

  bool InOrder(const WalkedEntry& e, std::string_view parent, std::string_view leaf, std::int64_t pos) {
    std::size_t level = open_.size();
    while (level > 0 && open_[level - 1].path != parent) --level;
    if (level == 0) return Fault(pos, "entry " + ShownName(e.name) + " comes away from the entries of its folder");
    open_.resize(level);
    Level& here = open_.back();
    if (here.hasLast && !EntryNameLess(here.last, leaf)) {
      return Fault(pos, "entry " + ShownName(e.name) + " is out of order: it should come before '" + here.last + "'");
    }
    here.last = std::string(leaf);
    here.hasLast = true;
    if (e.type == PKG_ENTRY_FOLDER) open_.push_back({e.name, std::string(), false});
    return true;
  }

  bool Shortcut(std::int32_t index, std::int64_t& pos) {
    const std::string label = "shortcut record " + Decimal(index + 1);
    ParsedShortcut parsed;
    if (!parser_.Shortcut(pos, label, parsed)) return ParserFault();
    WalkedShortcut s;
    s.offset = pos;
    std::int64_t at = pos + kShortcutHeaderSize;
    for (int i = 0; i < 3; ++i) {
      if (Strict() && !platform::IsValidUtf8(parsed.texts[i])) {
        return Fault(at, label + ": text " + Decimal(i + 1) + " is not valid UTF-8");
      }
      at += static_cast<std::int64_t>(parsed.texts[i].size());
    }
    s.menu = std::move(parsed.texts[0]);
    s.target = std::move(parsed.texts[1]);
    s.description = std::move(parsed.texts[2]);
    // A record without a target creates nothing; any other one becomes a
    // link file below the Programs folder pointing into the installation.
    std::string why;
    if (!s.target.empty()) {
      if (!IsSafeMenuPath(s.menu, &why)) {
        return Fault(pos + kShortcutHeaderSize,
                     label + ": the menu path " + ShownName(s.menu) + " is not safe: " + why);
      }
      if (!IsSafeProgramPath(s.target, &why)) {
        return Fault(pos + kShortcutHeaderSize + static_cast<std::int64_t>(s.menu.size()),
                     label + ": the target " + ShownName(s.target) + " is not a safe path: " + why);
      }
    }
    facts_.shortcuts.push_back(std::move(s));
    pos = parsed.next;
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
  PackageParser parser_;
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
