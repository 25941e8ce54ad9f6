// UTF-8 <-> UTF-16 through the Windows conversion calls (CP_UTF8, flags 0).
#ifdef _WIN32

#include <windows.h>

#include <climits>

#include "platform/utf.h"

namespace platform {

std::wstring Utf8ToWide(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int n = static_cast<int>(utf8.size());
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, nullptr, 0);
  if (units <= 0) return {};
  std::wstring out(static_cast<std::size_t>(units), L'\0');
  const int done = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), n, out.data(), units);
  out.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
  return out;
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty() || wide.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int n = static_cast<int>(wide.size());
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  const int done = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data(), bytes, nullptr, nullptr);
  out.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
  return out;
}

}  // namespace platform

#endif  // _WIN32
