// The one parser of the package's blocks, under both of its readers: the
// package walk (package_walk.h), which reads every block once and judges the
// whole package, and the installer's reader (PackageFile), which reads the
// info block at start-up and then one entry or shortcut record at a time.
//
// Every read goes through one read buffer and stays before the trailer, and
// every fault is named with its byte offset and an English text. What a
// fault means is the caller's to decide: the walk stops at it; the reader
// fails the one item, or reads empty texts where its interface says so.
// Offsets and lengths are the package's signed 32-bit values; sums of them
// are formed in 64 bits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "package/blob_decoder.h"
#include "package/package_layout.h"
#include "platform/file_reader.h"

namespace platform {
class File;
}

// The first fault found: its byte offset in the file, and what it is.
struct WalkFault {
  std::int64_t offset = 0;
  std::string what;
};

// An entry of the entry list as read.
struct ParsedEntry {
  EntryHeader header{};
  std::string name;  // as stored (UTF-8); empty until read
  bool named = false;
  std::int64_t dataAt = 0;
  // Where the next entry starts: behind the name and data, or just behind
  // the header when its lengths are negative; 0 when the header could not
  // be read.
  std::int64_t next = 0;
};

// A shortcut record as read: menu path, target, description.
struct ParsedShortcut {
  std::string texts[3];
  // Where the next record starts: behind the texts, or just behind the
  // header when the total is not the sum of the lengths; 0 when the header
  // could not be read.
  std::int64_t next = 0;
};

class PackageParser {
 public:
  PackageParser() = default;
  PackageParser(const PackageParser&) = delete;
  PackageParser& operator=(const PackageParser&) = delete;

  // Reads `file` from now on (null: nothing); nothing at or behind `end`,
  // where the trailer starts, is read.
  void Attach(platform::File* file, std::int64_t end);

  // Each operation returns false on the first fault, which Fault() then
  // names; `what` names the item in its text ("entry 3").

  // The info header at pos and the five texts behind it; pos moves behind them.
  bool Info(std::int64_t& pos, std::string texts[5]);
  // The typed record at pos. pos moves behind its header, and behind its
  // value when the record is of `type`; the value is its name (data is not
  // read). A record of another type is a fault.
  bool TypedRecord(std::int64_t& pos, std::int16_t type, std::string_view what, std::string& value,
                   EntryHeader& header);
  // The entry at pos: header and name, whose whole extent lies before the
  // trailer, and whatever makes one entry fail however it is read
  // (entry_rule.h, an unsafe name).
  bool Entry(std::int64_t pos, std::string_view what, ParsedEntry& entry);
  // The shortcut record at pos, its total the sum of its lengths.
  bool Shortcut(std::int64_t pos, std::string_view what, ParsedShortcut& shortcut);
  // The 8-byte head of the blob at offset.
  bool BlobHead(std::int64_t offset, std::string_view what, DataBlob& head);
  // The one feed loop of stored data: the blob of `length` bytes at offset
  // through the blob decoder, its decoded bytes to sink (or nowhere). A
  // check without sink reads on to the end, so that damage is named by the
  // checksum; a decoding into a sink stops at its first failure. Without
  // inflate only the checksum is checked (BlobDecoder::Begin).
  bool Blob(std::int64_t offset, std::int32_t length, BlobSink* sink, std::string_view what, bool inflate = true);

  // The n bytes at offset lie before the trailer.
  bool Need(std::int64_t offset, std::int64_t n, std::string_view what);
  // n bytes at offset, known to lie before the trailer.
  bool Text(std::int64_t offset, std::int32_t n, std::string& out, std::string_view what);

  const WalkFault& Fault() const { return fault_; }
  std::int64_t End() const { return end_; }
  platform::FileReader& Reader() { return reader_; }

 private:
  bool Failed(std::int64_t offset, std::string what);
  bool Header(std::int64_t offset, void* out, std::size_t n, std::string_view what);

  platform::FileReader reader_;
  BlobDecoder decoder_;
  std::int64_t end_ = 0;
  WalkFault fault_;
};

// A name for fault texts: 'name' when it is valid UTF-8.
std::string ShownName(const std::string& text);
