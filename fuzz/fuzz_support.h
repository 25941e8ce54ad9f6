// Helpers shared by the fuzz targets: a private scratch area per process
// and a check that nothing was written outside the folder a target hands to
// the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzz {

// <tmp>/setup-fuzz-<pid>/: holds the input file and box/scratch/, the
// folder given to the code under test. Made once per process.
class Scratch {
 public:
  static Scratch& Get();

  const std::filesystem::path& Root() const { return root_; }
  // Where the code under test may write.
  const std::filesystem::path& Folder() const { return folder_; }
  // The input file (<root>/input.bin) holding the bytes.
  std::filesystem::path WriteInput(const std::uint8_t* data, std::size_t size) const;
  // Aborts when anything besides input.bin and box/scratch/ exists in root,
  // or besides scratch in box; then empties scratch.
  void CheckAndEmpty() const;

 private:
  Scratch();
  std::filesystem::path root_;
  std::filesystem::path box_;
  std::filesystem::path folder_;
};

// The wide form of a path, as PackageFile and InstallRecord take it.
std::wstring Wide(const std::filesystem::path& path);

}  // namespace fuzz
