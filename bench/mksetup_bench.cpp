// mksetup-bench: on one generated tree (--tree_mb=N, default 200) measures
//  - build throughput (source bytes per second) with -j 1 and with all cores;
//  - PackageFile::ExtractNext throughput (bounded pieces, checksum and inflate
//    in one pass, straight into the file) against a bare zlib uncompress of
//    each whole entry in memory plus one write (raw bytes per second).
// Each pair is measured in turns within one benchmark, so that both sides see
// the same load on a shared machine. A summary with the speed-up and the
// ratio follows the benchmark table.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_tree.h"
#include "builder/installer_build.h"
#include "builder/path_text.h"
#include "package/package_checksum.h"
#include "package/package_file.h"
#include "package/package_walk.h"
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
  PackageFacts facts;
};
Setting g;
std::map<std::string, double> g_rates;  // MB/s by benchmark name

bool BuildOnce(const fs::path& out, int threads, std::string& error, double* waitSeconds = nullptr) {
  builder::BuildOptions options;
  options.manifest = g.manifest;
  options.stub = g.stub;
  options.output = out;
  options.threads = threads;
  builder::BuildResult result;
  const bool ok = builder::BuildInstaller(options, result, error);
  if (waitSeconds) *waitSeconds += result.compressWaitSeconds;
  return ok;
}

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// -j 1 and all cores in turns, so that both see the same load on a shared machine.
void BM_BuildThreads(benchmark::State& state, int cores) {
  double wall[2] = {0, 0}, cpu[2] = {0, 0}, waits = 0;
  const int threads[2] = {1, cores};
  for (auto _ : state) {
    for (int k = 0; k < 2; ++k) {
      const int which = (state.iterations() % 2 == 0) ? k : 1 - k;  // alternate who goes first
      const Clock::time_point start = Clock::now();
      const double cpuStart = CpuSeconds();
      std::string error;
      if (!BuildOnce(g.dir / ("build-j" + std::to_string(threads[which]) + ".exe"), threads[which], error,
                     which == 1 ? &waits : nullptr)) {
        state.SkipWithError(error.c_str());
        return;
      }
      wall[which] += std::chrono::duration<double>(Clock::now() - start).count();
      cpu[which] += CpuSeconds() - cpuStart;
    }
  }
  const double bytes = static_cast<double>(state.iterations()) * static_cast<double>(g.sourceBytes);
  state.counters["j1_MBps"] = bytes / wall[0] / 1e6;
  state.counters["jN_MBps"] = bytes / wall[1] / 1e6;
  state.counters["speedup"] = wall[0] / wall[1];
  // Share of the threads' time spent waiting for the writer: 0 means the
  // pipeline kept every thread busy and the speed-up is what the cores gave.
  state.counters["jN_wait_share"] = waits / (wall[1] * cores);
  state.counters["j1_cpu_per_wall"] = cpu[0] / wall[0];
  state.counters["jN_cpu_per_wall"] = cpu[1] / wall[1];
  g_rates["build -j1"] = bytes / wall[0] / 1e6;
  g_rates["build -j" + std::to_string(cores)] = bytes / wall[1] / 1e6;
  g_rates["build -j1 CPU/wall"] = cpu[0] / wall[0];
  g_rates["build -j" + std::to_string(cores) + " thread wait share"] = waits / (wall[1] * cores);
  g_rates["build -j" + std::to_string(cores) + " CPU/wall"] = cpu[1] / wall[1];
}

fs::path FreshFolder(const std::string& name) {
  const fs::path folder = g.dir / name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// Every entry through the installer's reader.
const char* ExtractWithReader(const std::wstring& folder) {
  PackageFile package;
  if (!package.Open(builder::PathToWide(g.installer), 0)) return "cannot open the installer";
  int cursor = -1;
  const int count = package.GetFileCount();
  for (int i = 0; i < count; ++i) {
    std::wstring outPath;
    if (!package.ExtractNext(outPath, folder, cursor)) return "ExtractNext failed";
  }
  package.Close();
  return nullptr;
}

// The same entries with nothing but reads, uncompress and one write each.
const char* ExtractBare(const std::wstring& folder) {
  platform::File in;
  if (!in.Open(builder::PathToWide(g.installer), platform::Access::Read, platform::Share::Read,
               platform::Disposition::OpenExisting)) {
    return "cannot open the installer";
  }
  std::vector<unsigned char> stored, raw;
  for (const WalkedEntry& e : g.facts.entries) {
    const std::uint32_t size = static_cast<std::uint32_t>(20 + e.name.size() + e.dataLength);
    stored.resize(size);
    std::uint32_t got = 0;
    if (!in.Seek(e.offset) || !in.Read(stored.data(), size, &got) || got != size) return "read failed";
    const std::wstring path = folder + L"\\" + platform::Utf8ToWide(e.name);
    if (e.type == PKG_ENTRY_FOLDER) {
      platform::CreateFolder(path);
      continue;
    }
    uLongf length = static_cast<uLongf>(e.rawLength);
    if (e.dataLength > 0) {
      raw.resize(static_cast<std::size_t>(e.rawLength) + 1);
      const unsigned char* stream = stored.data() + 20 + e.name.size() + 8;
      if (uncompress(raw.data(), &length, stream, static_cast<uLong>(e.dataLength - 8)) != Z_OK)
        return "uncompress failed";
    }
    platform::File out;
    std::uint32_t written = 0;
    if (!out.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways) ||
        (length > 0 && (!out.Write(raw.data(), static_cast<std::uint32_t>(length), &written) || written != length))) {
      return "write failed";
    }
  }
  return nullptr;
}

// The reader and the bare loop in turns on fresh folders (cleared outside the timing).
void BM_Extract(benchmark::State& state) {
  double wall[2] = {0, 0}, cpu[2] = {0, 0};
  for (auto _ : state) {
    for (int k = 0; k < 2; ++k) {
      const int which = (state.iterations() % 2 == 0) ? k : 1 - k;
      state.PauseTiming();
      const std::wstring folder = builder::PathToWide(FreshFolder(which == 0 ? "extract-reader" : "extract-bare"));
      state.ResumeTiming();
      const Clock::time_point start = Clock::now();
      const double cpuStart = CpuSeconds();
      const char* failure = which == 0 ? ExtractWithReader(folder) : ExtractBare(folder);
      if (failure) {
        state.SkipWithError(failure);
        return;
      }
      wall[which] += std::chrono::duration<double>(Clock::now() - start).count();
      cpu[which] += CpuSeconds() - cpuStart;
    }
  }
  const double bytes = static_cast<double>(state.iterations()) * static_cast<double>(g.rawBytes);
  state.counters["ExtractNext_MBps"] = bytes / wall[0] / 1e6;
  state.counters["bare_MBps"] = bytes / wall[1] / 1e6;
  state.counters["ratio"] = wall[1] / wall[0];
  // CPU time (user and system) is what each side cost, whatever else the
  // machine ran meanwhile.
  state.counters["ratio_cpu"] = cpu[1] / cpu[0];
  g_rates["ExtractNext"] = bytes / wall[0] / 1e6;
  g_rates["bare uncompress + write"] = bytes / wall[1] / 1e6;
  g_rates["ExtractNext CPU/wall"] = cpu[0] / wall[0];
  g_rates["bare CPU/wall"] = cpu[1] / wall[1];
  g_rates["ExtractNext / bare, CPU time"] = cpu[1] / cpu[0];
}

// The package checksum against zlib's crc32 on the same bytes: the checksum is
// CRC-32 without its two inversions, so ~crc32(~0, p, n) gives it as well.
void BM_Checksum(benchmark::State& state, bool viaZlib) {
  std::vector<unsigned char> bytes(32u << 20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
  if (PackageChecksum(bytes.data(), bytes.size()) !=
      ~static_cast<std::uint32_t>(crc32(0xFFFFFFFFul, bytes.data(), static_cast<uInt>(bytes.size())))) {
    state.SkipWithError("the checksum identity does not hold");
    return;
  }
  const Clock::time_point start = Clock::now();
  for (auto _ : state) {
    std::uint32_t h =
        viaZlib ? ~static_cast<std::uint32_t>(crc32(0xFFFFFFFFul, bytes.data(), static_cast<uInt>(bytes.size())))
                : PackageChecksum(bytes.data(), bytes.size());
    benchmark::DoNotOptimize(h);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double bytesDone = static_cast<double>(state.iterations()) * static_cast<double>(bytes.size());
  state.SetBytesProcessed(static_cast<std::int64_t>(bytesDone));
  g_rates[viaZlib ? "checksum via zlib crc32" : "checksum, PackageChecksum"] = bytesDone / seconds / 1e6;
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
  WalkFault fault;
  if (!WalkPackage(builder::PathToWide(g.installer), WalkOptions{WalkLevel::Install, false}, g.facts, fault)) {
    std::fprintf(stderr, "mksetup-bench: %s\n", fault.what.c_str());
    return false;
  }
  for (const WalkedEntry& e : g.facts.entries) g.rawBytes += static_cast<std::uint64_t>(e.rawLength);
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
  benchmark::RegisterBenchmark(("build/j1_vs_j" + std::to_string(cores)).c_str(),
                               [cores](benchmark::State& s) { BM_BuildThreads(s, cores); })
      ->Iterations(3)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("extract/ExtractNext_vs_bare", BM_Extract)
      ->Iterations(8)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("checksum/PackageChecksum", [](benchmark::State& s) { BM_Checksum(s, false); })
      ->Iterations(8)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("checksum/zlib_crc32", [](benchmark::State& s) { BM_Checksum(s, true); })
      ->Iterations(8)
      ->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  std::printf("\nsummary (MB/s of source or raw bytes; CPU/wall: cores the build got on average):\n");
  for (const auto& [name, rate] : g_rates) std::printf("  %-30s %8.2f\n", name.c_str(), rate);
  if (g_rates.count("build -j1") && g_rates.count(all)) {
    std::printf("  build speed-up -j%d / -j1: %.2f\n", cores, g_rates[all] / g_rates["build -j1"]);
  }
  if (g_rates.count("ExtractNext") && g_rates.count("bare uncompress + write")) {
    std::printf("  ExtractNext / bare uncompress + write: %.2f\n",
                g_rates["ExtractNext"] / g_rates["bare uncompress + write"]);
  }
  std::error_code ec;
  fs::remove_all(g.dir, ec);
  return 0;
}
