// A scratch folder for one test, removed with everything in it afterwards.
#pragma once

#include <atomic>
#include <filesystem>
#include <random>
#include <string>

class TempFolder {
 public:
  TempFolder() {
    static std::atomic<int> serial{0};
    static const unsigned long run = std::random_device{}();  // apart from test programs running at once
    do {
      path_ = std::filesystem::temp_directory_path() /
              ("setup-test-" + std::to_string(run) + "-" + std::to_string(serial++));
    } while (!std::filesystem::create_directory(path_));
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

 private:
  std::filesystem::path path_;
};
