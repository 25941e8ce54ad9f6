#include "builder/package_extract.h"

#include <system_error>

#include "builder/path_text.h"
#include "builder/unique_tag.h"
#include "package/package_file.h"
#include "package/package_walk.h"
#include "platform/file.h"
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

std::string Refused(const fs::path& installer, const std::string& why) {
  return PathToUtf8(installer) + ": refused, as the installer would refuse it: " + why + "; nothing was extracted";
}

// What the extraction made before it knew that every entry decodes: the
// staging folder, and the destination itself when it did not exist before.
class Staging {
 public:
  Staging(fs::path folder, bool folderIsNew)
      : folder_(std::move(folder)), stage_(folder_ / (".mksetup-extract-" + UniqueTag())), folderIsNew_(folderIsNew) {}
  ~Staging() {
    std::error_code ec;
    fs::remove_all(stage_, ec);
    if (!kept_ && folderIsNew_) fs::remove_all(folder_, ec);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  const fs::path& Path() const { return stage_; }
  bool Create() {
    std::error_code ec;
    return fs::create_directory(stage_, ec);
  }
  // The destination keeps what is moved into it.
  void Keep() { kept_ = true; }

 private:
  fs::path folder_;
  fs::path stage_;
  bool folderIsNew_;
  bool kept_ = false;
};

}  // namespace

bool ExtractInstaller(const fs::path& installer, const fs::path& folder, ExtractReport& report, std::string& error) {
  report = ExtractReport();
  // The walk decodes nothing: every blob is decoded once, by the
  // installer's own reader, into a staging folder; only when all of them
  // decode does anything reach the destination.
  PackageFacts facts;
  WalkFault fault;
  if (!WalkPackage(PathToWide(installer), WalkOptions{WalkLevel::Install, false}, facts, fault)) {
    error = Refused(installer, "at byte " + std::to_string(fault.offset) + ": " + fault.what);
    return false;
  }

  std::error_code ec;
  const bool folderIsNew = !fs::exists(fs::symlink_status(folder, ec));
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    error = PathToUtf8(folder) + ": cannot be created as a folder";
    return false;
  }
  Staging staging(folder, folderIsNew);
  PackageFile package;
  if (!staging.Create() || !package.Open(PathToWide(installer), 0)) {
    error = PathToUtf8(staging.Path()) + ": cannot be made to extract into";
    return false;
  }
  const std::wstring stage = PathToWide(staging.Path());
  int cursor = -1;
  for (const WalkedEntry& e : facts.entries) {
    std::wstring outPath;
    if (!package.ExtractNext(outPath, stage, cursor)) {
      error = Refused(installer, "entry '" + e.name + "' does not decode, or cannot be written");
      return false;
    }
  }
  package.Close();

  // Into place, in package order, never through a link below the folder.
  staging.Keep();
  const std::wstring wideFolder = PathToWide(folder);
  for (const WalkedEntry& e : facts.entries) {
    const fs::path target = Destination(folder, e.name);
    if (platform::LinkOnTheWay(wideFolder, platform::Utf8ToWide(e.name))) {
      report.failures.push_back("entry '" + e.name + "': a symbolic link below " + PathToUtf8(folder) +
                                " would lead it elsewhere; not written");
    } else if (e.type == PKG_ENTRY_FOLDER) {
      fs::create_directory(target, ec);
      if (fs::is_directory(fs::symlink_status(target, ec))) {
        ++report.folders;
      } else {
        report.failures.push_back("entry '" + e.name + "': the folder " + PathToUtf8(target) + " cannot be created");
      }
    } else {
      fs::rename(Destination(staging.Path(), e.name), target, ec);
      if (ec) {
        report.failures.push_back("entry '" + e.name + "': cannot be written to " + PathToUtf8(target));
      } else {
        ++report.files;
      }
    }
  }
  return true;
}

}  // namespace builder
