#include "builder/installer_signing.h"

#include <system_error>

#include "builder/child_process.h"
#include "builder/package_verify.h"
#include "builder/path_text.h"
#include "package/package_place.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace builder {
namespace {

// True when the trailer of the installer stands before a certificate table.
bool CarriesSignature(const fs::path& installer) {
  platform::File file;
  PackagePlace place;
  return file.Open(PathToWide(installer), platform::Access::Read, platform::Share::ReadWrite,
                   platform::Disposition::OpenExisting) &&
         LocatePackage(file, place) && place.beforeSignature;
}

}  // namespace

bool SignInstaller(const SignCommand& command, const fs::path& built, const fs::path& spare, fs::path& result,
                   std::string& error) {
  std::error_code ec;
  // The command may run in another folder: it gets absolute paths.
  const fs::path in = fs::absolute(built, ec);
  const fs::path out = fs::absolute(spare, ec);
  const std::vector<std::string> words = ExpandSignCommand(command.words, PathToUtf8(in), PathToUtf8(out));
  int exitCode = 0;
  std::string why;
  if (!RunProgram(words, command.folder, exitCode, why)) {
    error = "signing: " + why;
    return false;
  }
  if (exitCode != 0) {
    error = "signing: '" + words[0] + "' exited with code " + std::to_string(exitCode);
    return false;
  }
  result = WritesSignedCopy(command.words) ? spare : built;
  if (!fs::is_regular_file(result, ec)) {
    error = "signing: the command left no signed installer at " + PathToUtf8(result);
    return false;
  }
  std::string summary;
  ScanFault fault;
  if (!VerifyInstaller(result, summary, fault)) {
    error =
        "signing: the signed installer is faulty: fault at byte " + std::to_string(fault.offset) + ": " + fault.what;
    return false;
  }
  if (!CarriesSignature(result)) {
    error = "signing: the command succeeded but the installer carries no signature";
    return false;
  }
  return true;
}

}  // namespace builder
