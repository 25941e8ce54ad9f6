// The command line of mksetup (CLI11): build, list, verify, extract, record,
// and --version.
#include <CLI/CLI.hpp>

#include "builder/blob_compressor.h"
#include "builder/commands.h"

namespace builder {

int RunMksetup(int argc, const char* const* argv) {
  CLI::App app{"mksetup: makes, inspects, verifies and unpacks single-file installers"};
  app.name("mksetup");
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("mksetup ") + SETUP_VERSION, "Print the version of mksetup");

  BuildCommand build;
  CLI::App* buildCmd =
      app.add_subcommand("build", "Make an installer: the stub program with the package of MANIFEST appended");
  buildCmd->add_option("MANIFEST", build.manifest, "The TOML manifest")->required();
  buildCmd->add_option(
      "-o,--output", build.output,
      "Where to write the installer (default: the manifest's output key, else <product name>-setup.exe here)");
  CLI::Option* stubOption = buildCmd->add_option(
      "--stub", build.stub, "The installer program to append the package to (default: the one of --stub-arch)");
  buildCmd
      ->add_option("--stub-arch", build.stubArch,
                   "The installer program that comes with mksetup: win32 (default) or win64")
      ->check(CLI::IsMember({"win32", "win64"}))
      ->excludes(stubOption);
  buildCmd->add_option("--sign", build.sign,
                       "Sign the installer with COMMAND ({in}: the installer, {out}: the signed file it writes; "
                       "replaces the manifest's [sign])");
  buildCmd->add_option(
      "--uninstaller", build.uninstaller,
      "The uninstaller program packed when the manifest sets product.uninstaller (default: uninstall.exe beside the stub)");
  buildCmd->add_option("-j,--jobs", build.jobs, "Compression threads (default: all cores)")->check(CLI::PositiveNumber);
  buildCmd
      ->add_option("-l,--level", build.level,
                   "Compression level: 1 (fastest) to 12 (smallest); default 6, as large as gzip -6 output")
      ->check(CLI::Range(kMinLevel, kMaxLevel));

  std::string installer, folder;
  bool json = false;
  CLI::App* listCmd = app.add_subcommand("list", "Show the texts, records, entries and shortcuts of an installer");
  listCmd->add_option("INSTALLER", installer, "The installer")->required();
  listCmd->add_flag("--json", json, "Print one JSON document");

  CLI::App* verifyCmd = app.add_subcommand("verify", "Check every invariant of the package and decode every blob");
  verifyCmd->add_option("INSTALLER", installer, "The installer")->required();

  CLI::App* extractCmd = app.add_subcommand("extract", "Write every folder and file of the package below DIR");
  extractCmd->add_option("INSTALLER", installer, "The installer")->required();
  extractCmd->add_option("DIR", folder, "The folder to extract into")->required();

  std::string recordFile;
  CLI::App* recordCmd =
      app.add_subcommand("record", "Show the install record appended to the end of FILE (offset, magic, names)");
  recordCmd->add_option("FILE", recordFile, "The file that received the record (the installed uninstaller)")
      ->required();
  recordCmd->add_flag("--json", json, "Print one JSON document");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitBadInput;
  }
  if (buildCmd->parsed()) return RunBuild(build);
  if (listCmd->parsed()) return RunList(installer, json);
  if (verifyCmd->parsed()) return RunVerify(installer);
  if (recordCmd->parsed()) return RunRecord(recordFile, json);
  return RunExtract(installer, folder);
}

}  // namespace builder
