// mksetup's manifest loader on an arbitrary TOML text, placed in a scratch
// folder that also holds a licence, a picture and a small source tree; when
// the manifest parses, the files it names are read (only those inside the
// scratch folder) and the manifest checks run over the tree.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "builder/license_text.h"
#include "builder/manifest.h"
#include "builder/manifest_checks.h"
#include "builder/source_tree.h"
#include "fuzz/fuzz_support.h"

namespace fs = std::filesystem;

namespace {

void Put(const fs::path& file, std::string_view text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// The files a manifest may name: made once, never changed by the loader.
fs::path Fixture() {
  static const fs::path folder = [] {
    const fs::path f = fuzz::Scratch::Get().Root() / "fixture";
    Put(f / "LICENSE.txt", "Licence\nline 2\n");
    Put(f / "logo.png", "\x89PNG\r\n\x1a\n");
    Put(f / "payload" / "bin" / "app.exe", "MZ");
    Put(f / "payload" / "uninstall.exe", "MZ");
    Put(f / "payload" / "docs" / "readme.txt", "read me");
    fs::create_directories(f / "payload" / "empty");
    return f;
  }();
  return folder;
}

bool Inside(const fs::path& path, const fs::path& folder) {
  if (path.empty()) return false;
  const fs::path rel = path.lexically_normal().lexically_relative(folder);
  return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 64 * 1024) return 0;
  const fs::path folder = Fixture();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  builder::Manifest manifest;
  std::string error;
  if (!builder::ParseManifest(text, folder / "setup.toml", manifest, error)) return 0;

  std::string bytes;
  if (Inside(manifest.license, folder)) builder::LoadAgreementText(manifest.license, bytes, error);
  if (Inside(manifest.picture, folder)) builder::ReadWholeFile(manifest.picture, bytes, error);
  std::vector<builder::SourceItem> items;
  if (Inside(manifest.source, folder)) {
    builder::WalkSourceTree(manifest.source, builder::WalkLimits{1 << 20}, items, error);
  }
  builder::CheckManifest(manifest, items);
  builder::IsDrivePath(manifest.mainProgram);
  return 0;
}
