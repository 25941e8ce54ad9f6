#include "builder/package_extract.h"

#include <system_error>

#include "builder/entry_names.h"
#include "builder/package_scan.h"
#include "builder/path_text.h"
#include "package/package_file.h"
#include "platform/utf.h"

namespace fs = std::filesystem;

namespace builder {
namespace {

// The destination of an entry, component by component (never parsed as a
// path of the host, so a name cannot smuggle in a separator of its own).
fs::path Destination(const fs::path& folder, const std::string& name) {
  fs::path out = folder;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('\\', start);
    if (end == std::string::npos) end = name.size();
    out /= Utf8ToPath(name.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// True when no existing component between folder and target is a symbolic
// link, so that writing at target stays inside folder.
bool StaysInside(const fs::path& folder, const fs::path& target) {
  fs::path at = folder;
  for (const fs::path& part : target.lexically_relative(folder)) {
    at /= part;
    std::error_code ec;
    fs::file_status status = fs::symlink_status(at, ec);
    if (ec || !fs::exists(status)) return true;  // nothing there yet: created fresh
    if (fs::is_symlink(status)) return false;
  }
  return true;
}

}  // namespace

bool ExtractInstaller(const fs::path& installer, const fs::path& folder, ExtractReport& report, std::string& error) {
  report = ExtractReport();
  PackageScan scan;
  ScanFault fault;
  if (!ScanPackage(installer, ScanOptions{}, scan, fault)) {
    error =
        PathToUtf8(installer) + ": not a readable package: at byte " + std::to_string(fault.offset) + ": " + fault.what;
    return false;
  }
  for (const ScannedEntry& e : scan.entries) {
    std::string why;
    if ((e.type == PKG_ENTRY_FOLDER || e.type == PKG_ENTRY_FILE) && !IsInstallableName(e.name, &why)) {
      error = PathToUtf8(installer) + ": entry " +
              (platform::IsValidUtf8(e.name) ? "'" + e.name + "'" : "(not UTF-8)") + " has an unsafe name (" + why +
              "); nothing was extracted";
      return false;
    }
  }

  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    error = PathToUtf8(folder) + ": cannot be created as a folder";
    return false;
  }
  PackageFile package;
  if (!package.Open(PathToWide(installer), 0)) {
    error = PathToUtf8(installer) + ": cannot be opened as a package";
    return false;
  }
  const std::wstring wideFolder = PathToWide(folder);
  int cursor = -1;
  for (std::size_t i = 0; i < scan.entries.size(); ++i) {
    const ScannedEntry& e = scan.entries[i];
    const int next = static_cast<int>(e.offset + static_cast<std::int64_t>(sizeof(EntryHeader)) +
                                      static_cast<std::int64_t>(e.name.size()) + e.dataLength);
    const bool known = e.type == PKG_ENTRY_FOLDER || e.type == PKG_ENTRY_FILE;
    const fs::path target = known ? Destination(folder, e.name) : folder;
    if (known && !StaysInside(folder, target)) {
      report.failures.push_back("entry '" + e.name + "': a symbolic link below " + PathToUtf8(folder) +
                                " would lead it outside; not written");
      cursor = next;
      continue;
    }
    std::wstring outPath;
    const bool ok = package.ExtractNext(outPath, wideFolder, cursor);
    if (cursor != next) {
      error = PathToUtf8(installer) + ": the reader lost its place at entry '" + e.name + "'";
      return false;
    }
    if (!ok) {
      report.failures.push_back("entry '" + e.name + "': cannot be extracted to " + PathToUtf8(target));
    } else if (e.type == PKG_ENTRY_FOLDER) {
      if (fs::is_directory(fs::symlink_status(target, ec))) {
        ++report.folders;
      } else {
        report.failures.push_back("entry '" + e.name + "': the folder " + PathToUtf8(target) + " cannot be created");
      }
    } else if (e.type == PKG_ENTRY_FILE) {
      ++report.files;
    }
  }
  package.Close();
  return true;
}

}  // namespace builder
