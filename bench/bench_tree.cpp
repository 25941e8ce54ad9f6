#include "bench_tree.h"

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace bench {
namespace {

const char* const kWords[] = {"install", "package", "folder", "entry",  "record", "shortcut", "program", "licence",
                              "window",  "message", "thread", "worker", "buffer", "stream",   "offset",  "trailer",
                              "安装",    "程序",    "文件夹", "许可",   "的",     "12",       "0x1F",    "=",
                              "value",   "config",  "error",  "done",   "retry",  "skip",     "path",    "name"};

std::string TextBytes(std::size_t n, std::mt19937& rng) {
  std::string s;
  s.reserve(n + 64);
  std::uniform_int_distribution<std::size_t> word(0, sizeof kWords / sizeof kWords[0] - 1);
  std::uniform_int_distribution<int> number(0, 99999);
  while (s.size() < n) {
    s += '[';
    s += std::to_string(number(rng));
    s += "] ";
    for (int i = 0; i < 9; ++i) {
      s += kWords[word(rng)];
      s += ' ';
    }
    s += '\n';
  }
  s.resize(n);
  return s;
}

std::string NoiseBytes(std::size_t n, std::mt19937& rng) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i + 4 <= n; i += 4) {
    std::uint32_t v = rng();
    s[i] = static_cast<char>(v);
    s[i + 1] = static_cast<char>(v >> 8);
    s[i + 2] = static_cast<char>(v >> 16);
    s[i + 3] = static_cast<char>(v >> 24);
  }
  return s;
}

}  // namespace

TreeStats MakeBenchTree(const std::filesystem::path& root, std::uint64_t totalBytes) {
  std::mt19937 rng(20260101);
  TreeStats stats;
  std::uint64_t text = 0, noise = 0;
  std::uniform_int_distribution<int> kind(0, 99);
  for (int index = 0; stats.bytes < totalBytes; ++index) {
    const int k = kind(rng);
    std::size_t size;
    if (k < 60) {
      size = std::uniform_int_distribution<std::size_t>(4 << 10, 64 << 10)(rng);
    } else if (k < 95) {
      size = std::uniform_int_distribution<std::size_t>(256 << 10, 2 << 20)(rng);
    } else {
      size = 8 << 20;
    }
    if (stats.bytes + size > totalBytes) size = static_cast<std::size_t>(totalBytes - stats.bytes);
    const bool compressible = text <= noise;
    std::string bytes = compressible ? TextBytes(size, rng) : NoiseBytes(size, rng);
    (compressible ? text : noise) += size;

    const std::filesystem::path folder =
        root / (std::string("part") + std::to_string(index % 8)) / (std::string("group") + std::to_string(index % 5));
    if (!std::filesystem::exists(folder)) {
      std::filesystem::create_directories(folder);
      stats.folders += 1;
    }
    std::ofstream out(folder / (std::string("file") + std::to_string(index) + (compressible ? ".txt" : ".bin")),
                      std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    stats.bytes += size;
    stats.files += 1;
  }
  return stats;
}

}  // namespace bench
