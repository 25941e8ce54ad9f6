// The silent installation (/S): the wizard's own page flow (page_model.h),
// walked without a window by a user who accepts the agreement and every
// default and presses Next wherever the wizard waits for it. Each step the
// flow starts runs at once on the calling thread, and its end goes through
// the same step handling as a worker's final report; where the wizard would
// ask, the answer is fixed (the folder is taken or refused, a file that
// stays locked is given up). A folder the environment check finds too deep
// for the package's names, which sends the wizard's user back to the folder
// page, ends a silent installation as a refused folder.
#pragma once

#include "wizard/install_end.h"
#include "wizard/package_integrity.h"

namespace wizard {

// The work of each step, as the Windows side carries it out.
class UnattendedSteps {
 public:
  virtual ~UnattendedSteps() = default;
  // Leaving the folder page: the folder checked as the page checks it;
  // false refuses it.
  virtual bool LeaveFolderPage() = 0;
  // Step 4: the package walked once and judged against the install folder
  // (JudgeEnvironment); nothing has been written yet.
  virtual EnvironmentVerdict CheckEnvironment() = 0;
  // Step 8, the copy loop (which opens the install record when it has not
  // given up): false when an entry was given up.
  virtual bool CopyFiles() = 0;
  // Step 10: false when the installed-programs entry could not be written.
  virtual bool WriteRegistry() = 0;
  // Step 11, the start-menu loop.
  virtual void CreateStartMenu() = 0;
  // The finish step with the finish page's defaults, the program not started.
  virtual void Finish() = 0;
};

// Runs the installation; returns how it ended. An entry that could not be
// written ends it at once (1603) as in the wizard; an entry the registry
// refused lets the rest run and ends it with 1603.
InstallEnd RunUnattended(UnattendedSteps& steps);

}  // namespace wizard
