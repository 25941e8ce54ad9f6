#include "builder/sign_command.h"

namespace builder {
namespace {

constexpr std::string_view kIn = "{in}";
constexpr std::string_view kOut = "{out}";

bool Names(const std::vector<std::string>& words, std::string_view placeholder) {
  for (const std::string& w : words)
    if (w.find(placeholder) != std::string::npos) return true;
  return false;
}

}  // namespace

bool SplitCommandLine(std::string_view text, std::vector<std::string>& words, std::string& error) {
  words.clear();
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (char c : text) {
    if (quote != 0) {
      if (c == quote) {
        quote = 0;
      } else {
        word += c;
      }
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;  // "" is an empty word
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quote != 0) {
    error = std::string("the quote ") + quote + " is not closed";
    return false;
  }
  if (inWord) words.push_back(std::move(word));
  if (words.empty()) {
    error = "the command is empty";
    return false;
  }
  return true;
}

bool CheckSignCommand(const std::vector<std::string>& words, std::string& error) {
  if (words.empty()) {
    error = "the command is empty";
    return false;
  }
  if (!Names(words, kIn)) {
    error = "the command does not name the installer to sign as {in}";
    return false;
  }
  return true;
}

bool WritesSignedCopy(const std::vector<std::string>& words) { return Names(words, kOut); }

std::vector<std::string> ExpandSignCommand(const std::vector<std::string>& words, const std::string& in,
                                           const std::string& out) {
  std::vector<std::string> expanded;
  for (const std::string& w : words) {
    std::string e;
    for (std::size_t i = 0; i < w.size();) {
      if (w.compare(i, kIn.size(), kIn) == 0) {
        e += in;
        i += kIn.size();
      } else if (w.compare(i, kOut.size(), kOut) == 0) {
        e += out;
        i += kOut.size();
      } else {
        e += w[i++];
      }
    }
    expanded.push_back(std::move(e));
  }
  return expanded;
}

}  // namespace builder
