// `mksetup extract`: writes every folder and file of an installer's package
// below a folder through the installer's own reader (PackageFile::ExtractNext)
// after the package walk at the install level (structure and names) has
// passed. Each blob is decoded once. Into a folder that is new or empty the
// entries are decoded straight into place, after the walk has also checked
// every blob's checksum, the files by a few threads at once (each its own
// reader over a run of consecutive entries); a stream that fails to decode
// all the same stops them all and removes everything the run made. Into a folder that holds something they are
// decoded into a staging folder inside it and moved into place only when
// every entry has decoded, so that no file there is replaced before then.
// Either way a package the environment check would refuse is refused with
// nothing left written, and nothing is written through a symbolic link
// below the folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace builder {

struct ExtractReport {
  int folders = 0;
  int files = 0;
  std::vector<std::string> failures;  // one line per entry that failed, naming it
};

// False with *error when nothing was extracted (not a sound package,
// destination unusable); true otherwise, with report.failures listing the
// entries that failed.
bool ExtractInstaller(const std::filesystem::path& installer, const std::filesystem::path& folder,
                      ExtractReport& report, std::string& error);

}  // namespace builder
