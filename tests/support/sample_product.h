// A product for mksetup to build: a payload folder, a licence, a picture and
// the manifest that names them, and a stand-in for the installer program.
#pragma once

#include <filesystem>

namespace support {

// folder/payload: bin/Demo.exe, bin/lib/core.dll, docs/说明.txt, an empty
// file, an empty folder and uninstall.exe; with large, also noise over one
// compression piece, a 3 MiB log and 400 small files in four folders.
// folder/LICENSE.txt, folder/logo.png and folder/setup.toml (main program,
// record file, one shortcut).
std::filesystem::path MakeProduct(const std::filesystem::path& folder, bool large = false);

// folder/stub.exe: bytes that start like a Windows program.
std::filesystem::path MakeStub(const std::filesystem::path& folder);

}  // namespace support
