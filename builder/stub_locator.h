// Where `mksetup build` finds the installer program when no --stub is given:
// setup.exe beside mksetup.exe in the Windows builds; for the Linux build the
// 64-bit Windows build's setup.exe (build/win64/bin/setup.exe, reached from
// build/native/bin).
#pragma once

#include <filesystem>

namespace builder {

// The running program's own file; empty when it cannot be told.
std::filesystem::path OwnProgramPath();

// The default stub for a mksetup at programPath (it may not exist).
std::filesystem::path DefaultStubPath(const std::filesystem::path& programPath);

}  // namespace builder
