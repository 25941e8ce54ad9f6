#include "hardening_support.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/file.h"
#include "platform/utf.h"

namespace fs = std::filesystem;

namespace hardening {

fs::path ToFs(const std::wstring& path) {
#ifdef _WIN32
  return fs::path(path);
#else
  return fs::path(platform::NativePath(path));
#endif
}

std::wstring FromFs(const fs::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return platform::Utf8ToWide(path.string());
#endif
}

std::string Narrow(const std::wstring& path) { return platform::WideToUtf8(path); }

std::string SlashPath(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

bool LexicallyInside(const std::wstring& path, const std::wstring& folder) {
  const fs::path rel = ToFs(path).lexically_normal().lexically_relative(ToFs(folder).lexically_normal());
  return !rel.empty() && *rel.begin() != ".." && !rel.has_root_name() && !rel.has_root_directory();
}

bool WriteFile(const std::wstring& path, const Bytes& bytes) {
  platform::File file;
  if (!file.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways)) {
    return false;
  }
  std::uint32_t written = 0;
  return bytes.empty() ||
         (file.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written) && written == bytes.size());
}

Box::Box() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  root_ =
      fs::temp_directory_path() / ("hardening-" + std::to_string(random() % 1000000) + "-" + std::to_string(counter++));
  fs::create_directories(root_ / "scratch");
  package_ = FromFs(root_) + L"\\package.exe";
  scratch_ = FromFs(root_) + L"\\scratch";
}

Box::~Box() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

bool Box::OnlyScratchBeside() const {
  for (const fs::directory_entry& e : fs::directory_iterator(root_)) {
    const fs::path name = e.path().filename();
    if (name != "package.exe" && name != "scratch") return false;
  }
  return true;
}

std::map<std::string, std::string> Box::TakeFiles() const {
  std::map<std::string, std::string> files;
  const fs::path scratch = root_ / "scratch";
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(scratch)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    const std::u8string rel = e.path().lexically_relative(scratch).generic_u8string();
    files[std::string(rel.begin(), rel.end())] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  for (const fs::directory_entry& e : fs::directory_iterator(scratch)) {
    std::error_code ignored;
    fs::remove_all(e.path(), ignored);
  }
  return files;
}

}  // namespace hardening
