#include "wizard/command_line.h"

namespace wizard {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c; }

// True when text starts with prefix (ASCII, any letter case).
bool StartsWith(const std::wstring& text, std::size_t at, const wchar_t* prefix) {
  for (std::size_t i = 0; prefix[i]; ++i) {
    if (at + i >= text.size() || Upper(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

// One argument from `at`: up to the next blank outside double quotes, the
// quotes taken out.
std::wstring NextArgument(const std::wstring& line, std::size_t& at) {
  std::wstring argument;
  bool quoted = false;
  for (; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
    if (line[at] == L'"') {
      quoted = !quoted;
    } else {
      argument += line[at];
    }
  }
  return argument;
}

// The folder switch's value: the rest of the line without the blanks at its
// end and without the quotes around it (the switch itself may open them).
std::wstring FolderValue(std::wstring rest, bool openQuote) {
  while (!rest.empty() && IsBlank(rest.back())) rest.pop_back();
  if (!rest.empty() && rest.front() == L'"') {
    rest.erase(0, 1);
    openQuote = true;
  }
  if (openQuote && !rest.empty() && rest.back() == L'"') rest.pop_back();
  return rest;
}

}  // namespace

CommandLine ParseCommandLine(const std::wstring& whole) {
  CommandLine result;
  std::size_t at = 0;
  while (at < whole.size() && IsBlank(whole[at])) ++at;
  NextArgument(whole, at);  // the program's path

  bool haveLog = false;
  auto bad = [&](const std::wstring& argument) {
    if (result.badArgument.empty()) result.badArgument = argument.empty() ? L"\"\"" : argument;
  };
  for (;;) {
    while (at < whole.size() && IsBlank(whole[at])) ++at;
    if (at == whole.size()) break;
    const bool quotedFolder = whole[at] == L'"' && StartsWith(whole, at + 1, L"/D=");
    if (quotedFolder || StartsWith(whole, at, L"/D=")) {
      const std::size_t start = at + (quotedFolder ? 4 : 3);
      result.installFolder = FolderValue(whole.substr(start), quotedFolder);
      if (result.installFolder.empty()) bad(whole.substr(at, start - at));
      break;
    }
    const std::wstring argument = NextArgument(whole, at);
    if (StartsWith(argument, 0, L"/S") && argument.size() == 2) {
      if (result.silent) bad(argument);
      result.silent = true;
    } else if (StartsWith(argument, 0, L"/LOG=")) {
      if (haveLog || argument.size() == 5) bad(argument);
      if (!haveLog) result.logPath = argument.substr(5);
      haveLog = true;
    } else {
      bad(argument);
    }
  }
  return result;
}

}  // namespace wizard
