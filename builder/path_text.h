// Conversions between file-system paths and the UTF-8 texts the package and
// the command line use. On Windows paths are UTF-16; elsewhere they are the
// bytes the file system holds, taken as UTF-8.
#pragma once

#include <filesystem>
#include <string>

namespace builder {

std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path Utf8ToPath(const std::string& utf8);
// The wide form PackageFile and platform::File take.
std::wstring PathToWide(const std::filesystem::path& path);

}  // namespace builder
