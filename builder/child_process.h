// Runs another program without a shell: the program and its arguments as
// separate words, the program looked up on PATH, in a given folder. Its
// standard output goes to mksetup's standard error, so that mksetup's own
// output stays what scripts read; its standard error and input are shared.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace builder {

// Runs words[0] with words[1..] (UTF-8) in folder (empty: the current one)
// and waits for it. True with *exitCode when it ran to its end; false with
// *error when it could not be started or did not end normally.
bool RunProgram(const std::vector<std::string>& words, const std::filesystem::path& folder, int& exitCode,
                std::string& error);

// The Windows command line that hands words to a program unchanged through
// the usual argument parsing (quotes and backslashes as CommandLineToArgvW
// takes them).
std::wstring WindowsCommandLine(const std::vector<std::wstring>& words);

}  // namespace builder
