#include "wizard/start_plan.h"

#include "package/package_walk.h"
#include "platform/file.h"
#include "uninstall/package_deploy.h"

namespace wizard {

InstallerFacts ReadInstallerFacts(const std::wstring& path) {
  InstallerFacts facts;
  platform::File file;
  PackageFacts walked;
  WalkFault fault;
  if (!file.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting) ||
      !WalkPackage(file, WalkOptions{WalkLevel::Install, false}, walked, fault))
    return facts;
  if (uninstall::ReadPackageDeploy(file, walked, facts.deploy) == uninstall::DeployStatus::Damaged) return facts;
  facts.readable = true;
  facts.installedBytes = uninstall::InstalledBytes(walked);
  return facts;
}

StartPlan PlanStart(const InstallerFacts& facts, const std::wstring& commandLine) {
  StartPlan plan;
  if (!facts.readable) {
    // The wizard says that the installer is damaged, unless it must not show.
    const CommandLine parsed = ParseCommandLine(commandLine);
    if (parsed.silent) {
      plan.mode = StartMode::End;
      plan.end = kEndDamaged;
      plan.commandLine = parsed;
    }
    return plan;
  }
  if (!facts.deploy.Present()) return plan;
  plan.commandLine = ParseCommandLine(commandLine);
  if (plan.commandLine.Bad()) {
    plan.mode = plan.commandLine.silent ? StartMode::End : StartMode::BadCommandLine;
    plan.end = kEndBadCommandLine;
  } else if (plan.commandLine.silent) {
    plan.mode = StartMode::Silent;
  }
  return plan;
}

}  // namespace wizard
