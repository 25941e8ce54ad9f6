// The licence agreement as the installer's multi-line edit box wants it:
// UTF-8 without byte-order mark, lines ended by CR LF.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace builder {

// Drops a leading byte-order mark and turns every LF not preceded by CR into CR LF.
std::string ToAgreementText(std::string_view utf8);

// Reads the licence file; false with *error when it cannot be read or is not UTF-8.
bool LoadAgreementText(const std::filesystem::path& file, std::string& text, std::string& error);

// Reads a whole (small) input file; false with *error naming it.
bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& error);

}  // namespace builder
