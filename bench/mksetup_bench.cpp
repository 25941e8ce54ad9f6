// mksetup-bench: on one generated tree (--tree_mb=N, default 200) measures
//  - build throughput (source bytes per second) with -j 1 and with all cores;
//  - PackageFile::ExtractNext throughput against a bare zlib uncompress plus
//    one write of the same entries (raw bytes per second).
// A summary with the speed-up and the ratio follows the benchmark table.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_tree.h"
#include "builder/installer_build.h"
#include "builder/package_scan.h"
#include "builder/path_text.h"
#include "package/package_file.h"
#include "platform/file.h"
#include "platform/utf.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

struct Setting {
  fs::path dir;
  fs::path manifest;
  fs::path stub;
  fs::path installer;
  std::uint64_t sourceBytes = 0;
  std::uint64_t rawBytes = 0;
  builder::PackageScan scan;
};
Setting g;
std::map<std::string, double> g_rates;  // MB/s by benchmark name

void Record(const std::string& name, std::uint64_t bytes, Clock::duration spent) {
  const double seconds = std::chrono::duration<double>(spent).count();
  if (seconds > 0) g_rates[name] = static_cast<double>(bytes) / seconds / 1e6;
}

bool BuildOnce(const fs::path& out, int threads, std::string& error) {
  builder::BuildOptions options;
  options.manifest = g.manifest;
  options.stub = g.stub;
  options.output = out;
  options.threads = threads;
  builder::BuildResult result;
  return builder::BuildInstaller(options, result, error);
}

void BM_Build(benchmark::State& state, int threads, const std::string& name) {
  Clock::duration spent{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    std::string error;
    if (!BuildOnce(g.dir / ("build-j" + std::to_string(threads) + ".exe"), threads, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    spent += Clock::now() - start;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g.sourceBytes));
  state.counters["threads"] = threads;
  Record(name, state.iterations() * g.sourceBytes, spent);
}

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = g.dir / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void BM_ExtractNext(benchmark::State& state) {
  Clock::duration spent{};
  for (auto _ : state) {
    state.PauseTiming();
    const std::wstring folder = builder::PathToWide(FreshFolder("extract-reader"));
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    PackageFile package;
    if (!package.Open(builder::PathToWide(g.installer), 0)) {
      state.SkipWithError("cannot open the installer");
      return;
    }
    int cursor = -1;
    const int count = package.GetFileCount();
    for (int i = 0; i < count; ++i) {
      std::wstring outPath;
      if (!package.ExtractNext(outPath, folder, cursor)) {
        state.SkipWithError("ExtractNext failed");
        return;
      }
    }
    package.Close();
    spent += Clock::now() - start;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g.rawBytes));
  Record("ExtractNext", state.iterations() * g.rawBytes, spent);
}

// The same entries with nothing but reads, uncompress and one write each.
void BM_BareUncompress(benchmark::State& state) {
  Clock::duration spent{};
  for (auto _ : state) {
    state.PauseTiming();
    const std::wstring folder = builder::PathToWide(FreshFolder("extract-bare")) + L"\\";
    state.ResumeTiming();
    const Clock::time_point start = Clock::now();
    platform::File in;
    if (!in.Open(builder::PathToWide(g.installer), platform::Access::Read, platform::Share::Read,
                 platform::Disposition::OpenExisting)) {
      state.SkipWithError("cannot open the installer");
      return;
    }
    std::vector<unsigned char> stored, raw;
    for (const builder::ScannedEntry& e : g.scan.entries) {
      const std::uint32_t size = static_cast<std::uint32_t>(20 + e.name.size() + e.dataLength);
      stored.resize(size);
      std::uint32_t got = 0;
      if (!in.Seek(e.offset) || !in.Read(stored.data(), size, &got) || got != size) {
        state.SkipWithError("read failed");
        return;
      }
      const std::wstring path = folder + platform::Utf8ToWide(e.name);
      if (e.type == PKG_ENTRY_FOLDER) {
        platform::CreateFolder(path);
        continue;
      }
      uLongf length = static_cast<uLongf>(e.rawLength);
      if (e.dataLength > 0) {
        raw.resize(static_cast<std::size_t>(e.rawLength) + 1);
        const unsigned char* stream = stored.data() + 20 + e.name.size() + 8;
        if (uncompress(raw.data(), &length, stream, static_cast<uLong>(e.dataLength - 8)) != Z_OK) {
          state.SkipWithError("uncompress failed");
          return;
        }
      }
      platform::File out;
      std::uint32_t written = 0;
      if (!out.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways) ||
          (length > 0 && (!out.Write(raw.data(), static_cast<std::uint32_t>(length), &written) || written != length))) {
        state.SkipWithError("write failed");
        return;
      }
    }
    spent += Clock::now() - start;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * g.rawBytes));
  Record("bare uncompress + write", state.iterations() * g.rawBytes, spent);
}

bool Prepare(std::uint64_t treeBytes) {
  std::string pattern = (fs::temp_directory_path() / "mksetup-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return false;
  g.dir = pattern;
  const bench::TreeStats stats = bench::MakeBenchTree(g.dir / "payload", treeBytes);
  g.sourceBytes = stats.bytes;
  g.manifest = g.dir / "setup.toml";
  g.stub = g.dir / "stub.exe";
  {
    std::FILE* f = std::fopen(g.manifest.c_str(), "wb");
    std::fputs("[product]\nname = \"Bench\"\n[files]\nsource = \"payload\"\n", f);
    std::fclose(f);
    f = std::fopen(g.stub.c_str(), "wb");
    std::fputs("MZ benchmark stub", f);
    std::fclose(f);
  }
  g.installer = g.dir / "bench-setup.exe";
  std::string error;
  if (!BuildOnce(g.installer, 0, error)) {
    std::fprintf(stderr, "mksetup-bench: %s\n", error.c_str());
    return false;
  }
  builder::ScanFault fault;
  if (!builder::ScanPackage(g.installer, builder::ScanOptions{}, g.scan, fault)) {
    std::fprintf(stderr, "mksetup-bench: %s\n", fault.what.c_str());
    return false;
  }
  for (const builder::ScannedEntry& e : g.scan.entries) g.rawBytes += static_cast<std::uint64_t>(e.rawLength);
  std::printf("tree: %d folders, %d files, %.1f MB (half text, half noise); installer %.1f MB; %u cores\n",
              stats.folders, stats.files, static_cast<double>(stats.bytes) / 1e6,
              static_cast<double>(fs::file_size(g.installer)) / 1e6, std::thread::hardware_concurrency());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::uint64_t treeMb = 200;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--tree_mb=", 10) == 0) {
      treeMb = std::strtoull(argv[i] + 10, nullptr, 10);
    } else {
      rest.push_back(argv[i]);
    }
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());
  if (treeMb == 0 || !Prepare(treeMb * 1000 * 1000)) return 1;

  const int cores = static_cast<int>(std::thread::hardware_concurrency() ? std::thread::hardware_concurrency() : 1);
  const std::string all = "build -j" + std::to_string(cores);
  benchmark::RegisterBenchmark("build/j1", [](benchmark::State& s) { BM_Build(s, 1, "build -j1"); })
      ->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark(("build/j" + std::to_string(cores)).c_str(),
                               [cores, all](benchmark::State& s) { BM_Build(s, cores, all); })
      ->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("extract/ExtractNext", BM_ExtractNext)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("extract/bare_uncompress_write", BM_BareUncompress)
      ->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("\nsummary (MB/s of source or raw bytes):\n");
  for (const auto& [name, rate] : g_rates) std::printf("  %-26s %8.1f\n", name.c_str(), rate);
  if (g_rates.count("build -j1") && g_rates.count(all)) {
    std::printf("  build speed-up -j%d / -j1: %.2f\n", cores, g_rates[all] / g_rates["build -j1"]);
  }
  if (g_rates.count("ExtractNext") && g_rates.count("bare uncompress + write")) {
    std::printf("  ExtractNext / bare uncompress + write: %.2f\n", g_rates["ExtractNext"] / g_rates["bare uncompress + write"]);
  }
  std::error_code ec;
  fs::remove_all(g.dir, ec);
  return 0;
}
