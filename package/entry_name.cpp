// Entry names as the writer accepts them, and their listing order.
#include <string>
#include <string_view>

#include "package/package_writer.h"
#include "platform/utf.h"

namespace {

bool Refuse(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

// Windows opens a device for these names in any folder, with any extension.
bool IsDeviceName(std::string_view part) {
  const std::string_view base = part.substr(0, part.find('.'));
  std::string upper;
  for (const char c : base) upper.push_back(static_cast<char>(Upper(static_cast<unsigned char>(c))));
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
         upper[3] <= '9';
}

}  // namespace

bool IsSafeEntryName(std::string_view name, std::string* why) {
  if (name.empty()) return Refuse(why, "empty name");
  if (name.front() == '\\') return Refuse(why, "leading backslash");
  if (name.find(':') != std::string_view::npos) return Refuse(why, "drive prefix or ':' in name");
  if (name.find('/') != std::string_view::npos) return Refuse(why, "'/' in name (the separator is '\\')");
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return Refuse(why, "control character in name");
  }
  if (!platform::IsValidUtf8(name)) return Refuse(why, "name is not valid UTF-8");
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('\\', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part.empty()) return Refuse(why, "empty path component");
    if (part == "." || part == "..") return Refuse(why, "'.' or '..' component");
    // Windows drops trailing dots and spaces, so "... " would act as "..".
    if (part.back() == '.' || part.back() == ' ') return Refuse(why, "component ends with '.' or ' '");
    if (IsDeviceName(part)) return Refuse(why, "device name (CON, NUL, COM1, ...)");
    start = end + 1;
  }
  return true;
}

bool EntryNameLess(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = Upper(static_cast<unsigned char>(a[i]));
    const unsigned char y = Upper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}
