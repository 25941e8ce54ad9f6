// `mksetup list`: the facts of an installer's package, as text or as one JSON document.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "integration/deploy_facts.h"
#include "package/package_walk.h"

namespace builder {

struct PackageListing {
  StubKind stubKind = StubKind::None;  // the installer program: PE32 (32-bit) or PE32+ (64-bit)
  bool signedInstaller = false;
  std::string texts[5];  // product name, heading, notice, rights, welcome
  std::string mainProgram;
  std::string recordFile;
  std::int64_t pictureSize = 0;
  std::int64_t agreementStoredSize = 0;
  std::int64_t agreementTextSize = 0;  // bytes of UTF-8 the installer shows
  std::vector<WalkedEntry> entries;
  std::vector<WalkedShortcut> shortcuts;
  DeployFacts deploy;  // the installed-programs entry the record file (our uninstaller) carries, if any
};

// The entries and shortcut records from the package walk (install level,
// no blob decoded), the texts and records the way the installer reads them
// (PackageFile), the installed-programs entry from the record file's
// installed-entries list. False with *error when the walk refuses the
// package or the record file's list is damaged.
bool ReadListing(const std::filesystem::path& installer, PackageListing& listing, std::string& error);

std::string FormatListingText(const PackageListing& listing);
std::string FormatListingJson(const PackageListing& listing);
// A JSON string literal of UTF-8 text.
std::string JsonString(const std::string& utf8);
// "PE32", "PE32+" or "none".
const char* StubKindName(StubKind kind);

}  // namespace builder
