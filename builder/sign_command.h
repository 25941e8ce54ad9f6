// The user's signing command (`mksetup build --sign COMMAND`, or the
// manifest's [sign] table): a program and its arguments, run without a
// shell, in which {in} stands for the finished installer and {out} for the
// signed file the command writes. A command without {out} signs {in} in place.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace builder {

struct SignCommand {
  std::vector<std::string> words;  // program first; empty: the installer is not signed
  std::filesystem::path folder;    // where the command runs; empty: the current folder
};

// Splits a command line into words: blanks separate them; '...' and "..."
// group blanks into a word and lose their quotes. Nothing is escaped, so
// Windows paths keep their backslashes (a quote of one kind goes inside the
// other kind). False with *error on an unclosed quote or an empty command.
bool SplitCommandLine(std::string_view text, std::vector<std::string>& words, std::string& error);

// False with *error when the words do not name the installer as {in}.
bool CheckSignCommand(const std::vector<std::string>& words, std::string& error);

// True when the command writes its result to {out} (else it signs {in} in place).
bool WritesSignedCopy(const std::vector<std::string>& words);

// The words with every {in} and {out} replaced, also inside a word (-in={in}).
std::vector<std::string> ExpandSignCommand(const std::vector<std::string>& words, const std::string& in,
                                           const std::string& out);

}  // namespace builder
