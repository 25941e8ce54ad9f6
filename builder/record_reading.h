// `mksetup record`: the install record at the end of a file, read the way the
// uninstaller reads it (InstallRecord in reading mode), as text or as one
// JSON document.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace builder {

struct RecordReport {
  std::uint32_t offset = 0;  // recordOffset: where the block says it begins
  std::uint32_t magic = 0;
  std::string startMenuFolder;  // UTF-8
  std::string productName;
  std::string autostartLink;
  std::uint64_t fileSize = 0;
  // The block begins where it says it does: offset == file size - 788.
  bool consistent = false;
};

enum class RecordStatus {
  Found,       // the last 788 bytes carry the magic
  NoRecord,    // shorter than a record, or no magic at byte 8
  CannotOpen,  // missing, not a file, or not readable
};

// Reads the last 788 bytes of file. *error says why when the result is not Found.
RecordStatus ReadRecord(const std::filesystem::path& file, RecordReport& report, std::string& error);

std::string FormatRecordText(const RecordReport& report);
std::string FormatRecordJson(const RecordReport& report);

}  // namespace builder
