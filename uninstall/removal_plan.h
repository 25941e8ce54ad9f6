// The removal planner: from the installed-entries list, the install record's
// names and a view of the file system, the ordered list of what the
// uninstaller removes. Pure: it looks through FileSystemView and changes
// nothing, so it is tested against a file system made up in memory.
//
// Order of the steps: installed files (deepest first), installed folders
// that are then empty (deepest first), the install folder when then empty,
// the start-menu entries' shortcut files, their sub-folders (and the one the
// record names) when then empty, the desktop shortcut, the Startup shortcut.
// Nothing outside the install folder is ever planned except those shortcut
// files and start-menu sub-folders.
#pragma once

#include <string>
#include <vector>

#include "uninstall/uninstall_list.h"

namespace uninstall {

enum class PathKind {
  Missing,
  File,
  Folder,
  LinkedFolder,  // a folder that is a link to elsewhere (junction, symbolic link): never entered
};

class FileSystemView {
 public:
  virtual ~FileSystemView() = default;
  virtual PathKind Kind(const std::wstring& path) const = 0;
  // Names (without folder) of everything directly inside a folder.
  virtual std::vector<std::wstring> List(const std::wstring& folder) const = 0;
};

// The per-user shell folders, each ending with a backslash as
// GetShellFolderPath gives them; empty when the shell could not resolve one
// (then nothing is planned there).
struct ShellFolders {
  std::wstring desktop;
  std::wstring programs;
  std::wstring startup;
};

struct RemovalInput {
  std::wstring installFolder;  // with or without the trailing backslash
  UninstallList list;
  // The install record's names.
  std::wstring startMenuFolder;
  std::wstring productName;
  std::wstring autostartLink;
  ShellFolders shell;
};

enum class RemovalKind {
  File,    // delete the file
  Folder,  // remove the folder (it is empty once the steps before it are done)
};

struct RemovalStep {
  RemovalKind kind;
  std::wstring path;  // full path; folders without a trailing backslash
  bool operator==(const RemovalStep&) const = default;
};

struct RemovalPlan {
  std::vector<RemovalStep> steps;
  // What stays in the install folder because the package did not put it
  // there: the user's files and folders (a folder counts once, its contents
  // are not listed), full paths in listing order.
  std::vector<std::wstring> kept;
};

RemovalPlan PlanRemoval(const RemovalInput& input, const FileSystemView& fs);

// The steps that must wait until the program whose file is `running` has
// ended, taken out of plan in their order: the removal of that file and of
// every folder that holds it. The steps that stay keep their order.
std::vector<RemovalStep> TakeStepsOfRunningProgram(RemovalPlan& plan, const std::wstring& running);

// Path comparison as Windows does it for our names: ASCII letters without case.
bool SamePath(const std::wstring& a, const std::wstring& b);

}  // namespace uninstall
