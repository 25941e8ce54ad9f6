// Reader of the install package carried in the installer's own file: finds
// the trailer, reads the info texts, the picture, the agreement, the typed
// records and the shortcut records, and extracts the entries one by one
// through a caller-owned cursor (-1 = start of the list). The info block,
// the entries and the shortcut records are read through the package walk's
// parser (package_parse.h).
#pragma once

#include <string>

#include "package/byte_buffer.h"
#include "package/package_layout.h"
#include "package/package_parse.h"
#include "platform/file.h"
#include "platform/link_guard.h"

class PackageFile {
 public:
  PackageFile();
  virtual ~PackageFile();
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;

  // create = 0: read mode, the file must carry a trailer with PKG_MAGIC.
  // create != 0: the file is created empty; Close writes a bare trailer.
  bool Open(const std::wstring& path, int create);
  bool Close();
  bool ReadInfo(std::wstring& name, std::wstring& heading, std::wstring& notice, std::wstring& rights,
                std::wstring& welcome);
  bool ReadPicture(ByteBuffer& bytes);
  bool ReadAgreement(std::wstring& text);
  bool GetMainProgram(std::wstring& path);
  bool GetRecordFileName(std::wstring& name);
  int GetFileCount();
  // Extracts the entry at the cursor below folder and moves the cursor past
  // it, also when it fails; a header that cannot be read (or lies in the
  // trailer) leaves the cursor. outPath is the entry's destination (folder,
  // a backslash, the name) as soon as the name is read, and the folder with
  // a backslash before that, so a failure always names the entry it is
  // about. The entry fails, and nothing of it stays on disk, for whatever
  // the package parser refuses in one entry (package_parse.h): unsafe names
  // on any type, no name and no data, stored data that does not decode.
  // Nothing is written through a link: when a level below the install
  // folder on the way to the entry (the entry's own path included) is a
  // link (junction, symbolic link), the entry fails. Within one opening the
  // levels found to be folders, or made here, are not looked at again until
  // an entry fails (platform/link_guard.h says what that leaves open). A folder that cannot be made (and does not
  // exist) fails too, by its own name, before any entry inside it is tried. Contents are decoded in bounded pieces
  // straight into the destination file, checksum in the same pass; a file whose data fails on the way (checksum,
  // stream, read, write) is removed.
  bool ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor);
  int GetShortcutCount();
  // texts: menu path, target, description.
  bool ReadShortcut(std::wstring texts[3], int& cursor);

  bool IsOpen() const { return file_.IsOpen(); }
  const PackageTrailer& Trailer() const { return trailer_; }

 private:
  // Makes the entry at outPath, once its name and the way to it passed.
  bool Make(const ParsedEntry& entry, const std::wstring& outPath);
  bool ExtractFile(const std::wstring& path, std::int64_t dataAt, std::int32_t dataLength);

  PackageTrailer trailer_;
  std::int64_t fileSize_ = 0;
  platform::File file_;
  PackageParser parser_;
  int create_ = 0;
  ByteBuffer mainProgram_;
  ByteBuffer recordFileName_;
  platform::LinkGuard linkGuard_;
};
