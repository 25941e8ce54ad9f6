// The part of a temporary name that keeps it apart from every other one
// mksetup makes: the process id and a count within the process, "<pid>-<n>".
// The installer being written, the uninstaller with its list and the
// extraction's staging folder are named with it.
#pragma once

#include <string>

namespace builder {

std::string UniqueTag();

}  // namespace builder
