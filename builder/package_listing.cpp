#include "builder/package_listing.h"

#include <cstdio>

#include "builder/path_text.h"
#include "package/byte_buffer.h"
#include "package/package_file.h"
#include "platform/file.h"
#include "platform/utf.h"
#include "uninstall/package_deploy.h"

namespace builder {
namespace {

const char* TypeName(std::int16_t type) {
  if (type == PKG_ENTRY_FOLDER) return "folder";
  if (type == PKG_ENTRY_FILE) return "file";
  return "other";
}

const char* kTextNames[5] = {"product name", "heading", "notice", "rights", "welcome"};
const char* kTextKeys[5] = {"product_name", "heading", "notice", "rights", "welcome"};

// One line: line breaks of a text shown as \n so that each fact stays on its line.
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += "\\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace

bool ReadListing(const std::filesystem::path& installer, PackageListing& listing, std::string& error) {
  listing = PackageListing();
  PackageFacts facts;
  WalkFault fault;
  platform::File file;
  if (!file.Open(PathToWide(installer), platform::Access::Read, platform::Share::ReadWrite,
                 platform::Disposition::OpenExisting) ||
      !WalkPackage(file, WalkOptions{WalkLevel::Install, false}, facts, fault)) {
    error =
        PathToUtf8(installer) + ": not a readable package: at byte " + std::to_string(fault.offset) + ": " + fault.what;
    return false;
  }
  if (uninstall::ReadPackageDeploy(file, facts, listing.deploy) == uninstall::DeployStatus::Damaged) {
    error = PathToUtf8(installer) + ": the record file '" + facts.recordFile +
            "' does not decode or ends with a damaged installed-entries list";
    return false;
  }
  file.Close();
  PackageFile package;
  if (!package.Open(PathToWide(installer), 0)) {
    error = PathToUtf8(installer) + ": cannot be opened as a package";
    return false;
  }
  std::wstring texts[5];
  if (!package.ReadInfo(texts[0], texts[1], texts[2], texts[3], texts[4])) {
    error = PathToUtf8(installer) + ": the info block cannot be read";
    return false;
  }
  for (int i = 0; i < 5; ++i) listing.texts[i] = platform::WideToUtf8(texts[i]);
  std::wstring value;
  if (package.GetMainProgram(value)) listing.mainProgram = platform::WideToUtf8(value);
  value.clear();
  if (package.GetRecordFileName(value)) listing.recordFile = platform::WideToUtf8(value);
  ByteBuffer picture;
  if (package.ReadPicture(picture)) listing.pictureSize = picture.Length();
  value.clear();
  listing.agreementStoredSize = facts.trailer.agreementLength;
  if (package.ReadAgreement(value)) {
    listing.agreementTextSize = static_cast<std::int64_t>(platform::WideToUtf8(value).size());
  }
  package.Close();
  listing.stubKind = facts.stubKind;
  listing.signedInstaller = facts.signedInstaller;
  listing.entries = std::move(facts.entries);
  listing.shortcuts = std::move(facts.shortcuts);
  return true;
}

const char* StubKindName(StubKind kind) {
  switch (kind) {
    case StubKind::Pe32:
      return "PE32";
    case StubKind::Pe32Plus:
      return "PE32+";
    case StubKind::None:
      break;
  }
  return "none";
}

std::string FormatListingText(const PackageListing& l) {
  const char* bits = l.stubKind == StubKind::Pe32       ? " (32-bit Windows)"
                     : l.stubKind == StubKind::Pe32Plus ? " (64-bit Windows)"
                                                        : "";
  std::string out = "installer program: " + std::string(StubKindName(l.stubKind)) + bits +
                    (l.signedInstaller ? ", signed" : "") + "\n";
  for (int i = 0; i < 5; ++i) out += std::string(kTextNames[i]) + ": " + OneLine(l.texts[i]) + "\n";
  out += "main program: " + l.mainProgram + "\n";
  out += "record file: " + l.recordFile + "\n";
  out += "picture: " + std::to_string(l.pictureSize) + " bytes\n";
  out += "agreement: " + std::to_string(l.agreementStoredSize) + " bytes stored, " +
         std::to_string(l.agreementTextSize) + " bytes of text\n";
  out += "entries: " + std::to_string(l.entries.size()) + "\n";
  char line[96];
  if (!l.entries.empty()) {
    std::snprintf(line, sizeof line, "  %-6s %12s %12s  %s\n", "type", "stored", "raw", "name");
    out += line;
  }
  for (const WalkedEntry& e : l.entries) {
    std::snprintf(line, sizeof line, "  %-6s %12d %12d  ", TypeName(e.type), e.dataLength, e.rawLength);
    out += line + e.name + "\n";
  }
  out += "shortcuts: " + std::to_string(l.shortcuts.size()) + "\n";
  for (const WalkedShortcut& s : l.shortcuts) {
    out += "  " + s.menu + " -> " + s.target;
    if (!s.description.empty()) out += "  (" + OneLine(s.description) + ")";
    out += "\n";
  }
  const DeployFacts& d = l.deploy;
  if (!d.Present()) return out + "installed-programs entry: none\n";
  out += "installed-programs entry: " + d.keyName + "\n";
  out += "  version: " + d.version + "\n  publisher: " + d.publisher + "\n";
  if (!d.url.empty()) out += "  url: " + d.url + "\n";
  return out;
}

std::string JsonString(const std::string& text) {
  const std::string utf8 = platform::IsValidUtf8(text) ? text : platform::WideToUtf8(platform::Utf8ToWide(text));
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

std::string FormatListingJson(const PackageListing& l) {
  std::string out = "{\n";
  out += "  \"stub\": \"" + std::string(StubKindName(l.stubKind)) + "\",\n";
  out += "  \"signed\": " + std::string(l.signedInstaller ? "true" : "false") + ",\n";
  for (int i = 0; i < 5; ++i) out += "  \"" + std::string(kTextKeys[i]) + "\": " + JsonString(l.texts[i]) + ",\n";
  out += "  \"main_program\": " + JsonString(l.mainProgram) + ",\n";
  out += "  \"record_file\": " + JsonString(l.recordFile) + ",\n";
  out += "  \"picture_size\": " + std::to_string(l.pictureSize) + ",\n";
  out += "  \"agreement_stored_size\": " + std::to_string(l.agreementStoredSize) + ",\n";
  out += "  \"agreement_text_size\": " + std::to_string(l.agreementTextSize) + ",\n";
  out += "  \"entries\": [";
  for (std::size_t i = 0; i < l.entries.size(); ++i) {
    const WalkedEntry& e = l.entries[i];
    out += std::string(i ? "," : "") + "\n    {\"type\": \"" + TypeName(e.type) +
           "\", \"name\": " + JsonString(e.name) + ", \"stored_size\": " + std::to_string(e.dataLength) +
           ", \"raw_size\": " + std::to_string(e.rawLength) + "}";
  }
  out += l.entries.empty() ? "],\n" : "\n  ],\n";
  out += "  \"shortcuts\": [";
  for (std::size_t i = 0; i < l.shortcuts.size(); ++i) {
    const WalkedShortcut& s = l.shortcuts[i];
    out += std::string(i ? "," : "") + "\n    {\"menu\": " + JsonString(s.menu) +
           ", \"target\": " + JsonString(s.target) + ", \"description\": " + JsonString(s.description) + "}";
  }
  out += l.shortcuts.empty() ? "],\n" : "\n  ],\n";
  const DeployFacts& d = l.deploy;
  out += "  \"deploy\": ";
  if (d.Present()) {
    out += "{\"key\": " + JsonString(d.keyName) + ", \"version\": " + JsonString(d.version) +
           ", \"publisher\": " + JsonString(d.publisher) +
           ", \"url\": " + (d.url.empty() ? "null" : JsonString(d.url)) + "}\n";
  } else {
    out += "null\n";
  }
  return out + "}\n";
}

}  // namespace builder
