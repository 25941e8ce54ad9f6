// `mksetup build` with a signing command: the command runs on the finished
// installer, and what it leaves counts only when it is still a sound
// installer (the checks of `mksetup verify`) and carries a signature.
#pragma once

#include <filesystem>
#include <string>

#include "builder/sign_command.h"

namespace builder {

// Runs the command on the installer at built; a command that writes a signed
// copy writes it to spare. *result is the signed installer (built or spare).
// False with *error when the command cannot run or fails, or its result is
// missing, faulty or unsigned.
bool SignInstaller(const SignCommand& command, const std::filesystem::path& built, const std::filesystem::path& spare,
                   std::filesystem::path& result, std::string& error);

}  // namespace builder
