// `mksetup verify`: the package walk at the conformance level (every
// invariant of a package mksetup writes, listing order, safe names) with a
// full decode of every blob.
#pragma once

#include <filesystem>
#include <string>

#include "package/package_walk.h"

namespace builder {

using ScanFault = WalkFault;

// True with *summary (one line) when sound; false with *fault naming the
// first fault and its byte offset.
bool VerifyInstaller(const std::filesystem::path& installer, std::string& summary, ScanFault& fault);

}  // namespace builder
