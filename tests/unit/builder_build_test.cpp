// Building installers: the same bytes whatever the threads, memory window or
// file times; every blob decodes with zlib; failed builds leave no output.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstring>
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

// Files above this are streamed into the package in the builds that set it.
constexpr std::uint64_t kSmallOneShot = 64u << 10;

struct Settings {
  int threads = 2;
  std::uint64_t window = 256u << 20;
  std::uint64_t maxInstaller = kMax;
  int level = builder::kDefaultLevel;
  std::uint64_t oneShotLimit = builder::kOneShotLimit;
};

bool Build(const fs::path& manifest, const fs::path& out, std::string& error, const Settings& settings = {}) {
  builder::BuildOptions options;
  options.manifest = manifest;
  options.stub = support::MakeStub(manifest.parent_path());
  options.output = out;
  options.threads = settings.threads;
  options.memoryBudget = settings.window;
  options.maxInstallerSize = settings.maxInstaller;
  options.level = settings.level;
  options.oneShotLimit = settings.oneShotLimit;
  builder::BuildResult result;
  const bool ok = builder::BuildInstaller(options, result, error);
  EXPECT_TRUE(!ok || result.warnings.empty()) << result.warnings.front();
  return ok;
}

std::string Built(const fs::path& manifest, const fs::path& out, const Settings& settings) {
  std::string error;
  EXPECT_TRUE(Build(manifest, out, error, settings)) << error;
  return ReadFile(out);
}

std::uint32_t Word(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

// Decodes every file blob of the installer with zlib alone (checksum by
// zlib's crc32, stream by uncompress) and compares it with the source file;
// returns how many blobs began with 78 9C.
int ExpectEveryBlobDecodesWithZlib(const std::string& installer, const fs::path& payload) {
  const std::size_t trailer = installer.size() - 44;
  std::size_t at = Word(installer, trailer + 12);
  const std::uint32_t count = Word(installer, trailer + 16);
  int defaultHeads = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + 20 > trailer) {
      ADD_FAILURE() << "entry " << i << " lies past the trailer";
      break;
    }
    const std::uint32_t nameLength = Word(installer, at + 8), dataLength = Word(installer, at + 16);
    if (nameLength > trailer || dataLength > trailer || at + 20 + nameLength + dataLength > trailer) {
      ADD_FAILURE() << "entry " << i << " reaches past the trailer";
      break;
    }
    std::string name = installer.substr(at + 20, nameLength);
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::size_t blob = at + 20 + nameLength;
    at = blob + dataLength;
    if (installer[at - dataLength - nameLength - 20] != 8 || dataLength == 0) continue;
    const auto* stream = reinterpret_cast<const Bytef*>(installer.data() + blob + 8);
    const uInt streamLength = dataLength - 8;
    EXPECT_EQ(Word(installer, blob), ~static_cast<std::uint32_t>(crc32(0xFFFFFFFFul, stream, streamLength))) << name;
    uLongf rawLength = Word(installer, blob + 4);
    std::string raw(rawLength, '\0');
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(raw.data()), &rawLength, stream, streamLength), Z_OK) << name;
    EXPECT_TRUE(raw == ReadFile(payload / fs::u8path(name))) << name;
    defaultHeads += stream[0] == 0x78 && stream[1] == 0x9C;
  }
  return defaultHeads;
}

}  // namespace

TEST(BuilderBuild, SameBytesForAnyThreadCountWindowCreationOrderAndFileTimes) {
  TempFolder a, b;
  const fs::path manifest = support::MakeProduct(a.Path(), true);
  const std::string one = Built(manifest, a.Child("one.exe"), {.threads = 1});
  ASSERT_GT(one.size(), 100000u);
  EXPECT_EQ(Built(manifest, a.Child("two.exe"), {.threads = 2}), one);
  EXPECT_EQ(Built(manifest, a.Child("four.exe"), {.threads = 4}), one);
  // A window so small that every item is compressed alone.
  EXPECT_EQ(Built(manifest, a.Child("tight.exe"), {.threads = 4, .window = 1}), one);
  // Files streamed into the package in pieces, among files compressed whole.
  const std::string streamed = Built(manifest, a.Child("s1.exe"), {.threads = 1, .oneShotLimit = kSmallOneShot});
  EXPECT_EQ(Built(manifest, a.Child("s3.exe"), {.threads = 3, .oneShotLimit = kSmallOneShot}), streamed);
  // The writer streams files while the threads wait for room (a hang here
  // is a fault: the threads must not wait for an item already written).
  EXPECT_EQ(Built(manifest, a.Child("s4.exe"), {.threads = 4, .window = 1, .oneShotLimit = kSmallOneShot}), streamed);
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
  EXPECT_EQ(Built(b.Child("setup.toml"), b.Child("x.exe"), {.threads = 3}), one);
}

// Whatever compressed a blob (libdeflate whole, at any level, or zlib in
// pieces), the installer's decoder, zlib's inflate, takes it.
TEST(BuilderBuild, EveryBlobDecodesWithZlib) {
  TempFolder dir;
  const fs::path manifest = support::MakeProduct(dir.Path(), true);
  const fs::path payload = dir.Child("payload");
  const std::string standard = Built(manifest, dir.Child("6.exe"), {});
  EXPECT_EQ(ExpectEveryBlobDecodesWithZlib(standard, payload), 405);  // every file with data
  const std::string fastest = Built(manifest, dir.Child("1.exe"), {.level = builder::kMinLevel});
  ExpectEveryBlobDecodesWithZlib(fastest, payload);
  const std::string smallest = Built(manifest, dir.Child("12.exe"), {.level = builder::kMaxLevel});
  ExpectEveryBlobDecodesWithZlib(smallest, payload);
  EXPECT_LT(smallest.size(), fastest.size());
  const std::string streamed = Built(manifest, dir.Child("s.exe"), {.oneShotLimit = kSmallOneShot});
#ifndef _WIN32
  // libdeflate's streams differ from zlib's (the Windows builds of mksetup
  // have zlib only, whose streams come out the same whole or in pieces).
  EXPECT_TRUE(streamed != standard);
#endif
  EXPECT_EQ(ExpectEveryBlobDecodesWithZlib(streamed, payload), 405);
}

// Each build fails with a message naming the cause and leaves the earlier
// installer as it was, with nothing beside it.
TEST(BuilderBuild, FailingBuildsLeaveTheEarlierInstaller) {
  const std::tuple<const char*, std::function<void(const TempFolder&)>, const char*, Settings> cases[] = {
      {"missing picture", [](const TempFolder& d) { fs::remove(d.Child("logo.png")); }, "product.picture: ", {}},
      {"licence not UTF-8",
       [](const TempFolder& d) { WriteFile(d.Child("LICENSE.txt"), "licence \xC0\xAF"); },
       "LICENSE.txt: the licence text is not valid UTF-8",
       {}},
      {"no source folder",
       [](const TempFolder& d) { fs::remove_all(d.Child("payload")); },
       "payload: is not a folder",
       {}},
      {"a file larger than the format allows",
       [](const TempFolder& d) {
         WriteFile(d.Child("payload/big.bin"), "");
         fs::resize_file(d.Child("payload/big.bin"), 1ull << 31);  // sparse: nothing is written
       },
       "big.bin: is 2147483648 bytes",
       {}},
      {"an installer past the size limit",
       [](const TempFolder& d) {
         const support::Bytes b = support::Noise(300000, 7);
         WriteFile(d.Child("payload/noise.bin"), std::string(b.begin(), b.end()));
       },
       "would pass 200000 bytes",
       {.maxInstaller = 200000}},
      {"a streamed file past the size limit",
       [](const TempFolder& d) {
         const support::Bytes b = support::Noise(300000, 7);
         WriteFile(d.Child("payload/noise.bin"), std::string(b.begin(), b.end()));
       },
       "would pass 200000 bytes (the package format's offsets are signed 32-bit) at noise.bin",
       {.maxInstaller = 200000, .oneShotLimit = kSmallOneShot}},
  };
  for (const auto& [what, change, message, settings] : cases) {
    TempFolder dir;
    const fs::path manifest = support::MakeProduct(dir.Path());
    WriteFile(dir.Child("out/Demo-setup.exe"), "earlier installer");
    change(dir);
    std::string error;
    EXPECT_FALSE(Build(manifest, dir.Child("out/Demo-setup.exe"), error, settings)) << what;
    EXPECT_NE(error.find(message), std::string::npos) << what << ": " << error;
    EXPECT_EQ(ReadFile(dir.Child("out/Demo-setup.exe")), "earlier installer") << what;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Child("out")), fs::directory_iterator()), 1) << what;
  }
}

// A source file that goes away, or becomes a folder, after the source
// walk and before it is compressed fails the build: no installer is written.
// (One thread: with more, the file may be compressed while the walk goes on.)
TEST(BuilderBuild, ASourceFileThatGoesAwayWhileBuilding) {
  for (const bool folder : {false, true}) {
    TempFolder dir;
    builder::BuildOptions options;
    options.threads = 1;
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
