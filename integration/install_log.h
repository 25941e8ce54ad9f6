// The log an installer built with [deploy] writes when started with
// /LOG=<file>: one UTF-8 line for every folder and file written, the
// install record, every registry value and every shortcut, and last the
// exit code with its reason. Each line reaches the file when it is written,
// so a log stays readable up to the point where an installation stopped.
//
//   install folder: C:\Program Files\Example
//   folder: C:\Program Files\Example\bin
//   file: C:\Program Files\Example\bin\Example.exe
//   record: C:\Program Files\Example\uninstall.exe
//   registry: HKLM\Software\...\Uninstall\Example\DisplayVersion = 1.2.0
//   shortcut: C:\...\Start Menu\Programs\Example\Example.lnk -> C:\Program Files\Example\bin\Example.exe
//   exit: 0 (installed)
//
// Where an installation stops, the line before the exit names why:
// "refused folder: <folder>" or "not written: <file>".
//
// A log that cannot be created writes nothing and stops nothing.
#pragma once

#include <string>
#include <string_view>

#include "platform/file.h"

namespace integration {

class InstallLog {
 public:
  // Creates the file, or empties an existing one. False when it cannot;
  // every later line is then dropped.
  bool Open(const std::wstring& path);
  bool IsOpen() const { return file_.IsOpen(); }

  // "<kind>: <text>" and a line break (CR LF).
  void Line(std::string_view kind, const std::wstring& text);
  // A line that cannot name its contents yet (the copy reports each entry
  // by its path): a folder or a file.
  void Entry(const std::wstring& path, bool folder) { Line(folder ? "folder" : "file", path); }
  // The last line: "exit: <code> (<reason>)"; the file is closed.
  void Exit(int exitCode, const char* reason);

 private:
  platform::File file_;
};

}  // namespace integration
