// Warnings about a manifest and its source listing: things that build a
// sound package but will not work as the author expects on Windows.
#pragma once

#include <string>
#include <vector>

#include "builder/manifest.h"
#include "builder/source_tree.h"

namespace builder {

// The typical install folder of a 32-bit installer on 64-bit Windows.
constexpr const char* kTypicalProgramFiles = "C:\\Program Files (x86)\\";
// The install record keeps product name and start-menu group in fields of this many bytes.
constexpr std::size_t kRecordNameLimit = 256;

std::vector<std::string> CheckManifest(const Manifest& manifest, const std::vector<SourceItem>& items);

}  // namespace builder
