// The commands of mksetup, each returning the process exit code:
// 0 done (warnings allowed), 1 the installer is faulty or an entry failed
// (record: the file holds no install record),
// 2 bad input (manifest, files, paths) or the output could not be made.
#pragma once

#include <string>

namespace builder {

constexpr int kExitOk = 0;
constexpr int kExitFault = 1;
constexpr int kExitBadInput = 2;

struct BuildCommand {
  std::string manifest;
  std::string output;  // empty: default
  std::string stub;    // empty: the stub of stubArch (stub_locator.h)
  std::string stubArch = "win32";
  std::string sign;         // empty: the manifest's [sign], if any
  std::string uninstaller;  // empty: uninstall.exe beside the stub (product.uninstaller)
  int jobs = 0;             // 0: all cores
  int level = 6;            // compression level, 1 (fastest) to 12 (smallest)
};

int RunBuild(const BuildCommand& command);
int RunList(const std::string& installer, bool json);
int RunVerify(const std::string& installer);
int RunExtract(const std::string& installer, const std::string& folder);
// Prints the install record at the end of file: exit 1 when there is none,
// 2 when the file cannot be opened.
int RunRecord(const std::string& file, bool json);

// Parses the command line (UTF-8 arguments, argv[0] first) and runs the command.
int RunMksetup(int argc, const char* const* argv);

}  // namespace builder
