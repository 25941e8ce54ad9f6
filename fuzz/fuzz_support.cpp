#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/utf.h"

namespace fs = std::filesystem;

namespace fuzz {
namespace {

[[noreturn]] void Escaped(const fs::path& what) {
  std::fprintf(stderr, "fuzz: written outside the scratch folder: %s\n", what.c_str());
  std::abort();
}

}  // namespace

Scratch& Scratch::Get() {
  static Scratch scratch;
  return scratch;
}

Scratch::Scratch() {
  root_ = fs::temp_directory_path() / ("setup-fuzz-" + std::to_string(getpid()));
  box_ = root_ / "box";
  folder_ = box_ / "scratch";
  std::error_code ec;
  fs::remove_all(root_, ec);
  fs::create_directories(folder_);
  // Gone when the fuzzer ends normally.
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(Scratch::Get().root_, ignored);
  });
}

fs::path Scratch::WriteInput(const std::uint8_t* data, std::size_t size) const {
  const fs::path file = root_ / "input.bin";
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return file;
}

void Scratch::CheckAndEmpty() const {
  for (const fs::directory_entry& e : fs::directory_iterator(root_)) {
    const fs::path name = e.path().filename();
    if (name != "input.bin" && name != "box") Escaped(e.path());
  }
  for (const fs::directory_entry& e : fs::directory_iterator(box_)) {
    if (e.path().filename() != "scratch") Escaped(e.path());
  }
  // Anything above root would be found by the ../ check of the targets.
  for (const fs::directory_entry& e : fs::directory_iterator(folder_)) {
    std::error_code ec;
    fs::remove_all(e.path(), ec);
  }
}

std::wstring Wide(const fs::path& path) { return platform::Utf8ToWide(path.string()); }

}  // namespace fuzz
