#include "builder/entry_names.h"

#include "package/entry_name.h"
#include "platform/utf.h"

namespace builder {
namespace {

bool Refuse(std::string* why, const char* text) {
  if (why) *why = text;
  return false;
}

}  // namespace

bool IsValidNameComponent(std::string_view component, std::string* why) {
  if (component.empty()) return Refuse(why, "empty name");
  if (component == "." || component == "..") return Refuse(why, "'.' and '..' are not names");
  if (!platform::IsValidUtf8(component)) return Refuse(why, "name is not valid UTF-8");
  for (unsigned char c : component) {
    if (c < 0x20 || c == 0x7F) return Refuse(why, "name holds a control character");
    if (std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
      return Refuse(why, "name holds one of \\ / : * ? \" < > | which Windows does not allow");
    }
  }
  char last = component.back();
  if (last == '.' || last == ' ') return Refuse(why, "Windows drops a final dot or space from names");
  if (::IsDeviceName(component)) return Refuse(why, "name is a Windows device name");
  return true;
}

bool IsInstallableName(std::string_view name, std::string* why) {
  if (!IsSafeEntryName(name, why)) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('\\', start);
    if (end == std::string_view::npos) end = name.size();
    if (!IsValidNameComponent(name.substr(start, end - start), why)) return false;
    start = end + 1;
  }
  return true;
}

std::string CaseFoldKey(std::string_view name) {
  std::wstring wide = platform::Utf8ToWide(name);
  for (wchar_t& c : wide) {
    unsigned u = static_cast<unsigned>(c);
    if (u >= 'a' && u <= 'z') {
      u -= 0x20;
    } else if (u >= 0xE0 && u <= 0xFE && u != 0xF7) {
      u -= 0x20;  // Latin-1 small letters
    } else if (u >= 0x3B1 && u <= 0x3C9 && u != 0x3C2) {
      u -= 0x20;  // Greek
    } else if (u >= 0x430 && u <= 0x44F) {
      u -= 0x20;  // Cyrillic
    } else if (u >= 0x450 && u <= 0x45F) {
      u -= 0x50;
    }
    c = static_cast<wchar_t>(u);
  }
  return platform::WideToUtf8(wide);
}

void SplitEntryName(std::string_view name, std::string_view& parent, std::string_view& leaf) {
  std::size_t cut = name.rfind('\\');
  if (cut == std::string_view::npos) {
    parent = std::string_view();
    leaf = name;
  } else {
    parent = name.substr(0, cut);
    leaf = name.substr(cut + 1);
  }
}

}  // namespace builder
