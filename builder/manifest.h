// The build manifest (TOML): product texts, picture, licence, main program,
// record file, source tree, start-menu entries, the installed-programs entry
// ([deploy]) and the signing command. Paths in it are relative to the
// manifest's folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "builder/sign_command.h"
#include "integration/deploy_facts.h"
#include "package/package_writer.h"

namespace builder {

struct ManifestShortcut {
  std::string menu;    // group folder, backslash, shortcut name
  std::string target;  // relative to the install folder, or a drive path
  std::string description;
};

struct Manifest {
  std::filesystem::path file;    // the manifest itself
  std::filesystem::path output;  // empty: not given
  PackageTexts texts;
  std::filesystem::path picture;  // empty: no picture
  std::filesystem::path license;  // empty: no licence text
  std::string mainProgram;
  std::string recordFile;
  bool uninstaller = false;  // product.uninstaller: pack the uninstaller as the record file
  std::filesystem::path source;
  std::vector<ManifestShortcut> shortcuts;
  // [deploy]: version, publisher and url; the entry's key name is the product
  // name. Not present: the installer reads no command line and registers nothing.
  DeployFacts deploy;
  SignCommand sign;  // [sign] command, run in the manifest's folder; no words: not signed
};

// Reads and checks the manifest file. On failure *error names the file and
// the key (or line and column) at fault.
bool LoadManifest(const std::filesystem::path& file, Manifest& manifest, std::string& error);

// The same on manifest text already in memory; paths resolve against file's folder.
bool ParseManifest(std::string_view text, const std::filesystem::path& file, Manifest& manifest, std::string& error);

// True for a path of the form "C:\..." (kept as it is by the installer).
bool IsDrivePath(std::string_view path);

}  // namespace builder
