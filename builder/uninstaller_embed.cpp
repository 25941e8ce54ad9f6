#include "builder/uninstaller_embed.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "builder/path_text.h"
#include "builder/unique_tag.h"
#include "package/name_fold.h"
#include "package/package_place.h"
#include "package/package_writer.h"
#include "platform/file.h"
#include "uninstall/uninstall_list.h"

namespace fs = std::filesystem;

namespace builder {
namespace {

// One name to Windows: the package's upper-case fold.
bool SameName(const std::string& a, const std::string& b) { return FoldName(a) == FoldName(b); }

fs::path TempPath() {
  std::error_code ec;
  fs::path folder = fs::temp_directory_path(ec);
  if (ec) folder = fs::current_path(ec);
  return folder / ("mksetup-uninstaller-" + UniqueTag() + ".exe");
}

// Index where an item named `name` goes: among the items of its folder, in
// upper-case name order, past the contents of the folders before it.
std::size_t InsertionIndex(const std::vector<SourceItem>& items, const std::string& parent, std::size_t start,
                           const std::string& leaf) {
  const std::string prefix = parent.empty() ? std::string() : parent + "\\";
  std::size_t i = start;
  for (; i < items.size() && items[i].name.compare(0, prefix.size(), prefix) == 0; ++i) {
    const std::string rest = items[i].name.substr(prefix.size());
    if (rest.find('\\') == std::string::npos && EntryNameLess(leaf, rest)) break;
  }
  return i;
}

}  // namespace

UninstallerEmbed::~UninstallerEmbed() {
  if (!temp_.empty()) {
    std::error_code ec;
    fs::remove(temp_, ec);
  }
}

std::string SignedRecordFileWarning(const Manifest& manifest, const std::vector<SourceItem>& items) {
  for (const SourceItem& item : items) {
    if (item.folder || manifest.recordFile.empty() || !SameName(item.name, manifest.recordFile)) continue;
    platform::File file;
    ImageFacts facts;
    if (file.Open(PathToWide(item.path), platform::Access::Read, platform::Share::ReadWrite,
                  platform::Disposition::OpenExisting) &&
        ReadImageFacts(file, facts) && facts.certificateSize > 0) {
      return "product.record_file '" + item.name +
             "' is a signed program: the install record appended to it at installation breaks its signature";
    }
  }
  return std::string();
}

fs::path DefaultUninstallerPath(const fs::path& stub) { return stub.parent_path() / "uninstall.exe"; }

bool UninstallerEmbed::Add(const Manifest& manifest, const fs::path& program, std::vector<SourceItem>& items,
                           std::vector<std::string>& warnings, std::string& error) {
  const std::string& name = manifest.recordFile;
  if (name.empty()) {
    error = "product.record_file: empty, but product.uninstaller needs a name for the uninstaller";
    return false;
  }
  std::ifstream in(program, std::ios::binary);
  if (!in) {
    error = PathToUtf8(program) + ": cannot open the uninstaller program (build it first, or pass --uninstaller FILE)";
    return false;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = PathToUtf8(program) + ": cannot read the uninstaller program";
    return false;
  }
  if (bytes.size() < 2 || bytes[0] != 'M' || bytes[1] != 'Z') {
    warnings.push_back(PathToUtf8(program) + ": the uninstaller is not a Windows program (no MZ header)");
  }

  // Its folder must be one of the package's; a source file of its name gives way.
  const std::size_t slash = name.rfind('\\');
  const std::string parent = slash == std::string::npos ? std::string() : name.substr(0, slash);
  const std::string leaf = name.substr(slash == std::string::npos ? 0 : slash + 1);
  std::size_t start = 0;
  std::string parentName;  // as the source tree spells it
  if (!parent.empty()) {
    std::size_t at = 0;
    while (at < items.size() && !(items[at].folder && SameName(items[at].name, parent))) ++at;
    if (at == items.size()) {
      error = "product.record_file: the uninstaller's folder '" + parent + "' is not a folder of files.source";
      return false;
    }
    start = at + 1;
    parentName = items[at].name;
  }
  std::size_t existing = items.size();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (SameName(items[i].name, name)) existing = i;
  if (existing < items.size() && items[existing].folder) {
    error = "product.record_file: '" + name + "' is a folder of files.source; the uninstaller cannot go there";
    return false;
  }

  // The uninstaller takes its place among the items first, so that the list
  // names everything in package order.
  SourceItem* self = nullptr;
  if (existing < items.size()) {
    warnings.push_back("files.source: " + items[existing].name +
                       " is replaced by the uninstaller (product.uninstaller)");
    self = &items[existing];
  } else {
    SourceItem item;
    item.name = parentName.empty() ? name : parentName + "\\" + leaf;
    const std::size_t at = InsertionIndex(items, parentName, start, leaf);
    self = &*items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
  }

  uninstall::UninstallList list;
  list.selfName = self->name;
  for (const SourceItem& item : items) (item.folder ? list.folders : list.files).push_back(item.name);
  for (const ManifestShortcut& s : manifest.shortcuts) list.menuLinks.push_back(s.menu);
  list.deploy = manifest.deploy;
  std::vector<std::uint8_t> block;
  if (!uninstall::BuildUninstallList(list, block, error)) return false;

  temp_ = TempPath();
  std::ofstream out(temp_, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
  out.close();
  if (!out) {
    error = PathToUtf8(temp_) + ": cannot write the uninstaller with its list";
    return false;
  }
  self->path = temp_;
  self->size = bytes.size() + block.size();
  return true;
}

}  // namespace builder
