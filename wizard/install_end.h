// How an installation ends: the process exit code, in the numbers that
// deployment tools know from the Windows Installer, and the reason the log
// gives for it. Every installer exits with these, built with [deploy] or not.
#pragma once

namespace wizard {

enum ExitCode : int {
  EXIT_INSTALLED = 0,
  EXIT_BAD_COMMAND_LINE = 87,        // ERROR_INVALID_PARAMETER
  EXIT_CANCELLED = 1602,             // ERROR_INSTALL_USEREXIT
  EXIT_FAILED = 1603,                // ERROR_INSTALL_FAILURE
  EXIT_ANOTHER_INSTALLATION = 1618,  // ERROR_INSTALL_ALREADY_RUNNING
};

struct InstallEnd {
  int exitCode;
  const char* reason;  // for the log, ASCII
};

inline constexpr InstallEnd kEndInstalled{EXIT_INSTALLED, "installed"};
// Any end not named below (the wizard could not be shown, for one).
inline constexpr InstallEnd kEndFailed{EXIT_FAILED, "the installation ended before it was complete"};
inline constexpr InstallEnd kEndCancelled{EXIT_CANCELLED, "cancelled by the user"};
inline constexpr InstallEnd kEndDamaged{EXIT_FAILED, "the installer is damaged"};
inline constexpr InstallEnd kEndFolderRefused{EXIT_FAILED, "the install folder is refused"};
inline constexpr InstallEnd kEndCopyFailed{EXIT_FAILED, "a file could not be written"};
inline constexpr InstallEnd kEndStepNotStarted{EXIT_FAILED, "an install step could not be started"};
inline constexpr InstallEnd kEndEntryNotWritten{EXIT_FAILED, "the installed-programs entry could not be written"};
inline constexpr InstallEnd kEndAnotherInstallation{EXIT_ANOTHER_INSTALLATION,
                                                    "another installation of this product is running"};
inline constexpr InstallEnd kEndBadCommandLine{EXIT_BAD_COMMAND_LINE, "bad command line"};

}  // namespace wizard
