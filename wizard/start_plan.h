// What the installer does when it starts, decided before any window: the
// wizard, as every installer has it; for an installer built with [deploy],
// also the silent installation (/S) or the end for a bad command line; for
// an installer that cannot read its own package while /S is given, an end
// without a window (it cannot tell whether it was built to read switches,
// and a caller that asked for silence must not be left with a message box).
#pragma once

#include <cstdint>
#include <string>

#include "integration/deploy_facts.h"
#include "wizard/command_line.h"
#include "wizard/install_end.h"

namespace wizard {

// What the installer knows of its package at start-up.
struct InstallerFacts {
  bool readable = false;             // the package walk passed (headers and names) and the record file decodes
  DeployFacts deploy;                // present: built with [deploy], the record file is our uninstaller
  std::uint64_t installedBytes = 0;  // the contents of every file entry
};

// The package walk over the installer at path (no file contents decoded)
// and the record file's installed-entries list.
InstallerFacts ReadInstallerFacts(const std::wstring& path);

enum class StartMode {
  Wizard,          // the wizard
  Silent,          // RunUnattended (unattended_install.h)
  BadCommandLine,  // a message box naming the argument, then `end` (87)
  End,             // no window at all: the process ends with `end`
};

struct StartPlan {
  StartMode mode = StartMode::Wizard;
  InstallEnd end = kEndInstalled;  // BadCommandLine and End
  // The switches the installer follows; empty for an installer built
  // without [deploy], which reads no command line.
  CommandLine commandLine;
};

// commandLine: the process's whole command line (GetCommandLineW).
StartPlan PlanStart(const InstallerFacts& facts, const std::wstring& commandLine);

}  // namespace wizard
