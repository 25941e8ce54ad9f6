// mksetup's manifest loader on an arbitrary TOML text, placed in a folder
// that also holds a licence, a picture and a small source tree; when the
// manifest parses, the files it names are read (only those inside the
// folder) and the manifest checks run over the tree.
#include "builder/license_text.h"
#include "builder/manifest.h"
#include "builder/manifest_checks.h"
#include "builder/source_tree.h"
#include "fuzz/fuzz_support.h"

namespace {

// The files a manifest may name: made once, never changed by the loader.
const fuzz::fs::path& Fixture() {
  static const fuzz::fs::path folder = [] {
    const fuzz::fs::path f = fuzz::Scratch::Get().Root() / "fixture";
    for (const char* name : {"LICENSE.txt", "logo.png", "payload/bin/app.exe", "payload/docs/readme.txt"}) {
      fuzz::fs::create_directories((f / name).parent_path());
      std::ofstream(f / name) << name << "\nline 2\n";
    }
    fuzz::fs::create_directories(f / "payload/empty");
    return f;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;
  const fuzz::fs::path& folder = Fixture();
  builder::Manifest manifest;
  std::string error, bytes;
  if (!builder::ParseManifest(std::string_view(reinterpret_cast<const char*>(data), size), folder / "setup.toml",
                              manifest, error)) {
    return 0;
  }
  if (fuzz::Inside(manifest.license, folder)) builder::LoadAgreementText(manifest.license, bytes, error);
  if (fuzz::Inside(manifest.picture, folder)) builder::ReadWholeFile(manifest.picture, bytes, error);
  std::vector<builder::SourceItem> items;
  if (fuzz::Inside(manifest.source, folder)) {
    builder::WalkSourceTree(manifest.source, builder::WalkLimits{1 << 20}, items, error);
  }
  builder::CheckManifest(manifest, items);
  return 0;
}
