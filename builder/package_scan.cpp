#include "builder/package_scan.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>

#include <zlib.h>

#include "builder/entry_names.h"
#include "builder/path_text.h"
#include "package/package_checksum.h"
#include "package/package_place.h"
#include "platform/file.h"
#include "package/package_writer.h"
#include "platform/utf.h"

namespace builder {
namespace {

constexpr std::size_t kDecodePiece = 1u << 20;

std::string Hex(std::uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

// Random access to the installer with every read checked against its size.
class RawFile {
 public:
  bool Open(const std::filesystem::path& path) {
    in_.open(path, std::ios::binary);
    if (!in_) return false;
    in_.seekg(0, std::ios::end);
    size_ = static_cast<std::int64_t>(in_.tellg());
    return size_ >= 0;
  }
  std::int64_t Size() const { return size_; }
  bool ReadAt(std::int64_t offset, void* buffer, std::size_t n) {
    if (offset < 0 || offset > size_ || static_cast<std::int64_t>(n) > size_ - offset) return false;
    in_.clear();
    in_.seekg(offset);
    in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(n));
    return static_cast<std::size_t>(in_.gcount()) == n;
  }
  bool ReadText(std::int64_t offset, std::int32_t n, std::string& out) {
    out.assign(static_cast<std::size_t>(n), '\0');
    return n == 0 || ReadAt(offset, out.data(), out.size());
  }

 private:
  std::ifstream in_;
  std::int64_t size_ = -1;
};

class Inflater {
 public:
  Inflater() { ok_ = inflateInit(&zs_) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&zs_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ok() const { return ok_; }
  z_stream* get() { return &zs_; }

 private:
  z_stream zs_{};
  bool ok_ = false;
};

std::string Shown(const std::string& name) {
  return platform::IsValidUtf8(name) ? "'" + name + "'" : std::string("(name not valid UTF-8)");
}

class Scanner {
 public:
  Scanner(RawFile& file, const PackagePlace& place, const ScanOptions& options, PackageScan& scan, ScanFault& fault)
      : file_(file), place_(place), options_(options), scan_(scan), fault_(fault) {}

  bool Run() {
    scan_.fileSize = file_.Size();
    if (scan_.fileSize < static_cast<std::int64_t>(sizeof(PackageTrailer))) {
      return Fault(0, "the file is " + std::to_string(scan_.fileSize) + " bytes, shorter than the 44-byte trailer");
    }
    end_ = scan_.fileSize - static_cast<std::int64_t>(sizeof(PackageTrailer));
    PackageTrailer& t = scan_.trailer;
    if (place_.trailerOffset >= 0) {
      // Found at the end, or before the certificate table of a signed installer.
      end_ = place_.trailerOffset;
      t = place_.trailer;
      scan_.signedInstaller = place_.beforeSignature;
      scan_.trailerOffset = end_;
    } else {
      if (!file_.ReadAt(end_, &t, sizeof t)) return Fault(end_, "the trailer cannot be read");
      return Fault(end_ + 8, "trailer word 2 is " + Hex(t.magic) + ", not the package mark " + Hex(PKG_MAGIC));
    }
    const std::int32_t* words = reinterpret_cast<const std::int32_t*>(&t);
    for (int i = 0; i < 11; ++i) {
      if (i != 2 && words[i] < 0) {
        return Fault(end_ + 4 * i,
                     "trailer word " + std::to_string(i) + " is negative (" + std::to_string(words[i]) + ")");
      }
    }
    std::int64_t pos = t.infoOffset;
    if (!ReadInfo(pos)) return false;
    const std::int64_t infoEnd = pos;

    if (t.pictureLength > 0) {
      if (t.pictureOffset != pos) {
        return Fault(end_ + 28, "the picture block starts at " + std::to_string(t.pictureOffset) +
                                    ", not where the info block ends (" + std::to_string(pos) + ")");
      }
      if (!Need(pos, t.pictureLength, "the picture block")) return false;
      pos += t.pictureLength;
    }
    if (t.agreementLength > 0) {
      if (t.agreementOffset != pos) {
        return Fault(end_ + 36, "the agreement block starts at " + std::to_string(t.agreementOffset) +
                                    ", not where the block before it ends (" + std::to_string(pos) + ")");
      }
      if (!Need(pos, t.agreementLength, "the agreement block")) return false;
      if (!Blob(pos, t.agreementLength, "the agreement block", scan_.agreementRawLength)) return false;
      pos += t.agreementLength;
    }
    if (t.entryListOffset != pos) {
      return Fault(end_ + 12, "the entry list starts at " + std::to_string(t.entryListOffset) +
                                  ", not where the block before it ends (" + std::to_string(pos) + ")");
    }
    for (std::int32_t i = 0; i < t.entryCount; ++i) {
      if (!Entry(i, pos)) return false;
    }
    if (pos != t.shortcutListOffset) {
      return Fault(pos, "the entry list ends at " + std::to_string(pos) + ", but the shortcut list starts at " +
                            std::to_string(t.shortcutListOffset));
    }
    const std::int64_t counted = (infoEnd - t.infoOffset) + (pos - t.entryListOffset);
    if (t.countedLength != counted) {
      return Fault(end_ + 4, "trailer word 1 is " + std::to_string(t.countedLength) +
                                 ", not the info block plus entry list length " + std::to_string(counted));
    }
    for (std::int32_t i = 0; i < t.shortcutCount; ++i) {
      if (!Shortcut(i, pos)) return false;
    }
    if (pos != end_) {
      return Fault(pos, "the shortcut list ends at " + std::to_string(pos) + ", but the trailer begins at " +
                            std::to_string(end_));
    }
    return true;
  }

 private:
  bool Fault(std::int64_t offset, std::string what) {
    fault_.offset = offset;
    fault_.what = std::move(what);
    return false;
  }

  // The n bytes at offset lie inside the package (before the trailer).
  bool Need(std::int64_t offset, std::int64_t n, const std::string& what) {
    if (offset < 0 || n < 0 || offset > end_ || n > end_ - offset) {
      return Fault(offset < 0 ? 0 : offset, what + " (" + std::to_string(n) + " bytes at " + std::to_string(offset) +
                                                ") runs past the end of the package at " + std::to_string(end_));
    }
    return true;
  }

  // A header of n bytes at offset, inside the package and read in full.
  bool Read(std::int64_t offset, void* buffer, std::size_t n, const std::string& what) {
    if (!Need(offset, static_cast<std::int64_t>(n), what)) return false;
    if (!file_.ReadAt(offset, buffer, n)) return Fault(offset, what + " cannot be read");
    return true;
  }

  bool ReadInfo(std::int64_t& pos) {
    PackageInfoHeader h;
    if (!Read(pos, &h, sizeof h, "the info header")) return false;
    std::int64_t sum = 0;
    for (int i = 0; i < 5; ++i) {
      if (h.length[i] < 0)
        return Fault(pos + 4 + 4 * i, "info text " + std::to_string(i + 1) + " has a negative length");
      sum += h.length[i];
    }
    if (sum != h.total) {
      return Fault(pos, "the info total " + std::to_string(h.total) + " differs from the sum of the text lengths " +
                            std::to_string(sum));
    }
    pos += sizeof h;
    if (!Need(pos, h.total, "the info texts")) return false;
    for (int i = 0; i < 5; ++i) {
      if (!file_.ReadText(pos, h.length[i], scan_.texts[i])) return Fault(pos, "the info texts cannot be read");
      if (options_.checkNames && !platform::IsValidUtf8(scan_.texts[i])) {
        return Fault(pos, "info text " + std::to_string(i + 1) + " is not valid UTF-8");
      }
      pos += h.length[i];
    }
    return TypedRecord(pos, PKG_RECORD_MAIN_PROGRAM, "main-program record", scan_.mainProgram) &&
           TypedRecord(pos, PKG_RECORD_RECORD_FILE, "record-file record", scan_.recordFile);
  }

  bool TypedRecord(std::int64_t& pos, std::int16_t type, const std::string& what, std::string& value) {
    EntryHeader h;
    if (!Read(pos, &h, sizeof h, "the " + what)) return false;
    if (h.type != type) {
      return Fault(
          pos, "expected the " + what + " (type " + std::to_string(type) + "), found type " + std::to_string(h.type));
    }
    if (h.dataLength != 0) return Fault(pos + 16, "the " + what + " carries data");
    if (h.nameLength < 0) return Fault(pos + 8, "the " + what + " has a negative length");
    if (!Need(pos + sizeof h, h.nameLength, "the " + what)) return false;
    if (!file_.ReadText(pos + sizeof h, h.nameLength, value)) return Fault(pos, "the " + what + " cannot be read");
    if (options_.checkNames && !platform::IsValidUtf8(value))
      return Fault(pos + sizeof h, "the " + what + " is not valid UTF-8");
    pos += sizeof h + h.nameLength;
    return true;
  }

  bool Entry(std::int32_t index, std::int64_t& pos) {
    const std::string label = "entry " + std::to_string(index + 1);
    EntryHeader h;
    if (!Read(pos, &h, sizeof h, label + " header")) return false;
    if (h.nameLength < 0 || h.dataLength < 0) return Fault(pos + 8, label + " has a negative length");
    if (!Need(pos + sizeof h, static_cast<std::int64_t>(h.nameLength) + h.dataLength, label)) return false;
    ScannedEntry e;
    e.type = h.type;
    e.offset = pos;
    e.dataLength = h.dataLength;
    if (!file_.ReadText(pos + sizeof h, h.nameLength, e.name)) return Fault(pos, label + " cannot be read");
    const std::string named = label + " " + Shown(e.name);
    if (options_.checkNames) {
      if (h.type != PKG_ENTRY_FOLDER && h.type != PKG_ENTRY_FILE) {
        return Fault(pos, named + " has type " + std::to_string(h.type) + ", neither folder (0) nor file (8)");
      }
      std::string why;
      if (!IsInstallableName(e.name, &why)) return Fault(pos + sizeof h, named + " is not a safe name: " + why);
      if (h.type == PKG_ENTRY_FOLDER && h.dataLength != 0) return Fault(pos + 16, named + " is a folder with data");
      if (!InOrder(e, pos)) return false;
    }
    const std::int64_t data = pos + sizeof h + h.nameLength;
    if (h.type == PKG_ENTRY_FILE && h.dataLength > 0) {
      if (!Blob(data, h.dataLength, named, e.rawLength)) return false;
    }
    scan_.entries.push_back(std::move(e));
    pos = data + h.dataLength;
    return true;
  }

  // Depth first, a folder before its contents, the items of one folder in
  // upper-case name order.
  bool InOrder(const ScannedEntry& e, std::int64_t pos) {
    std::string_view parent, leaf;
    SplitEntryName(e.name, parent, leaf);
    std::size_t level = open_.size();
    while (level > 0 && open_[level - 1].path != parent) --level;
    if (level == 0) {
      return Fault(pos, "entry " + Shown(e.name) + " comes before, or away from, the entry of its folder");
    }
    open_.resize(level);
    Level& here = open_.back();
    if (here.hasLast && !EntryNameLess(here.last, leaf)) {
      return Fault(pos, "entry " + Shown(e.name) + " is out of order: it should come before '" + here.last +
                            "' (or has the same name in other letter case)");
    }
    here.last = std::string(leaf);
    here.hasLast = true;
    if (e.type == PKG_ENTRY_FOLDER) open_.push_back({e.name, std::string(), false});
    return true;
  }

  bool Blob(std::int64_t offset, std::int32_t length, const std::string& what, std::int32_t& rawLength) {
    if (length <= kDataBlobHeadSize) {
      return options_.decodeBlobs
                 ? Fault(offset, what + ": a blob of " + std::to_string(length) + " bytes cannot be decoded")
                 : true;
    }
    DataBlob head;
    if (!file_.ReadAt(offset, &head, sizeof head)) return Fault(offset, what + ": cannot be read");
    rawLength = head.rawLength;
    if (!options_.decodeBlobs) return true;
    if (head.rawLength < 0 || head.rawLength > PKG_MAX_RAW_LENGTH) {
      return Fault(offset + 4, what + ": raw length " + std::to_string(head.rawLength) + " is out of range");
    }
    Inflater zs;
    if (!zs.ok()) return Fault(offset, what + ": cannot start the decompressor");
    // One pair of pieces for the whole scan: allocating (and zeroing) them
    // per blob made verifying thousands of small files take minutes.
    if (in_.empty()) {
      in_.resize(kDecodePiece);
      out_.resize(kDecodePiece);
    }
    std::vector<unsigned char>& in = in_;
    std::vector<unsigned char>& out = out_;
    std::uint32_t checksum = 0;
    std::int64_t produced = 0;
    std::int64_t left = length - kDataBlobHeadSize;
    std::int64_t at = offset + kDataBlobHeadSize;
    std::string streamFault;
    std::int64_t streamFaultAt = 0;
    bool ended = false;
    while (left > 0) {
      std::size_t n = static_cast<std::size_t>(left < static_cast<std::int64_t>(in.size()) ? left : in.size());
      if (!file_.ReadAt(at, in.data(), n)) return Fault(at, what + ": cannot be read");
      checksum = PackageChecksumUpdate(checksum, in.data(), n);
      if (streamFault.empty()) {
        if (ended) {
          streamFault = "bytes follow the end of the zlib stream";
          streamFaultAt = at;
        }
        zs.get()->next_in = in.data();
        zs.get()->avail_in = static_cast<uInt>(n);
        while (streamFault.empty() && !ended && zs.get()->avail_in > 0) {
          zs.get()->next_out = out.data();
          zs.get()->avail_out = static_cast<uInt>(out.size());
          int rc = inflate(zs.get(), Z_NO_FLUSH);
          produced += static_cast<std::int64_t>(out.size() - zs.get()->avail_out);
          if (produced > head.rawLength) {
            streamFault = "the stream decodes to more than its raw length " + std::to_string(head.rawLength);
          } else if (rc == Z_STREAM_END) {
            ended = true;
            if (zs.get()->avail_in > 0) streamFault = "bytes follow the end of the zlib stream";
          } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
            streamFault = std::string("the zlib stream is invalid (") + (zs.get()->msg ? zs.get()->msg : "error") + ")";
          }
          if (!streamFault.empty()) streamFaultAt = at + static_cast<std::int64_t>(n - zs.get()->avail_in);
        }
      }
      at += static_cast<std::int64_t>(n);
      left -= static_cast<std::int64_t>(n);
    }
    // Drain what inflate still holds once all input is in.
    while (streamFault.empty() && !ended) {
      zs.get()->next_out = out.data();
      zs.get()->avail_out = static_cast<uInt>(out.size());
      int rc = inflate(zs.get(), Z_FINISH);
      produced += static_cast<std::int64_t>(out.size() - zs.get()->avail_out);
      if (produced > head.rawLength) {
        streamFault = "the stream decodes to more than its raw length " + std::to_string(head.rawLength);
      } else if (rc == Z_STREAM_END) {
        ended = true;
      } else if (rc != Z_OK || zs.get()->avail_out != 0) {
        streamFault = "the zlib stream ends early";
      }
      streamFaultAt = offset + length;
    }
    if (checksum != head.checksum) {
      return Fault(offset, what + ": checksum " + Hex(checksum) + " of the stream differs from the stored " +
                               Hex(head.checksum));
    }
    if (!streamFault.empty()) return Fault(streamFaultAt, what + ": " + streamFault);
    if (produced != head.rawLength) {
      return Fault(offset + 4, what + ": the stream decodes to " + std::to_string(produced) +
                                   " bytes, the raw length says " + std::to_string(head.rawLength));
    }
    return true;
  }

  bool Shortcut(std::int32_t index, std::int64_t& pos) {
    const std::string label = "shortcut record " + std::to_string(index + 1);
    ShortcutHeader h;
    if (!Read(pos, &h, sizeof h, label + " header")) return false;
    std::int64_t sum = 0;
    for (int i = 0; i < 4; ++i) {
      if (h.length[i] < 0) return Fault(pos + 4 * i, label + " has a negative length");
      sum += h.length[i];
    }
    if (sum != h.total) {
      return Fault(pos + 20, label + ": total " + std::to_string(h.total) + " differs from the sum of its lengths " +
                                 std::to_string(sum));
    }
    if (!Need(pos + sizeof h, h.total, label)) return false;
    ScannedShortcut s;
    s.offset = pos;
    std::int64_t at = pos + sizeof h;
    std::string* texts[3] = {&s.menu, &s.target, &s.description};
    for (int i = 0; i < 3; ++i) {
      if (!file_.ReadText(at, h.length[i], *texts[i])) return Fault(at, label + " cannot be read");
      if (options_.checkNames && !platform::IsValidUtf8(*texts[i])) {
        return Fault(at, label + ": text " + std::to_string(i + 1) + " is not valid UTF-8");
      }
      at += h.length[i];
    }
    scan_.shortcuts.push_back(std::move(s));
    pos += sizeof h + h.total;
    return true;
  }

  struct Level {
    std::string path;
    std::string last;
    bool hasLast;
  };

  RawFile& file_;
  const PackagePlace& place_;
  const ScanOptions& options_;
  PackageScan& scan_;
  ScanFault& fault_;
  std::vector<unsigned char> in_, out_;  // decoding pieces, kDecodePiece bytes each
  std::int64_t end_ = 0;
  std::vector<Level> open_{{std::string(), std::string(), false}};
};

}  // namespace

bool ScanPackage(const std::filesystem::path& file, const ScanOptions& options, PackageScan& scan, ScanFault& fault) {
  scan = PackageScan();
  RawFile raw;
  if (!raw.Open(file)) {
    fault.offset = 0;
    fault.what = PathToUtf8(file) + ": cannot be opened";
    return false;
  }
  PackagePlace place;
  ImageFacts facts;
  platform::File located;
  if (located.Open(PathToWide(file), platform::Access::Read, platform::Share::ReadWrite,
                   platform::Disposition::OpenExisting)) {
    LocatePackage(located, place);
    ReadImageFacts(located, facts);
  }
  scan.stubKind = facts.kind;
  Scanner scanner(raw, place, options, scan, fault);
  return scanner.Run();
}

}  // namespace builder
