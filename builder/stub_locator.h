// Where `mksetup build` finds the installer program when no --stub is given,
// for the architecture asked for (--stub-arch, 32-bit by default): first in
// the installed layout (<prefix>/bin/mksetup with
// <prefix>/share/mksetup/<arch>/setup.exe), then in the build tree
// (build/native/bin/mksetup with build/<arch>/bin/setup.exe). The uninstaller
// is looked for beside the stub.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace builder {

constexpr const char* kDefaultStubArch = "win32";

// The running program's own file; empty when it cannot be told.
std::filesystem::path OwnProgramPath();

// The places looked at, in order, for the stub of arch ("win32" or "win64")
// for a mksetup at programPath (none of them need exist).
std::vector<std::filesystem::path> StubCandidates(const std::filesystem::path& programPath, const std::string& arch);

}  // namespace builder
