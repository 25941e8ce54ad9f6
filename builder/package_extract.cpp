#include "builder/package_extract.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

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

// The staging folder inside a destination that already held something:
// removed with whatever it still holds once the extraction ends.
class Staging {
 public:
  explicit Staging(const fs::path& folder) : stage_(folder / (".mksetup-extract-" + UniqueTag())) {}
  ~Staging() {
    std::error_code ec;
    fs::remove_all(stage_, ec);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  const fs::path& Path() const { return stage_; }
  bool Create() {
    std::error_code ec;
    return fs::create_directory(stage_, ec);
  }

 private:
  fs::path stage_;
};

// What an extraction into an empty folder made, removed again, newest
// first, unless kept: the folder is then as it was (or gone, when this run
// made it). Only entries this run wrote are named, so nothing that was
// there before is touched; a folder that someone else filled meanwhile
// stays.
class MadeInPlace {
 public:
  MadeInPlace(const fs::path& folder, bool folderIsNew) : folder_(folder), folderIsNew_(folderIsNew) {}
  ~MadeInPlace() {
    if (kept_) return;
    std::error_code ec;
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) fs::remove(*it, ec);
    if (folderIsNew_) fs::remove(folder_, ec);
  }
  MadeInPlace(const MadeInPlace&) = delete;
  MadeInPlace& operator=(const MadeInPlace&) = delete;

  void Add(fs::path path) { made_.push_back(std::move(path)); }
  void Keep() { kept_ = true; }

 private:
  fs::path folder_;
  bool folderIsNew_;
  std::vector<fs::path> made_;
  bool kept_ = false;
};

// Threads that decode files at once, and what creating one file costs a
// run beyond its bytes, counted in bytes.
constexpr unsigned kMaxExtractThreads = 4;
constexpr std::int64_t kFileCost = 16 * 1024;
constexpr std::size_t kFilesPerRun = 64;

// One thread's run of file entries [first, end) of the package, through a
// reader of its own: what it made, and the first entry that failed.
struct FileRun {
  std::size_t first = 0;
  std::size_t end = 0;
  std::vector<fs::path> made;
  std::size_t failed = SIZE_MAX;
};

void ExtractRun(const fs::path& installer, const fs::path& folder, const std::vector<WalkedEntry>& entries,
                const std::vector<std::size_t>& files, FileRun& run, std::atomic<bool>& stop) {
  PackageFile package;
  if (!package.Open(PathToWide(installer), 0)) {
    run.failed = files[run.first];
    stop = true;
    return;
  }
  const std::wstring wideFolder = PathToWide(folder);
  for (std::size_t i = run.first; i < run.end && !stop; ++i) {
    const WalkedEntry& e = entries[files[i]];
    int cursor = static_cast<int>(e.offset);
    std::wstring outPath;
    if (!package.ExtractNext(outPath, wideFolder, cursor)) {
      run.failed = files[i];
      stop = true;
      return;
    }
    run.made.push_back(Destination(folder, e.name));
  }
}

// The files split into runs of consecutive entries of about equal work, at
// least kFilesPerRun files each, one run per thread.
std::vector<FileRun> SplitIntoRuns(const std::vector<WalkedEntry>& entries, const std::vector<std::size_t>& files) {
  const std::size_t threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxExtractThreads);
  const std::size_t count = std::clamp<std::size_t>(files.size() / kFilesPerRun, 1, threads);
  std::int64_t work = 0;
  for (std::size_t i : files) work += entries[i].rawLength + kFileCost;
  std::vector<FileRun> runs;
  std::int64_t done = 0;
  std::size_t i = 0;
  for (std::size_t r = 0; r < count && i < files.size(); ++r) {
    FileRun run;
    run.first = i;
    const std::int64_t until = work / static_cast<std::int64_t>(count) * static_cast<std::int64_t>(r + 1);
    while (i < files.size() && (r + 1 == count || done < until)) {
      done += entries[files[i]].rawLength + kFileCost;
      ++i;
    }
    run.end = i;
    runs.push_back(std::move(run));
  }
  return runs;
}

// Into an empty folder nothing can be replaced and no link can lie in the
// way, so every blob is decoded straight into its place (the walk has
// checked every checksum before the first write): the folders first, in
// package order, then the files, by a few threads over runs of consecutive
// entries, so that creating files in the kernel (most of the time on small
// files) goes on while the next are decoded. A stream that still fails to
// decode stops every run and undoes the whole extraction.
bool ExtractInPlace(const fs::path& installer, const fs::path& folder, bool folderIsNew,
                    const std::vector<WalkedEntry>& entries, PackageFile& package, ExtractReport& report,
                    std::string& error) {
  MadeInPlace made(folder, folderIsNew);
  const std::wstring wideFolder = PathToWide(folder);
  std::vector<std::size_t> files;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const WalkedEntry& e = entries[i];
    if (e.type != PKG_ENTRY_FOLDER) {
      files.push_back(i);
      continue;
    }
    int cursor = static_cast<int>(e.offset);
    std::wstring outPath;
    if (!package.ExtractNext(outPath, wideFolder, cursor)) {
      error = Refused(installer, "entry '" + e.name + "' cannot be written");
      return false;
    }
    made.Add(Destination(folder, e.name));
    ++report.folders;
  }
  package.Close();

  std::vector<FileRun> runs = SplitIntoRuns(entries, files);
  std::atomic<bool> stop{false};
  {
    // A run whose thread cannot be started is done here, after the first.
    std::vector<std::thread> threads;
    std::vector<FileRun*> here;
    for (std::size_t r = 0; r < runs.size(); ++r) {
      if (r == 0) {
        here.push_back(&runs[r]);
        continue;
      }
      try {
        threads.emplace_back(ExtractRun, std::cref(installer), std::cref(folder), std::cref(entries), std::cref(files),
                             std::ref(runs[r]), std::ref(stop));
      } catch (const std::system_error&) {
        here.push_back(&runs[r]);
      }
    }
    for (FileRun* run : here) ExtractRun(installer, folder, entries, files, *run, stop);
    for (std::thread& t : threads) t.join();
  }
  std::size_t failed = SIZE_MAX;
  for (FileRun& run : runs) {
    for (fs::path& path : run.made) made.Add(std::move(path));
    report.files += static_cast<int>(run.made.size());
    failed = std::min(failed, run.failed);
  }
  if (failed != SIZE_MAX) {
    report.files = 0;
    error = Refused(installer, "entry '" + entries[failed].name + "' does not decode, or cannot be written");
    return false;
  }
  made.Keep();
  return true;
}

// Into a folder that holds something, each blob is decoded once into a
// staging folder inside it; only when all of them decoded are the entries
// moved into place, replacing files of their names, never through a link.
bool ExtractStaged(const fs::path& installer, const fs::path& folder, const std::vector<WalkedEntry>& entries,
                   PackageFile& package, ExtractReport& report, std::string& error) {
  Staging staging(folder);
  if (!staging.Create()) {
    error = PathToUtf8(staging.Path()) + ": cannot be made to extract into";
    return false;
  }
  const std::wstring stage = PathToWide(staging.Path());
  int cursor = -1;
  for (const WalkedEntry& e : entries) {
    std::wstring outPath;
    if (!package.ExtractNext(outPath, stage, cursor)) {
      error = Refused(installer, "entry '" + e.name + "' does not decode, or cannot be written");
      return false;
    }
  }
  package.Close();

  // Into place, in package order, never through a link below the folder.
  const std::wstring wideFolder = PathToWide(folder);
  std::error_code ec;
  for (const WalkedEntry& e : entries) {
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

}  // namespace

bool ExtractInstaller(const fs::path& installer, const fs::path& folder, ExtractReport& report, std::string& error) {
  report = ExtractReport();
  std::error_code ec;
  const bool folderIsNew = !fs::exists(fs::symlink_status(folder, ec));
  const bool empty = folderIsNew || (fs::is_directory(fs::symlink_status(folder, ec)) && fs::is_empty(folder, ec));
  // The walk decodes nothing: every blob is decoded once, by the
  // installer's own reader. Into an empty folder it also checks every
  // blob's checksum first, so that a damaged package writes nothing there.
  PackageFacts facts;
  WalkFault fault;
  if (!WalkPackage(PathToWide(installer), WalkOptions{WalkLevel::Install, false, empty}, facts, fault)) {
    error = Refused(installer, "at byte " + std::to_string(fault.offset) + ": " + fault.what);
    return false;
  }

  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    error = PathToUtf8(folder) + ": cannot be created as a folder";
    return false;
  }
  PackageFile package;
  if (!package.Open(PathToWide(installer), 0)) {
    error = PathToUtf8(installer) + ": cannot be opened to extract from";
    if (folderIsNew) fs::remove(folder, ec);
    return false;
  }
  return empty ? ExtractInPlace(installer, folder, folderIsNew, facts.entries, package, report, error)
               : ExtractStaged(installer, folder, facts.entries, package, report, error);
}

}  // namespace builder
