// mksetup: the entry point. On Windows the arguments arrive as UTF-16 and
// are handed on as UTF-8, like every text inside the tool.
#include <string>
#include <vector>

#include "builder/commands.h"
#include "builder/console.h"

#ifdef _WIN32
#include "platform/utf.h"

int wmain(int argc, wchar_t** argv) {
  builder::PrepareConsole();
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(platform::WideToUtf8(argv[i]));
  std::vector<const char*> pointers;
  for (const std::string& a : args) pointers.push_back(a.c_str());
  return builder::RunMksetup(argc, pointers.data());
}
#else
int main(int argc, char** argv) {
  builder::PrepareConsole();
  return builder::RunMksetup(argc, argv);
}
#endif
