// Helpers of the hardening tests: a box folder holding one package file and
// the scratch folder the package is extracted into (nothing else may appear
// in the box), and conversions between the reader's wide paths and
// std::filesystem on both Linux and Windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hardening {

using Bytes = std::vector<std::uint8_t>;

// The reader's wide path as std::filesystem takes it.
std::filesystem::path ToFs(const std::wstring& path);
std::wstring FromFs(const std::filesystem::path& path);
std::string Narrow(const std::wstring& path);
// An entry name with '/' for '\'.
std::string SlashPath(std::string_view name);
// True when path, resolved lexically, lies below folder.
bool LexicallyInside(const std::wstring& path, const std::wstring& folder);

bool WriteFile(const std::wstring& path, const Bytes& bytes);

// <temp>/hardening-<n>/ with package.exe and scratch/; removed at the end.
class Box {
 public:
  Box();
  ~Box();
  Box(const Box&) = delete;
  Box& operator=(const Box&) = delete;

  const std::wstring& PackagePath() const { return package_; }
  const std::wstring& Scratch() const { return scratch_; }
  // True when the box holds nothing but the package file and the scratch folder.
  bool OnlyScratchBeside() const;
  // Every regular file below scratch (relative '/'-path -> contents); then
  // empties scratch.
  std::map<std::string, std::string> TakeFiles() const;

 private:
  std::filesystem::path root_;
  std::wstring package_;
  std::wstring scratch_;
};

}  // namespace hardening
