#include "builder/license_text.h"

#include <fstream>
#include <iterator>

#include "builder/path_text.h"
#include "platform/utf.h"

namespace builder {

std::string ToAgreementText(std::string_view utf8) {
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 32);
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) out.push_back('\r');
    out.push_back(utf8[i]);
  }
  return out;
}

bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    error = PathToUtf8(file) + ": " + (std::filesystem::exists(file, ec) ? "is not a file" : "does not exist");
    return false;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = PathToUtf8(file) + ": cannot be opened";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = PathToUtf8(file) + ": cannot be read";
    return false;
  }
  return true;
}

bool LoadAgreementText(const std::filesystem::path& file, std::string& text, std::string& error) {
  std::string bytes;
  if (!ReadWholeFile(file, bytes, error)) return false;
  if (!platform::IsValidUtf8(bytes)) {
    error = PathToUtf8(file) + ": the licence text is not valid UTF-8";
    return false;
  }
  text = ToAgreementText(bytes);
  return true;
}

}  // namespace builder
