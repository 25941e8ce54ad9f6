#include "uninstall/uninstall_list.h"

#include <cstring>

#include "package/entry_name.h"
#include "package/package_checksum.h"
#include "package/package_writer.h"
#include "platform/utf.h"
#include "uninstall/uninstall_list_layout.h"

namespace uninstall {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t GetU32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

bool IsDeployItem(std::uint16_t type) { return type >= UNL_ITEM_ENTRY_KEY && type <= UNL_ITEM_URL; }

bool IsSafeItem(std::uint16_t type, const std::string& name) {
  if (type == UNL_ITEM_MENU_LINK) return IsSafeMenuPath(name);
  if (type == UNL_ITEM_ENTRY_KEY) return IsSafeEntryKey(name);
  if (IsDeployItem(type)) return IsSafeDeployText(name);
  return IsSafeEntryName(name);
}

bool PutItem(std::vector<std::uint8_t>& out, std::uint16_t type, const std::string& name, std::string& error) {
  if (!IsSafeItem(type, name)) {
    error = (IsDeployItem(type) ? "not a text the installed-programs entry may hold: "
                                : "unsafe name in the uninstall list: ") +
            name;
    return false;
  }
  if (name.size() > UNL_MAX_NAME) {
    error = "name longer than " + std::to_string(UNL_MAX_NAME) + " bytes: " + name;
    return false;
  }
  PutU16(out, type);
  PutU16(out, 0);
  PutU32(out, static_cast<std::uint32_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  return true;
}

bool AppendItems(const UninstallList& list, std::vector<std::uint8_t>& block, std::string& error);

}  // namespace

const char* ListErrorText(ListError error) {
  switch (error) {
    case ListError::None:
      return "no error";
    case ListError::NoBlock:
      return "no uninstall list (footer magic missing)";
    case ListError::BadLength:
      return "uninstall list length out of bounds";
    case ListError::Unreadable:
      return "uninstall list cannot be read";
    case ListError::Checksum:
      return "uninstall list checksum mismatch";
    case ListError::BadHeader:
      return "uninstall list header damaged";
    case ListError::Version:
      return "uninstall list of an unknown version";
    case ListError::BadItem:
      return "uninstall list item damaged";
    case ListError::UnsafeName:
      return "uninstall list names a path outside its folder";
    case ListError::BadEntry:
      return "uninstall list holds a damaged installed-programs entry";
  }
  return "unknown error";
}

bool IsSafeDeployText(const std::string& text) {
  if (text.empty() || text.size() > UNL_MAX_NAME || !platform::IsValidUtf8(text)) return false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool IsSafeEntryKey(const std::string& keyName) {
  return IsSafeDeployText(keyName) && IsSafeNameComponent(keyName) && platform::Utf16Length(keyName) <= 255;
}

bool BuildUninstallList(const UninstallList& list, std::vector<std::uint8_t>& block, std::string& error) {
  block.clear();
  if (!AppendItems(list, block, error)) {
    block.clear();
    return false;
  }
  const std::size_t total = block.size() + sizeof(UninstallListFooter);
  if (total > UNL_MAX_BLOCK) {
    error = "uninstall list larger than " + std::to_string(UNL_MAX_BLOCK) + " bytes";
    block.clear();
    return false;
  }
  const std::uint32_t checksum = PackageChecksum(block.data(), block.size());
  PutU32(block, static_cast<std::uint32_t>(total));
  PutU32(block, checksum);
  PutU32(block, 0);
  PutU32(block, UNL_FOOTER_MAGIC);
  return true;
}

namespace {

// Header and items, without the footer.
bool AppendItems(const UninstallList& list, std::vector<std::uint8_t>& block, std::string& error) {
  const DeployFacts& d = list.deploy;
  const std::size_t deployItems = d.Present() ? (d.url.empty() ? 3 : 4) : 0;
  const std::size_t count = 1 + list.folders.size() + list.files.size() + list.menuLinks.size() + deployItems;
  if (count > UNL_MAX_ITEMS) {
    error = "more than " + std::to_string(UNL_MAX_ITEMS) + " items for the uninstall list";
    return false;
  }
  PutU32(block, UNL_HEADER_MAGIC);
  PutU32(block, deployItems ? UNL_VERSION_DEPLOY : UNL_VERSION);
  PutU32(block, static_cast<std::uint32_t>(count));
  PutU32(block, 0);
  if (!PutItem(block, UNL_ITEM_SELF, list.selfName, error)) return false;
  for (const std::string& name : list.folders)
    if (!PutItem(block, UNL_ITEM_FOLDER, name, error)) return false;
  for (const std::string& name : list.files)
    if (!PutItem(block, UNL_ITEM_FILE, name, error)) return false;
  for (const std::string& name : list.menuLinks)
    if (!PutItem(block, UNL_ITEM_MENU_LINK, name, error)) return false;
  if (!deployItems) return true;
  return PutItem(block, UNL_ITEM_ENTRY_KEY, d.keyName, error) && PutItem(block, UNL_ITEM_VERSION, d.version, error) &&
         PutItem(block, UNL_ITEM_PUBLISHER, d.publisher, error) &&
         (d.url.empty() || PutItem(block, UNL_ITEM_URL, d.url, error));
}

}  // namespace

ListError ParseUninstallList(const std::uint8_t* bytes, std::size_t size, UninstallList& list) {
  list = UninstallList();
  if (size < sizeof(UninstallListFooter)) return ListError::NoBlock;
  const std::uint8_t* footer = bytes + size - sizeof(UninstallListFooter);
  if (GetU32(footer + offsetof(UninstallListFooter, magic)) != UNL_FOOTER_MAGIC) return ListError::NoBlock;
  const std::uint32_t length = GetU32(footer + offsetof(UninstallListFooter, blockLength));
  if (length < UNL_MIN_BLOCK || length > UNL_MAX_BLOCK || length > size) return ListError::BadLength;

  const std::uint8_t* block = bytes + size - length;
  const std::size_t body = length - sizeof(UninstallListFooter);  // header + items
  if (PackageChecksum(block, body) != GetU32(footer + offsetof(UninstallListFooter, checksum)))
    return ListError::Checksum;
  if (GetU32(block) != UNL_HEADER_MAGIC) return ListError::BadHeader;
  const std::uint32_t version = GetU32(block + offsetof(UninstallListHeader, version));
  if (version != UNL_VERSION && version != UNL_VERSION_DEPLOY) return ListError::Version;
  const std::uint32_t count = GetU32(block + offsetof(UninstallListHeader, itemCount));
  if (count == 0 || count > UNL_MAX_ITEMS) return ListError::BadHeader;

  std::size_t at = sizeof(UninstallListHeader);
  bool haveSelf = false;
  std::string* deployText[] = {&list.deploy.keyName, &list.deploy.version, &list.deploy.publisher, &list.deploy.url};
  for (std::uint32_t i = 0; i < count; ++i) {
    if (body - at < sizeof(UninstallListItemHeader)) return ListError::BadItem;
    const std::uint16_t type = GetU16(block + at);
    const std::uint32_t nameLength = GetU32(block + at + offsetof(UninstallListItemHeader, nameLength));
    at += sizeof(UninstallListItemHeader);
    if (nameLength == 0 || nameLength > UNL_MAX_NAME || nameLength > body - at) return ListError::BadItem;
    std::string name(reinterpret_cast<const char*>(block + at), nameLength);
    at += nameLength;
    // The uninstaller's own name comes first and only once.
    if ((type == UNL_ITEM_SELF) != (i == 0)) return ListError::BadItem;
    switch (type) {
      case UNL_ITEM_SELF:
        if (!IsSafeEntryName(name)) return ListError::UnsafeName;
        list.selfName = std::move(name);
        haveSelf = true;
        break;
      case UNL_ITEM_FOLDER:
        if (!IsSafeEntryName(name)) return ListError::UnsafeName;
        list.folders.push_back(std::move(name));
        break;
      case UNL_ITEM_FILE:
        if (!IsSafeEntryName(name)) return ListError::UnsafeName;
        list.files.push_back(std::move(name));
        break;
      case UNL_ITEM_MENU_LINK:
        if (!IsSafeMenuPath(name)) return ListError::UnsafeName;
        list.menuLinks.push_back(std::move(name));
        break;
      case UNL_ITEM_ENTRY_KEY:
      case UNL_ITEM_VERSION:
      case UNL_ITEM_PUBLISHER:
      case UNL_ITEM_URL: {
        if (version != UNL_VERSION_DEPLOY) return ListError::BadItem;
        std::string& slot = *deployText[type - UNL_ITEM_ENTRY_KEY];
        if (!slot.empty() || !IsSafeItem(type, name)) return ListError::BadEntry;
        slot = std::move(name);
        break;
      }
      default:
        return ListError::BadItem;
    }
  }
  // The items end exactly where the footer begins.
  if (at != body || !haveSelf) return ListError::BadItem;
  const DeployFacts& d = list.deploy;
  if (version == UNL_VERSION_DEPLOY && (d.keyName.empty() || d.version.empty() || d.publisher.empty()))
    return ListError::BadEntry;
  return ListError::None;
}

ListError ReadUninstallList(platform::File& file, std::int64_t end, UninstallList& list) {
  list = UninstallList();
  if (end < static_cast<std::int64_t>(sizeof(UninstallListFooter))) return ListError::NoBlock;
  std::uint8_t footer[sizeof(UninstallListFooter)];
  std::uint32_t got = 0;
  if (!file.Seek(end - static_cast<std::int64_t>(sizeof footer)) || !file.Read(footer, sizeof footer, &got) ||
      got != sizeof footer)
    return ListError::Unreadable;
  if (GetU32(footer + offsetof(UninstallListFooter, magic)) != UNL_FOOTER_MAGIC) return ListError::NoBlock;
  const std::uint32_t length = GetU32(footer + offsetof(UninstallListFooter, blockLength));
  if (length < UNL_MIN_BLOCK || length > UNL_MAX_BLOCK || static_cast<std::int64_t>(length) > end)
    return ListError::BadLength;
  std::vector<std::uint8_t> block(length);
  if (!file.Seek(end - length) || !file.Read(block.data(), length, &got) || got != length) return ListError::Unreadable;
  return ParseUninstallList(block.data(), block.size(), list);
}

}  // namespace uninstall
