// Reader of the install package carried in the installer's own file: finds
// the trailer, reads the info texts, the picture, the agreement, the typed
// records and the shortcut records, and extracts the entries one by one
// through a caller-owned cursor (-1 = start of the list).
#pragma once

#include <string>

#include "package/byte_buffer.h"
#include "package/package_layout.h"
#include "platform/file.h"

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
  // A folder or file entry whose name IsSafeEntryName refuses (parent steps,
  // drives, slashes, device names: only a damaged package has one) fails
  // like an undecodable entry: false, cursor advanced, nothing created.
  bool ExtractNext(std::wstring& outPath, const std::wstring& folder, int& cursor);
  int GetShortcutCount();
  // texts: menu path, target, description.
  bool ReadShortcut(std::wstring texts[3], int& cursor);

  bool IsOpen() const { return file_.IsOpen(); }
  const PackageTrailer& Trailer() const { return trailer_; }

 private:
  PackageTrailer trailer_;
  platform::File file_;
  int create_ = 0;
  ByteBuffer mainProgram_;
  ByteBuffer recordFileName_;
};
