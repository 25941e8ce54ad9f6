// The command line of an installer built with [deploy] (others read none):
//   /S            silent: no window at all
//   /LOG=<file>   a log of what the installation writes
//   /D=<folder>   the install folder; last, since the folder may hold spaces
// Switches are matched without regard to letter case, in any order. Values
// may be put in double quotes ("/LOG=C:\my logs\i.log", /LOG="C:\my logs\i.log");
// the folder takes the rest of the line, quotes around it taken off.
#pragma once

#include <string>

namespace wizard {

struct CommandLine {
  bool silent = false;
  std::wstring installFolder;  // empty: not given
  std::wstring logPath;        // empty: not given
  // The first argument that is not one of the switches above, or a switch
  // given twice or without its value; empty when the command line is good.
  std::wstring badArgument;

  bool Bad() const { return !badArgument.empty(); }
};

// The whole command line as the process got it (GetCommandLineW): the
// program's path first, quoted or not, then the arguments. Every argument is
// read, also after a bad one, so that /S is known whatever else is there.
CommandLine ParseCommandLine(const std::wstring& whole);

}  // namespace wizard
