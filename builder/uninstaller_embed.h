// `uninstaller = true`: mksetup puts the uninstaller program into the package
// as its record file, with the installed-entries list of the package appended
// to its bytes (docs/uninstall-list.md), so that the installed uninstaller
// knows what to remove.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "builder/manifest.h"
#include "builder/source_tree.h"

namespace builder {

// The uninstaller with its list, written to a temporary file that the build
// reads like any source file; removed when this object goes.
class UninstallerEmbed {
 public:
  UninstallerEmbed() = default;
  ~UninstallerEmbed();
  UninstallerEmbed(const UninstallerEmbed&) = delete;
  UninstallerEmbed& operator=(const UninstallerEmbed&) = delete;

  // Adds the uninstaller at `program` to items under the manifest's record
  // file name (a source file of that name is replaced, with a warning), in
  // listing order. The list names every folder and file of items (the
  // uninstaller included), the menu path of every start-menu entry and, with
  // [deploy], the installed-programs entry (a version 2 list).
  // False with *error naming the key or file at fault.
  bool Add(const Manifest& manifest, const std::filesystem::path& program, std::vector<SourceItem>& items,
           std::vector<std::string>& warnings, std::string& error);

 private:
  std::filesystem::path temp_;
};

// A warning when the record file among items is a signed program: the
// install record appended to it at installation breaks the signature (so
// does the list the build appends to the uninstaller). Empty otherwise.
std::string SignedRecordFileWarning(const Manifest& manifest, const std::vector<SourceItem>& items);

// Where the uninstaller program is looked for when none is given: beside
// the installer program (stub).
std::filesystem::path DefaultUninstallerPath(const std::filesystem::path& stub);

}  // namespace builder
