// Whether an installer was built for unattended deployment, read from its
// package: the record file must be a file entry of the package whose
// contents end with an installed-entries list of version 2 (our uninstaller
// with the [deploy] values). The installer asks at start-up, before it
// decides whether to read its command line; `mksetup list` shows the result.
#pragma once

#include <cstdint>

#include "integration/deploy_facts.h"
#include "package/package_walk.h"

namespace platform {
class File;
}

namespace uninstall {

enum class DeployStatus {
  NotCarried,  // no record file, not a file entry, or its contents end without a list (or with a version 1 list)
  Carried,     // a version 2 list: deploy holds its facts
  Damaged,     // the record file's contents do not decode, or end with a damaged list
};

// facts: the package walk over file (any level; no blob needs decoding).
// Decodes the record file's entry and keeps its last bytes only, so a large
// record file costs time but no memory.
DeployStatus ReadPackageDeploy(platform::File& file, const PackageFacts& facts, DeployFacts& deploy);

// The bytes the package installs: the raw lengths of its file entries.
std::uint64_t InstalledBytes(const PackageFacts& facts);

}  // namespace uninstall
