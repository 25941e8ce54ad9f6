#include "builder/manifest_checks.h"

#include <set>

#include "package/name_fold.h"
#include "platform/path_limits.h"
#include "platform/utf.h"

namespace builder {

std::vector<std::string> CheckManifest(const Manifest& m, const std::vector<SourceItem>& items) {
  std::vector<std::string> warnings;
  std::set<std::string> files;
  for (const SourceItem& item : items) {
    if (!item.folder) files.insert(FoldName(item.name));
  }
  auto packaged = [&](const std::string& path) { return IsDrivePath(path) || files.count(FoldName(path)) != 0; };

  if (m.mainProgram.empty()) {
    warnings.push_back(
        "product.main_program is not set: the finish page cannot start the program and no desktop shortcut can be made");
  } else if (!packaged(m.mainProgram)) {
    warnings.push_back("product.main_program '" + m.mainProgram + "' is not among the packaged files");
  }
  if (!m.recordFile.empty() && !packaged(m.recordFile)) {
    warnings.push_back("product.record_file '" + m.recordFile +
                       "' is not among the packaged files: no install record will be kept");
  }
  for (std::size_t i = 0; i < m.shortcuts.size(); ++i) {
    const ManifestShortcut& s = m.shortcuts[i];
    std::string key = "shortcut[" + std::to_string(i + 1) + "]";
    if (!packaged(s.target)) {
      warnings.push_back(key + ".target '" + s.target + "' is not among the packaged files");
    }
    std::size_t cut = s.menu.find('\\');
    if (cut != std::string::npos && cut >= kRecordNameLimit) {
      warnings.push_back(key + ".menu: the group folder is " + std::to_string(cut) +
                         " bytes; the install record keeps at most 255");
    }
  }
  if (m.texts.productName.size() >= kRecordNameLimit) {
    warnings.push_back("product.name is " + std::to_string(m.texts.productName.size()) +
                       " bytes; the install record keeps at most 255");
  }

  // Paths below a typical install folder that Windows cannot create.
  const std::size_t base = platform::Utf16Length(kTypicalProgramFiles) + platform::Utf16Length(m.texts.productName) + 1;
  std::size_t tooLong = 0;
  std::string first;
  for (const SourceItem& item : items) {
    const std::size_t length = base + platform::Utf16Length(item.name);
    if (length > static_cast<std::size_t>(item.folder ? platform::kMaxFolderPath : platform::kMaxFilePath)) {
      if (tooLong++ == 0) first = item.name;
    }
  }
  if (tooLong > 0) {
    std::string where = std::string(kTypicalProgramFiles) + m.texts.productName + "\\";
    warnings.push_back(std::to_string(tooLong) + " path(s) would pass the Windows limit of 260 characters below " +
                       where + ", first: " + first);
  }
  return warnings;
}

}  // namespace builder
