// `mksetup extract`: writes every folder and file of an installer's package
// below a folder, through the installer's own reader (PackageFile::ExtractNext),
// after refusing unsafe names and anything that would write outside the folder.
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

// False with *error when nothing could be extracted (not a package, unsafe
// names, destination unusable); true otherwise, with report.failures listing
// the entries that failed.
bool ExtractInstaller(const std::filesystem::path& installer, const std::filesystem::path& folder,
                      ExtractReport& report, std::string& error);

}  // namespace builder
