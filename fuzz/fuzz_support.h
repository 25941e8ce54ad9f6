// What the fuzz targets share: a private scratch area per process, holding
// the input file and the one folder the code under test may write into, and
// the check that nothing was written anywhere else.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file.h"
#include "platform/utf.h"

namespace fuzz {

namespace fs = std::filesystem;

// path, resolved lexically, lies below folder.
inline bool Inside(const fs::path& path, const fs::path& folder) {
  const fs::path rel = path.lexically_normal().lexically_relative(folder);
  return !rel.empty() && *rel.begin() != "..";
}

[[noreturn]] inline void Fail(const char* what, const std::string& where) {
  std::fprintf(stderr, "fuzz: %s: %s\n", what, where.c_str());
  std::abort();
}

// <tmp>/setup-fuzz-<pid>/: input.bin and box/scratch/, made once per
// process and removed when the fuzzer ends normally.
class Scratch {
 public:
  static Scratch& Get() {
    static Scratch scratch;
    return scratch;
  }
  const fs::path& Root() const { return root_; }
  const fs::path& Folder() const { return folder_; }
  std::wstring Wide(const fs::path& path) const { return platform::Utf8ToWide(path.string()); }
  // The input file holding the bytes.
  fs::path WriteInput(const std::uint8_t* data, std::size_t size) const {
    std::ofstream(root_ / "input.bin", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return root_ / "input.bin";
  }
  // Aborts when anything but input.bin, box/ and box/scratch/ appeared; then
  // empties scratch. Anything above root is found by the targets' Inside.
  void CheckAndEmpty() const {
    for (const auto& e : fs::directory_iterator(root_)) {
      if (e.path().filename() != "input.bin" && e.path().filename() != "box")
        Fail("written outside", e.path().string());
    }
    for (const auto& e : fs::directory_iterator(root_ / "box")) {
      if (e.path() != folder_) Fail("written outside", e.path().string());
    }
    std::error_code ignored;
    for (const auto& e : fs::directory_iterator(folder_)) fs::remove_all(e.path(), ignored);
  }

 private:
  Scratch()
      : root_(fs::temp_directory_path() / ("setup-fuzz-" + std::to_string(getpid()))), folder_(root_ / "box/scratch") {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
    fs::create_directories(folder_);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(Get().root_, ignored);
    });
  }
  fs::path root_, folder_;
};

}  // namespace fuzz
