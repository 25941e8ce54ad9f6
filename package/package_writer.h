// Writes an install package behind whatever the sink already holds (the
// installer image): info block, picture, agreement, entries, shortcut
// records, trailer, in that order and without gaps. Entries are handed in
// listing order (a folder before its contents, depth first, the items of one
// folder in upper-case name order); file contents arrive as finished
// DataBlobs so that callers may compress on several threads, or, for files
// too large to hold, as a stream in pieces whose blob head and length are
// filled in once it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "package/entry_name.h"
#include "package/package_layout.h"

// Where the writer appends; Position() is the absolute offset of the next
// byte. Patch overwrites bytes written earlier and leaves the position.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;
  virtual std::int64_t Position() const = 0;
  virtual bool Patch(std::int64_t at, const void* data, std::size_t size) = 0;
};

class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  bool Write(const void* data, std::size_t size) override;
  std::int64_t Position() const override { return static_cast<std::int64_t>(bytes_.size()); }
  bool Patch(std::int64_t at, const void* data, std::size_t size) override;

 private:
  std::vector<std::uint8_t>& bytes_;
};

// The five info texts, UTF-8.
struct PackageTexts {
  std::string productName;
  std::string heading;
  std::string notice;
  std::string rights;
  std::string welcome;
};

class PackageWriter {
 public:
  explicit PackageWriter(ByteSink& sink);

  // Each call must come in block order; a call out of order, a name the
  // name rule refuses (entries, record file, main program, the menu path and
  // target of a shortcut with a target), two entries that are one name to
  // Windows, or a write failure makes it (and Finish) return false with
  // Error() set.
  bool WriteInfo(const PackageTexts& texts, std::string_view mainProgram, std::string_view recordFile);
  bool WritePicture(const void* data, std::size_t size);
  // A DataBlob of the text (mksetup: builder::MakeDataBlob), or empty for no agreement.
  bool WriteAgreement(const std::vector<std::uint8_t>& blob);
  bool AddFolder(std::string_view name);
  // blob empty: an empty file stored with data length 0.
  bool AddFile(std::string_view name, const std::vector<std::uint8_t>& blob);
  // A file whose blob comes in pieces: BeginFile writes the entry with room
  // for the blob head, AppendToFile the stream's bytes, and EndFile fills in
  // the head and the entry's data length. No other entry may come between.
  bool BeginFile(std::string_view name);
  bool AppendToFile(const void* data, std::size_t size);
  bool EndFile(const DataBlob& head);
  bool AddShortcut(std::string_view menuPath, std::string_view target, std::string_view description);
  // Appends the trailer. The package must stay below 2 GiB.
  bool Finish();

  const std::string& Error() const { return error_; }
  const PackageTrailer& Trailer() const { return trailer_; }

 private:
  enum class Stage { Start, Info, Picture, Agreement, Entries, Shortcuts, Done };
  // Checks a file entry and writes its header (data length dataLength) and name.
  bool StartFile(std::string_view name, std::size_t dataLength);
  bool Advance(Stage to);
  // trailer: the last write, which needs no room kept for the trailer.
  bool Put(const void* data, std::size_t size, bool trailer = false);
  bool Fail(std::string message);
  // False when another folder or file folds to the same name (FoldName).
  bool Unique(std::string_view name);

  ByteSink& sink_;
  Stage stage_ = Stage::Start;
  PackageTrailer trailer_{};
  std::int64_t infoLength_ = 0;
  std::int64_t entriesLength_ = 0;
  std::int64_t openFile_ = -1;  // offset of the entry BeginFile started, until EndFile
  std::int32_t openNameLength_ = 0;
  std::set<std::string> folders_;  // folder entries written so far
  std::set<std::string> keys_;     // folded names of the folders and files written so far
  std::string error_;
};
