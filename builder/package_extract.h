// `mksetup extract`: writes every folder and file of an installer's package
// below a folder through the installer's own reader (PackageFile::ExtractNext)
// after the package walk at the install level (structure and names) has
// passed. Each blob is decoded once, into a staging folder inside the
// destination; only when every entry has decoded are they moved into place,
// so a package the environment check would refuse is refused with nothing
// written. Nothing is written through a symbolic link below the folder.
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
