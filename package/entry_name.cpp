// Entry names as the writer accepts them, and their listing order.
#include <string>
#include <string_view>

#include "package/entry_name.h"
#include "platform/utf.h"

namespace {

bool Refuse(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

}  // namespace

bool IsDeviceName(std::string_view component) {
  // The device is opened for the part before the first dot, with the spaces
  // at its end dropped.
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string upper;
  for (const char c : base) upper.push_back(static_cast<char>(Upper(static_cast<unsigned char>(c))));
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (upper == device) return true;
  }
  if (upper.size() < 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
  const std::string_view number = std::string_view(upper).substr(3);
  if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
  // Superscript one, two and three (U+00B9, U+00B2, U+00B3) count as digits too.
  return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

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
