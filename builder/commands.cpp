#include "builder/commands.h"

#include <system_error>

#include "builder/console.h"
#include "builder/installer_build.h"
#include "builder/package_extract.h"
#include "builder/package_listing.h"
#include "builder/package_verify.h"
#include "builder/path_text.h"
#include "builder/progress_bar.h"
#include "builder/record_reading.h"
#include "builder/sign_command.h"
#include "builder/stub_locator.h"

namespace fs = std::filesystem;

namespace builder {
namespace {

int Error(int code, const std::string& message) {
  Print(stderr, "mksetup: error: " + message + "\n");
  return code;
}

// A missing installer is bad input; one that is there but faulty is a fault.
bool InstallerExists(const std::string& installer, int& code) {
  std::error_code ec;
  if (fs::is_regular_file(Utf8ToPath(installer), ec)) return true;
  code = Error(kExitBadInput, installer + ": no such installer file");
  return false;
}

}  // namespace

int RunBuild(const BuildCommand& command) {
  BuildOptions options;
  options.manifest = Utf8ToPath(command.manifest);
  options.output = command.output.empty() ? fs::path() : Utf8ToPath(command.output);
  options.threads = command.jobs;
  options.level = command.level;
  if (!command.uninstaller.empty()) options.uninstaller = Utf8ToPath(command.uninstaller);
  if (!command.sign.empty()) {
    std::string why;
    if (!SplitCommandLine(command.sign, options.sign.words, why) || !CheckSignCommand(options.sign.words, why))
      return Error(kExitBadInput, "--sign: " + why);
  }
  if (!command.stub.empty()) {
    options.stub = Utf8ToPath(command.stub);
  } else {
    const std::vector<fs::path> candidates = StubCandidates(OwnProgramPath(), command.stubArch);
    std::error_code ec;
    for (const fs::path& candidate : candidates) {
      if (fs::is_regular_file(candidate, ec)) {
        options.stub = candidate;
        break;
      }
    }
    if (options.stub.empty()) {
      return Error(kExitBadInput, "no " + command.stubArch + " installer program at " + PathToUtf8(candidates[0]) +
                                      " or " + PathToUtf8(candidates[1]) + " (build the " + command.stubArch +
                                      " setup program first, or pass --stub FILE)");
    }
  }
  ProgressBar bar(IsTerminal(stderr));
  options.progress = [&bar](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); };
  BuildResult result;
  std::string error;
  const bool ok = BuildInstaller(options, result, error);
  bar.Finish();
  for (const std::string& w : result.warnings) Print(stderr, "mksetup: warning: " + w + "\n");
  if (!ok) return Error(kExitBadInput, error + "; no installer written");
  Print(stdout, "wrote " + PathToUtf8(result.output) + ": " + std::to_string(result.installerSize) +
                    " bytes (package " + std::to_string(result.packageSize) + " bytes: " +
                    std::to_string(result.folders) + " folders, " + std::to_string(result.files) + " files of " +
                    std::to_string(result.sourceBytes) + " bytes)" + (result.signedInstaller ? ", signed" : "") + "\n");
  return kExitOk;
}

int RunList(const std::string& installer, bool json) {
  int code = 0;
  if (!InstallerExists(installer, code)) return code;
  PackageListing listing;
  std::string error;
  if (!ReadListing(Utf8ToPath(installer), listing, error)) return Error(kExitFault, error);
  Print(stdout, json ? FormatListingJson(listing) : FormatListingText(listing));
  return kExitOk;
}

int RunVerify(const std::string& installer) {
  int code = 0;
  if (!InstallerExists(installer, code)) return code;
  std::string summary;
  ScanFault fault;
  if (!VerifyInstaller(Utf8ToPath(installer), summary, fault)) {
    return Error(kExitFault, installer + ": fault at byte " + std::to_string(fault.offset) + ": " + fault.what);
  }
  Print(stdout, summary + "\n");
  return kExitOk;
}

int RunExtract(const std::string& installer, const std::string& folder) {
  int code = 0;
  if (!InstallerExists(installer, code)) return code;
  ExtractReport report;
  std::string error;
  if (!ExtractInstaller(Utf8ToPath(installer), Utf8ToPath(folder), report, error)) return Error(kExitFault, error);
  for (const std::string& f : report.failures) Print(stderr, "mksetup: error: " + f + "\n");
  Print(stdout, "extracted " + std::to_string(report.folders) + " folders and " + std::to_string(report.files) +
                    " files below " + folder +
                    (report.failures.empty() ? "" : ", " + std::to_string(report.failures.size()) + " entries failed") +
                    "\n");
  return report.failures.empty() ? kExitOk : kExitFault;
}

int RunRecord(const std::string& file, bool json) {
  RecordReport report;
  std::string error;
  switch (ReadRecord(Utf8ToPath(file), report, error)) {
    case RecordStatus::CannotOpen:
      return Error(kExitBadInput, error);
    case RecordStatus::NoRecord:
      return Error(kExitFault, error);
    case RecordStatus::Found:
      break;
  }
  Print(stdout, json ? FormatRecordJson(report) : FormatRecordText(report));
  return kExitOk;
}

}  // namespace builder
