#include "builder/path_text.h"

#include "platform/utf.h"

namespace builder {

std::string PathToUtf8(const std::filesystem::path& path) {
#ifdef _WIN32
  return platform::WideToUtf8(path.wstring());
#else
  return path.string();
#endif
}

std::filesystem::path Utf8ToPath(const std::string& utf8) {
#ifdef _WIN32
  return std::filesystem::path(platform::Utf8ToWide(utf8));
#else
  return std::filesystem::path(utf8);
#endif
}

std::wstring PathToWide(const std::filesystem::path& path) {
#ifdef _WIN32
  return path.wstring();
#else
  return platform::Utf8ToWide(path.string());
#endif
}

}  // namespace builder
