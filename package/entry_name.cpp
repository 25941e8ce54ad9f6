// The name rule and the listing order.
#include "package/entry_name.h"

#include "package/name_fold.h"
#include "platform/utf.h"

namespace {

bool Refuse(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

}  // namespace

bool IsDeviceName(std::string_view component) {
  // The device is opened for the part before the first dot, with the spaces
  // at its end dropped.
  std::string_view base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  // The fold keeps every character's length, and no device name is longer
  // than CONOUT$: most names need no fold here.
  if (base.size() > 7) return false;
  const std::string upper = FoldName(base);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (upper == device) return true;
  }
  if (upper.size() < 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
  const std::string_view number = std::string_view(upper).substr(3);
  if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
  // Superscript one, two and three (U+00B9, U+00B2, U+00B3) count as digits too.
  return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool IsSafeNameComponent(std::string_view component, std::string* why) {
  if (component.empty()) return Refuse(why, "empty name or path component");
  if (component == "." || component == "..") return Refuse(why, "'.' or '..' component");
  if (!platform::IsValidUtf8(component)) return Refuse(why, "name is not valid UTF-8");
  for (const unsigned char c : component) {
    if (c < 0x20 || c == 0x7F) return Refuse(why, "control character in name");
    if (std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
      return Refuse(why, "one of \\ / : * ? \" < > | in name, which Windows does not allow");
    }
  }
  // Windows drops trailing dots and spaces, so "... " would act as "..".
  if (component.back() == '.' || component.back() == ' ') return Refuse(why, "component ends with '.' or ' '");
  if (IsDeviceName(component)) return Refuse(why, "device name (CON, NUL, COM1, ...)");
  return true;
}

bool IsSafeEntryName(std::string_view name, std::string* why) {
  if (name.empty()) return Refuse(why, "empty name");
  if (name.front() == '\\') return Refuse(why, "leading backslash");
  if (name.size() >= 2 && name[1] == ':') return Refuse(why, "drive prefix");
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = name.find('\\', start);
    if (!IsSafeNameComponent(name.substr(start, end == std::string_view::npos ? end : end - start), why)) {
      return false;
    }
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool IsSafeMenuPath(std::string_view path, std::string* why) {
  if (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return IsSafeEntryName(path, why);
}

bool IsSafeProgramPath(std::string_view path, std::string* why) {
  if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) {
    if (path.size() < 3 || path[2] != '\\') return Refuse(why, "drive-relative path (a drive without '\\')");
    return IsSafeEntryName(path.substr(3), why);
  }
  // The installer joins the path to the install folder without its leading backslash.
  return IsSafeMenuPath(path, why);
}

bool EntryNameLess(std::string_view a, std::string_view b) { return FoldName(a) < FoldName(b); }

void SplitEntryName(std::string_view name, std::string_view& parent, std::string_view& leaf) {
  const std::size_t cut = name.rfind('\\');
  if (cut == std::string_view::npos) {
    parent = std::string_view();
    leaf = name;
  } else {
    parent = name.substr(0, cut);
    leaf = name.substr(cut + 1);
  }
}
