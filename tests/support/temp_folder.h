// A scratch folder for one test, removed with everything in it afterwards.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> serial{0};
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0;; ++attempt) {
      path_ = base /
              ("setup-test-" + std::to_string(Pid()) + "-" + std::to_string(serial++) + "-" + std::to_string(attempt));
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // A child as the wide path our file layer takes ("\" joins on every build).
  std::wstring Wide(const std::wstring& child = std::wstring()) const {
    return child.empty() ? path_.wstring() : path_.wstring() + L"\\" + child;
  }
  std::filesystem::path Child(const std::string& relative) const { return path_ / relative; }

  static void WriteBytes(const std::filesystem::path& p, const std::vector<unsigned char>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  static std::vector<unsigned char> ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  static unsigned long Pid() {
    static const unsigned long id = std::random_device{}();
    return id;
  }
  std::filesystem::path path_;
};
