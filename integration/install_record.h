// InstallRecord holds one install record block: the installer opens it for
// appending on the record file after copying, fills in the names at the
// finish step and appends the block when the wizard is destroyed; a reader
// (the uninstaller, `mksetup record`) opens it for reading to get the block
// from the last 788 bytes of a file.
#pragma once

#include <string>

#include "integration/install_record_block.h"
#include "platform/file.h"

class InstallRecord {
 public:
  InstallRecord();
  // Closes a still-open file without writing anything.
  virtual ~InstallRecord();
  InstallRecord(const InstallRecord&) = delete;
  InstallRecord& operator=(const InstallRecord&) = delete;

  // mode != 0, appending: opens the existing file read/write without sharing;
  // recordOffset = its size, magic = PKG_MAGIC. A file that exists but
  // cannot be opened is tried again for about 2 seconds, in short steps.
  // mode == 0, reading: opens the existing file for reading (others may read
  // and write) and reads its last 788 bytes into the block (the magic is not
  // tested; see HasMagic); splits path into Folder() and FileName().
  // Any file held before is closed first without writing; the block is
  // zeroed. False when the file cannot be opened or (reading) is shorter
  // than 788 bytes; a file opened but not read stays open until Close.
  bool Open(const std::wstring& path, int mode);
  // Stores the three names into their slots: an empty name, or one whose
  // UTF-8 form has 256 bytes or more, leaves its slot as it is. Always true.
  bool SetNames(const std::wstring& startMenuFolder, const std::wstring& productName,
                const std::wstring& autostartLink);
  // Appending mode: writes the block at the end of the file. Closes the
  // file. Always true.
  bool Close();

  bool IsOpen() const { return file_.IsOpen(); }
  int Mode() const { return mode_; }
  const InstallRecordBlock& Block() const { return block_; }

  // Reading-mode view of the block.
  unsigned int RecordOffset() const { return block_.recordOffset; }
  unsigned int Magic() const { return block_.magic; }
  bool HasMagic() const;
  // A slot's text up to its first 0 byte, or all 256 bytes when it has none.
  std::wstring StartMenuFolder() const;
  std::wstring ProductName() const;
  std::wstring AutostartLink() const;
  // Reading mode: the record file's name without folder, and its folder
  // with the trailing backslash.
  const std::wstring& FileName() const { return fileName_; }
  const std::wstring& Folder() const { return folder_; }

 private:
  int mode_ = 0;
  platform::File file_;
  InstallRecordBlock block_{};
  std::wstring fileName_;
  std::wstring folder_;
};

// The one record of a run: created after copying when the package names a
// record file, deleted (after Close) when the wizard is destroyed.
extern InstallRecord* g_pInstallRecord;

namespace integration {

// The wizard's destruction: g_pInstallRecord, when there is one, appends its
// block to its file (Close), is deleted and the pointer reset. Whatever the
// wizard reached, the copy step's record is written: after the finish step
// with its names, before it with the offset and the magic alone.
void CloseInstallRecord();

// Text of one name slot: UTF-8 up to the first 0 byte, never past the slot.
std::wstring SlotText(const char (&slot)[kInstallRecordNameSlot]);

// Path of the record file: installFolder, "\" when installFolder is not
// empty and does not end with one, then the package's record-file name.
std::wstring RecordFilePath(const std::wstring& installFolder, const std::wstring& recordFileName);

}  // namespace integration
