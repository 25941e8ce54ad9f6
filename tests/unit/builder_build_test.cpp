// Building installers: the same bytes whatever the thread count, memory
// window or file times; builds that fail name what is wrong and leave no
// output behind.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <tuple>

#include "builder/installer_build.h"
#include "builder/package_extract.h"
#include "bytes.h"
#include "sample_product.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using support::ReadFile;
using support::WriteFile;

namespace {

constexpr std::uint64_t kMax = 0x7FFFFFFF;

bool Build(const fs::path& manifest, const fs::path& out, std::string& error, int threads = 2,
           std::uint64_t window = 256u << 20, std::uint64_t maxInstaller = kMax) {
  builder::BuildOptions options;
  options.manifest = manifest;
  options.stub = support::MakeStub(manifest.parent_path());
  options.output = out;
  options.threads = threads;
  options.memoryBudget = window;
  options.maxInstallerSize = maxInstaller;
  builder::BuildResult result;
  const bool ok = builder::BuildInstaller(options, result, error);
  EXPECT_TRUE(!ok || result.warnings.empty()) << result.warnings.front();
  return ok;
}

std::string Built(const fs::path& manifest, const fs::path& out, int threads, std::uint64_t window = 256u << 20) {
  std::string error;
  EXPECT_TRUE(Build(manifest, out, error, threads, window)) << error;
  return ReadFile(out);
}

}  // namespace

TEST(BuilderBuild, SameBytesForAnyThreadCountWindowCreationOrderAndFileTimes) {
  TempFolder a, b;
  const fs::path manifest = support::MakeProduct(a.Path(), true);
  const std::string one = Built(manifest, a.Child("one.exe"), 1);
  ASSERT_GT(one.size(), 100000u);
  EXPECT_EQ(Built(manifest, a.Child("two.exe"), 2), one);
  EXPECT_EQ(Built(manifest, a.Child("four.exe"), 4), one);
  // A window so small that every item is compressed alone.
  EXPECT_EQ(Built(manifest, a.Child("tight.exe"), 4, 1), one);
  // Files of many compression pieces come out whole.
  builder::ExtractReport report;
  std::string error;
  ASSERT_TRUE(builder::ExtractInstaller(a.Child("one.exe"), a.Child("x"), report, error)) << error;
  EXPECT_EQ(support::Snapshot(a.Child("x")), support::Snapshot(a.Child("payload")));
  // The same files in another folder, a year older.
  support::MakeProduct(b.Path(), true);
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  std::error_code ignored;
  for (auto& e : fs::recursive_directory_iterator(b.Child("payload"))) fs::last_write_time(e.path(), past, ignored);
  EXPECT_EQ(Built(b.Child("setup.toml"), b.Child("x.exe"), 3), one);
}

// Each build fails with a message naming the cause and leaves the earlier
// installer as it was, with nothing beside it.
TEST(BuilderBuild, FailingBuildsLeaveTheEarlierInstaller) {
  const std::tuple<const char*, std::function<void(const TempFolder&)>, const char*, std::uint64_t> cases[] = {
      {"missing picture", [](const TempFolder& d) { fs::remove(d.Child("logo.png")); }, "product.picture: ", kMax},
      {"licence not UTF-8", [](const TempFolder& d) { WriteFile(d.Child("LICENSE.txt"), "licence \xC0\xAF"); },
       "LICENSE.txt: the licence text is not valid UTF-8", kMax},
      {"no source folder", [](const TempFolder& d) { fs::remove_all(d.Child("payload")); }, "payload: is not a folder",
       kMax},
      {"a file larger than the format allows",
       [](const TempFolder& d) {
         WriteFile(d.Child("payload/big.bin"), "");
         fs::resize_file(d.Child("payload/big.bin"), 1ull << 31);  // sparse: nothing is written
       },
       "big.bin: is 2147483648 bytes", kMax},
      {"an installer past the size limit",
       [](const TempFolder& d) {
         const support::Bytes b = support::Noise(300000, 7);
         WriteFile(d.Child("payload/noise.bin"), std::string(b.begin(), b.end()));
       },
       "would pass 200000 bytes", 200000},
  };
  for (const auto& [what, change, message, maxInstaller] : cases) {
    TempFolder dir;
    const fs::path manifest = support::MakeProduct(dir.Path());
    WriteFile(dir.Child("out/Demo-setup.exe"), "earlier installer");
    change(dir);
    std::string error;
    EXPECT_FALSE(Build(manifest, dir.Child("out/Demo-setup.exe"), error, 2, 256u << 20, maxInstaller)) << what;
    EXPECT_NE(error.find(message), std::string::npos) << what << ": " << error;
    EXPECT_EQ(ReadFile(dir.Child("out/Demo-setup.exe")), "earlier installer") << what;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Child("out")), fs::directory_iterator()), 1) << what;
  }
}

// A source file that goes away, or becomes a folder, after the source
// walk and before it is compressed fails the build: no installer is written.
TEST(BuilderBuild, ASourceFileThatGoesAwayWhileBuilding) {
  for (const bool folder : {false, true}) {
    TempFolder dir;
    builder::BuildOptions options;
    options.manifest = support::MakeProduct(dir.Path());
    options.stub = support::MakeStub(dir.Path());
    options.output = dir.Child("out/Demo-setup.exe");
    const fs::path victim = dir.Child("payload/bin/Demo.exe");
    options.progress = [&](std::uint64_t done, std::uint64_t) {
      if (done != 0) return;
      fs::remove(victim);
      if (folder) fs::create_directory(victim);
    };
    builder::BuildResult result;
    std::string error;
    EXPECT_FALSE(builder::BuildInstaller(options, result, error)) << folder;
    EXPECT_NE(error.find("Demo.exe: cannot be "), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.Child("out/Demo-setup.exe")));
    EXPECT_TRUE(fs::is_empty(dir.Child("out"))) << "a partial installer stays behind";
  }
}
