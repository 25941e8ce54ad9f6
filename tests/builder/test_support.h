// Temporary folders, files and a runner for the mksetup program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace buildertest {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  // rel is UTF-8 with '/' between folders.
  fs::path operator/(const std::string& rel) const;

 private:
  fs::path path_;
};

void WriteFile(const fs::path& file, const std::string& bytes);
std::string ReadFile(const fs::path& file);
// Deterministic pseudo-random bytes (incompressible).
std::string RandomBytes(std::size_t n, std::uint32_t seed);

// A stub that looks like a Windows program (starts with MZ).
fs::path MakeStub(const fs::path& folder);

// A minimal 32-bit Windows program image (headers only, no sections): enough
// for a signing tool to sign it, named name in folder.
fs::path MakePeStub(const fs::path& folder, const std::string& name = "pe-stub.exe");

// A manifest for a payload folder beside it; extra is appended to [product]
// and tail to the end of the file.
fs::path WriteManifest(const fs::path& folder, const std::string& productExtra = "", const std::string& tail = "");

// Every folder and file below root, as "D name" / "F name <contents>" lines, sorted.
std::vector<std::string> Snapshot(const fs::path& root);

// Files whose names start with "." and contain ".partial-" below folder.
int CountPartialFiles(const fs::path& folder);

#ifndef _WIN32
struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
// Runs the mksetup program with the arguments (SETUP_BIN_DIR/mksetup unless program is given).
RunResult RunMksetup(const std::vector<std::string>& args, const fs::path& program = {});
fs::path MksetupPath();
#endif

}  // namespace buildertest
