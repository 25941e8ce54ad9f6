#include "builder/package_extract.h"

#include <set>
#include <system_error>

#include "builder/path_text.h"
#include "package/package_file.h"
#include "package/package_walk.h"

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
// link, so that writing at target stays inside folder. Folders in real (made
// by earlier entries and found to be folders) are not looked at again, so
// that a file costs one look at itself.
bool StaysInside(const fs::path& folder, const fs::path& target, const std::set<fs::path>& real) {
  fs::path at = folder;
  const fs::path parent = target.parent_path();
  if (real.count(parent) != 0) at = parent;
  for (const fs::path& part : target.lexically_relative(at)) {
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
  PackageFacts facts;
  WalkFault fault;
  if (!WalkPackage(PathToWide(installer), WalkOptions{WalkLevel::Install, true}, facts, fault)) {
    error = PathToUtf8(installer) + ": refused, as the installer would refuse it: at byte " +
            std::to_string(fault.offset) + ": " + fault.what + "; nothing was extracted";
    return false;
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
  std::set<fs::path> real = {folder};
  int cursor = -1;
  for (std::size_t i = 0; i < facts.entries.size(); ++i) {
    const WalkedEntry& e = facts.entries[i];
    const bool known = e.type == PKG_ENTRY_FOLDER || e.type == PKG_ENTRY_FILE;
    const fs::path target = known ? Destination(folder, e.name) : folder;
    if (known && !StaysInside(folder, target, real)) {
      report.failures.push_back("entry '" + e.name + "': a symbolic link below " + PathToUtf8(folder) +
                                " would lead it outside; not written");
      cursor = i + 1 < facts.entries.size() ? static_cast<int>(facts.entries[i + 1].offset)
                                            : facts.trailer.shortcutListOffset;
      continue;
    }
    std::wstring outPath;
    if (!package.ExtractNext(outPath, wideFolder, cursor)) {
      report.failures.push_back("entry '" + e.name + "': cannot be extracted to " + PathToUtf8(target));
    } else if (e.type == PKG_ENTRY_FOLDER) {
      if (fs::is_directory(fs::symlink_status(target, ec))) {
        ++report.folders;
        real.insert(target);
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
