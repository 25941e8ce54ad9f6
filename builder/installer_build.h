// `mksetup build`: a copy of the stub executable with the package of a
// manifest appended. The installer is written to a temporary file beside the
// output and renamed into place only when complete and, with a signing
// command, signed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "builder/blob_compressor.h"
#include "builder/sign_command.h"
#include "package/package_layout.h"

namespace builder {

struct BuildOptions {
  std::filesystem::path manifest;
  std::filesystem::path output;                // empty: the manifest's output key, else "<product name>-setup.exe"
  std::filesystem::path stub;                  // the installer program the package is appended to
  std::filesystem::path uninstaller;           // for product.uninstaller; empty: uninstall.exe beside the stub
  SignCommand sign;                            // no words: the manifest's [sign], if any
  int threads = 0;                             // compression threads; 0: one per core
  int level = kDefaultLevel;                   // compression level, kMinLevel to kMaxLevel
  std::uint64_t memoryBudget = 64ull << 20;    // source bytes compressed ahead of the writer
  std::uint64_t oneShotLimit = kOneShotLimit;  // larger files are compressed and written in pieces
  std::uint64_t maxFileSize = PKG_MAX_RAW_LENGTH;
  std::uint64_t maxInstallerSize = 0x7FFFFFFF;  // offsets are signed 32-bit
  // Called on the writing thread once before the first file is written
  // (done 0) and after each file: bytes of source done, of all.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

struct BuildResult {
  std::filesystem::path output;
  std::vector<std::string> warnings;
  std::uint64_t installerSize = 0;
  bool signedInstaller = false;
  std::uint64_t packageSize = 0;
  int folders = 0;
  int files = 0;
  std::uint64_t sourceBytes = 0;
  double compressWaitSeconds = 0;  // compression threads idle for want of room in the window
};

// Where the installer goes when no -o is given.
std::filesystem::path DefaultOutputPath(const std::filesystem::path& manifestOutput, const std::string& productName);

// False with *error (naming the key, file or path at fault) on bad input or a
// write failure; nothing is left at the output path then. Warnings do not fail.
bool BuildInstaller(const BuildOptions& options, BuildResult& result, std::string& error);

}  // namespace builder
