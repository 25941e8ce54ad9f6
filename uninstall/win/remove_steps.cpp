#include "uninstall/win/remove_steps.h"

#include <windows.h>

namespace uninstall {
namespace {

bool DeleteOneFile(const std::wstring& path) {
  if (DeleteFileW(path.c_str())) return true;
  // A read-only file is the package's all the same.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)))
    return DeleteFileW(path.c_str()) != 0;
  return false;
}

}  // namespace

RemovalOutcome ExecuteRemoval(const RemovalPlan& plan) {
  RemovalOutcome outcome;
  for (const RemovalStep& step : plan.steps) {
    // A folder is removed only when empty: RemoveDirectoryW refuses others.
    const bool ok =
        step.kind == RemovalKind::File ? DeleteOneFile(step.path) : RemoveDirectoryW(step.path.c_str()) != 0;
    if (ok) {
      ++outcome.removed;
    } else {
      outcome.failed.push_back(step.path);
    }
  }
  return outcome;
}

}  // namespace uninstall
