#include "builder/stub_locator.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace builder {

std::filesystem::path OwnProgramPath() {
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 || n >= buffer.size()) return {};
  buffer.resize(n);
  return std::filesystem::path(buffer);
#else
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self;
#endif
}

std::vector<std::filesystem::path> StubCandidates(const std::filesystem::path& programPath, const std::string& arch) {
  const std::filesystem::path bin = programPath.parent_path();
  return {(bin / ".." / "share" / "mksetup" / arch / "setup.exe").lexically_normal(),
          (bin / ".." / ".." / arch / "bin" / "setup.exe").lexically_normal()};
}

}  // namespace builder
