// `mksetup verify`: every invariant of a well-formed package, the listing
// order and safe names, and a full decode of every blob.
#pragma once

#include <filesystem>
#include <string>

#include "builder/package_scan.h"

namespace builder {

// True with *summary (one line) when sound; false with *fault naming the
// first fault and its byte offset.
bool VerifyInstaller(const std::filesystem::path& installer, std::string& summary, ScanFault& fault);

}  // namespace builder
