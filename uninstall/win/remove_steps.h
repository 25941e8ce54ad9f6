// Carries out a removal plan on the disk, step by step, going on past
// failures so that as much as possible is removed.
#pragma once

#include <string>
#include <vector>

#include "uninstall/removal_plan.h"

namespace uninstall {

struct RemovalOutcome {
  int removed = 0;
  std::vector<std::wstring> failed;  // paths that could not be removed
};

RemovalOutcome ExecuteRemoval(const RemovalPlan& plan);

}  // namespace uninstall
