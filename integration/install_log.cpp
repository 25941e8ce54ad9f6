#include "integration/install_log.h"

#include "package/decimal.h"
#include "platform/utf.h"

namespace integration {

bool InstallLog::Open(const std::wstring& path) {
  // Others may read it while the installation runs.
  return file_.Open(path, platform::Access::ReadWrite, platform::Share::Read, platform::Disposition::CreateAlways);
}

void InstallLog::Line(std::string_view kind, const std::wstring& text) {
  if (!file_.IsOpen()) return;
  std::string line(kind);
  line += ": ";
  line += platform::WideToUtf8(text);
  line += "\r\n";
  std::uint32_t written = 0;
  file_.Write(line.data(), static_cast<std::uint32_t>(line.size()), &written);
}

void InstallLog::Exit(int exitCode, const char* reason) {
  Line("exit", WideDecimal(exitCode) + L" (" + platform::Utf8ToWide(reason) + L")");
  file_.Close();
}

}  // namespace integration
