// Building installers: byte-identical output whatever the thread count,
// memory window, listing order or file times; the streamed file blobs equal
// the package library's blobs; round trips through verify and extract.
#include <gtest/gtest.h>

#include <chrono>

#include "builder/compress_pipeline.h"
#include "builder/file_blob.h"
#include "builder/installer_build.h"
#include "builder/package_extract.h"
#include "builder/package_listing.h"
#include "builder/package_verify.h"
#include "builder/path_text.h"
#include "package/package_writer.h"
#include "test_support.h"

namespace {

using namespace buildertest;

// A payload with folders, an empty folder, an empty file, text, noise and a
// file larger than the compressor's read piece.
void MakePayload(const fs::path& root, bool reverse) {
  std::vector<std::pair<std::string, std::string>> files = {
      {"bin/Demo.exe", "MZ" + RandomBytes(50000, 1)},
      {"bin/lib/core.dll", RandomBytes(3000, 2)},
      {"docs/说明.txt", "使用说明\r\n第二行\r\n"},
      {"docs/readme.txt", std::string(20000, 'r')},
      {"data/empty.dat", ""},
      {"data/big.log",
       [] {
         std::string s;
         for (int i = 0; s.size() < (3u << 20); ++i) s += "line " + std::to_string(i) + " of the log\n";
         return s;
       }()},
      {"data/noise.bin", RandomBytes((1u << 20) + 12345, 3)},
      {"uninstall.exe", "placeholder"},
  };
  if (reverse) std::reverse(files.begin(), files.end());
  for (const auto& [name, bytes] : files) WriteFile(root / builder::Utf8ToPath(name), bytes);
  fs::create_directories(root / "logs/empty");
}

fs::path ManifestFor(const fs::path& folder) {
  WriteFile(folder / "LICENSE.txt", "许可协议\n第一条\n");
  WriteFile(folder / "logo.png", "\x89PNG fake picture");
  return WriteManifest(folder,
                       "license = \"LICENSE.txt\"\npicture = \"logo.png\"\nmain_program = 'bin\\Demo.exe'\n"
                       "record_file = 'uninstall.exe'\n",
                       "[[shortcut]]\nmenu = 'Demo\\Demo'\ntarget = 'bin\\Demo.exe'\ndescription = \"启动\"\n");
}

std::string Build(const fs::path& manifest, const fs::path& out, int threads, std::uint64_t budget = 256u << 20) {
  builder::BuildOptions options;
  options.manifest = manifest;
  options.stub = MakeStub(manifest.parent_path());
  options.output = out;
  options.threads = threads;
  options.memoryBudget = budget;
  builder::BuildResult result;
  std::string error;
  EXPECT_TRUE(builder::BuildInstaller(options, result, error)) << error;
  EXPECT_TRUE(result.warnings.empty()) << result.warnings.front();
  return ReadFile(out);
}

TEST(Build, SameBytesForAnyThreadCountAndMemoryWindow) {
  TempDir dir;
  MakePayload(dir / "payload", false);
  // Enough small files for several groups of them, with larger files between.
  for (int i = 0; i < 400; ++i) {
    const std::string name = "small/s" + std::to_string(i / 100) + "/f" + std::to_string(i) + ".txt";
    WriteFile(dir / ("payload/" + name), i % 7 == 0 ? RandomBytes(static_cast<std::size_t>(i) * 40, i)
                                                    : std::string(static_cast<std::size_t>(i) * 3, 'a' + i % 26));
  }
  WriteFile(dir / "payload/small/s2/big.bin", RandomBytes(300000, 77));
  const fs::path manifest = ManifestFor(dir.path());
  const std::string one = Build(manifest, dir / "one.exe", 1);
  ASSERT_GT(one.size(), 100000u);
  EXPECT_EQ(Build(manifest, dir / "one-again.exe", 1), one);
  EXPECT_EQ(Build(manifest, dir / "two.exe", 2), one);
  EXPECT_EQ(Build(manifest, dir / "four.exe", 4), one);
  // A window so small that every item is compressed alone.
  EXPECT_EQ(Build(manifest, dir / "tight.exe", 4, 1), one);
}

TEST(Build, SameBytesWhateverTheCreationOrderAndFileTimes) {
  TempDir a, b;
  MakePayload(a / "payload", false);
  MakePayload(b / "payload", true);
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  std::error_code ec;  // folders may refuse a new time on some systems; files are what counts
  for (auto& e : fs::recursive_directory_iterator(b / "payload")) fs::last_write_time(e.path(), past, ec);
  EXPECT_EQ(Build(ManifestFor(a.path()), a / "x.exe", 2), Build(ManifestFor(b.path()), b / "x.exe", 3));
}

TEST(Build, RoundTripThroughVerifyListAndExtract) {
  TempDir dir;
  MakePayload(dir / "payload", false);
  const fs::path installer = dir / "out/Demo-setup.exe";
  Build(ManifestFor(dir.path()), installer, 2);
  EXPECT_EQ(CountPartialFiles(dir / "out"), 0);

  std::string summary;
  builder::ScanFault fault;
  ASSERT_TRUE(builder::VerifyInstaller(installer, summary, fault)) << fault.offset << ": " << fault.what;
  EXPECT_NE(summary.find("sound: 6 folders, 8 files"), std::string::npos) << summary;

  builder::PackageListing listing;
  std::string error;
  ASSERT_TRUE(builder::ReadListing(installer, listing, error)) << error;
  EXPECT_EQ(listing.texts[0], "Demo");
  EXPECT_EQ(listing.texts[1], "Demo 安装程序");
  EXPECT_EQ(listing.mainProgram, "bin\\Demo.exe");
  EXPECT_EQ(listing.recordFile, "uninstall.exe");
  EXPECT_EQ(listing.pictureSize, 17);
  EXPECT_EQ(listing.agreementTextSize, static_cast<std::int64_t>(std::string("许可协议\r\n第一条\r\n").size()));
  ASSERT_EQ(listing.shortcuts.size(), 1u);
  EXPECT_EQ(listing.shortcuts[0].menu, "Demo\\Demo");
  EXPECT_EQ(listing.shortcuts[0].description, "启动");
  ASSERT_EQ(listing.entries.size(), 14u);
  EXPECT_EQ(listing.entries[0].name, "bin");
  EXPECT_EQ(listing.entries[13].name, "uninstall.exe");

  builder::ExtractReport report;
  ASSERT_TRUE(builder::ExtractInstaller(installer, dir / "extracted", report, error)) << error;
  EXPECT_TRUE(report.failures.empty());
  EXPECT_EQ(report.files, 8);
  EXPECT_EQ(report.folders, 6);
  EXPECT_EQ(Snapshot(dir / "extracted"), Snapshot(dir / "payload"));
}

TEST(Build, AnEmptySourceTreeMakesASoundPackage) {
  TempDir dir;
  fs::create_directories(dir / "payload");
  const fs::path manifest = WriteManifest(dir.path());
  builder::BuildOptions options;
  options.manifest = manifest;
  options.stub = MakeStub(dir.path());
  options.output = dir / "e.exe";
  builder::BuildResult result;
  std::string error;
  ASSERT_TRUE(builder::BuildInstaller(options, result, error)) << error;
  EXPECT_EQ(result.warnings.size(), 1u);  // no main program
  std::string summary;
  builder::ScanFault fault;
  EXPECT_TRUE(builder::VerifyInstaller(dir / "e.exe", summary, fault)) << fault.what;
}

TEST(Build, ReplacesAnEarlierInstallerOnlyWhenComplete) {
  TempDir dir;
  MakePayload(dir / "payload", false);
  const fs::path manifest = ManifestFor(dir.path());
  WriteFile(dir / "out.exe", "earlier installer");
  const std::string built = Build(manifest, dir / "out.exe", 2);
  EXPECT_NE(built, "earlier installer");
  // A failing build leaves the earlier installer as it was.
  WriteFile(dir / "LICENSE.txt", "licence \xC0\xAF not UTF-8");
  builder::BuildOptions options;
  options.manifest = manifest;
  options.stub = MakeStub(dir.path());
  options.output = dir / "out.exe";
  builder::BuildResult result;
  std::string error;
  EXPECT_FALSE(builder::BuildInstaller(options, result, error));
  EXPECT_EQ(ReadFile(dir / "out.exe"), built);
  EXPECT_EQ(CountPartialFiles(dir.path()), 0);
}

TEST(FileBlob, EqualsTheLibraryBlobOfTheSameBytes) {
  TempDir dir;
  std::string compressible;
  for (int i = 0; compressible.size() < 2500000; ++i) compressible += "entry " + std::to_string(i % 977) + "\n";
  for (const std::string& bytes :
       {std::string("x"), std::string(1u << 20, 'a'), RandomBytes((1u << 20) + 1, 9), compressible}) {
    WriteFile(dir / "f", bytes);
    std::vector<std::uint8_t> blob;
    std::string error;
    ASSERT_TRUE(builder::MakeFileBlob(dir / "f", 1u << 30, blob, error)) << error;
    EXPECT_EQ(blob, MakeDataBlob(bytes.data(), bytes.size())) << bytes.size();
  }
  WriteFile(dir / "empty", "");
  std::vector<std::uint8_t> blob = {1};
  std::string error;
  ASSERT_TRUE(builder::MakeFileBlob(dir / "empty", 10, blob, error));
  EXPECT_TRUE(blob.empty());
  WriteFile(dir / "grown", "12345678901");
  EXPECT_FALSE(builder::MakeFileBlob(dir / "grown", 10, blob, error));
  EXPECT_FALSE(builder::MakeFileBlob(dir / "missing", 10, blob, error));
  EXPECT_NE(error.find("missing: cannot be opened"), std::string::npos);
}

TEST(CompressPipeline, HandsBlobsOutInListingOrderAndStopsAtAFileThatFails) {
  TempDir dir;
  std::vector<builder::CompressJob> jobs;
  std::vector<std::string> contents;
  // Small files that form groups of several, then larger ones of their own
  // whose sizes fall so that later files often finish before earlier ones.
  for (int i = 0; i < 40; ++i) {
    const std::size_t size = i < 30 ? static_cast<std::size_t>(i * 97 % 3000) : static_cast<std::size_t>(70 - i) * 9000;
    contents.push_back(RandomBytes(size, static_cast<std::uint32_t>(i)));
    const fs::path file = dir / (std::string("f") + std::to_string(i));
    if (i != 17) WriteFile(file, contents.back());
    jobs.push_back({file, contents.back().size()});
  }
  for (int threads : {1, 3}) {
    builder::CompressPipeline pipeline(jobs, threads, 1u << 20, 100000, 8000);
    std::vector<std::uint8_t> blob;
    std::string error;
    for (int i = 0; i < 17; ++i) {
      ASSERT_TRUE(pipeline.Next(blob, error)) << i << ": " << error;
      EXPECT_EQ(blob, contents[i].empty() ? std::vector<std::uint8_t>()
                                          : MakeDataBlob(contents[i].data(), contents[i].size()))
          << threads << " threads, file " << i;
    }
    EXPECT_FALSE(pipeline.Next(blob, error));
    EXPECT_NE(error.find("f17: cannot be opened"), std::string::npos) << error;
    // Leaving with files still in flight stops and joins the workers.
  }
}

}  // namespace
