#include "builder/record_reading.h"

#include <cstdio>
#include <system_error>

#include "builder/package_listing.h"
#include "builder/path_text.h"
#include "integration/install_record.h"
#include "package/package_layout.h"
#include "platform/utf.h"

namespace builder {
namespace {

std::string HexMagic(std::uint32_t magic) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(magic));
  return text;
}

// A name on one line: the record file is any file, so its slots may hold
// control characters; they are shown escaped rather than breaking the line.
std::string OneLine(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7f) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02x", c);
      out += esc;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

}  // namespace

RecordStatus ReadRecord(const std::filesystem::path& file, RecordReport& report, std::string& error) {
  report = RecordReport();
  const std::string name = PathToUtf8(file);
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) {
    error = name + ": is a folder, not a file";
    return RecordStatus::CannotOpen;
  }
  InstallRecord record;
  if (!record.Open(PathToWide(file), 0)) {
    if (!record.IsOpen()) {
      error = name + ": cannot be opened";
      return RecordStatus::CannotOpen;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    error = name + ": " + (ec ? std::string("cannot be read") : std::to_string(size) + " bytes") +
            ", shorter than an install record (" + std::to_string(kInstallRecordSize) + " bytes)";
    return RecordStatus::NoRecord;
  }
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (!record.HasMagic()) {
    error = name + ": no install record: the last " + std::to_string(kInstallRecordSize) + " bytes do not hold " +
            HexMagic(PKG_MAGIC) + " at byte 8 (found " + HexMagic(record.Magic()) + ")";
    return RecordStatus::NoRecord;
  }
  report.offset = record.RecordOffset();
  report.magic = record.Magic();
  report.startMenuFolder = platform::WideToUtf8(record.StartMenuFolder());
  report.productName = platform::WideToUtf8(record.ProductName());
  report.autostartLink = platform::WideToUtf8(record.AutostartLink());
  report.fileSize = ec ? 0 : static_cast<std::uint64_t>(size);
  report.consistent = !ec && report.fileSize >= static_cast<std::uint64_t>(kInstallRecordSize) &&
                      report.fileSize - kInstallRecordSize == report.offset;
  return RecordStatus::Found;
}

std::string FormatRecordText(const RecordReport& r) {
  std::string out;
  out += "offset: " + std::to_string(r.offset) + "\n";
  out += "magic: " + HexMagic(r.magic) + "\n";
  out += "start-menu folder: " + OneLine(r.startMenuFolder) + "\n";
  out += "product name: " + OneLine(r.productName) + "\n";
  out += "log-on shortcut: " + OneLine(r.autostartLink) + "\n";
  out += "file size: " + std::to_string(r.fileSize) + "\n";
  out += std::string("consistent: ") + (r.consistent ? "yes" : "no") + "\n";
  return out;
}

std::string FormatRecordJson(const RecordReport& r) {
  std::string out = "{\n";
  out += "  \"offset\": " + std::to_string(r.offset) + ",\n";
  out += "  \"magic\": \"" + HexMagic(r.magic) + "\",\n";
  out += "  \"start_menu_folder\": " + JsonString(r.startMenuFolder) + ",\n";
  out += "  \"product_name\": " + JsonString(r.productName) + ",\n";
  out += "  \"autostart_link\": " + JsonString(r.autostartLink) + ",\n";
  out += "  \"file_size\": " + std::to_string(r.fileSize) + ",\n";
  out += std::string("  \"consistent\": ") + (r.consistent ? "true" : "false") + "\n";
  return out + "}\n";
}

}  // namespace builder
