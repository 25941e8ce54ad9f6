// Output to the terminal: UTF-8 on every platform, and whether a stream is a terminal.
#pragma once

#include <cstdio>
#include <string>

namespace builder {

// On Windows switches the console to UTF-8 output; elsewhere nothing to do.
void PrepareConsole();
bool IsTerminal(std::FILE* stream);
void Print(std::FILE* stream, const std::string& utf8);

}  // namespace builder
