#include "test_support.h"

#include "builder/path_text.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace buildertest {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device seed;
  std::mt19937 rng(seed() ^ static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() /
                         (std::string("mksetup-test-") + std::to_string(rng()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {  // false when it exists already
      path_ = candidate;
      return;
    }
  }
}

fs::path TempDir::operator/(const std::string& rel) const { return path_ / builder::Utf8ToPath(rel); }

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) {
    // Folders made unreadable by a test must be opened again to be removed.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

fs::path MakeStub(const fs::path& folder) {
  fs::path stub = folder / "stub.exe";
  WriteFile(stub, std::string("MZ") + std::string(126, '\x90'));
  return stub;
}

fs::path MakePeStub(const fs::path& folder, const std::string& name) {
  std::string image(0x200, '\0');
  auto put16 = [&](std::size_t at, std::uint16_t v) { image.replace(at, 2, reinterpret_cast<const char*>(&v), 2); };
  auto put32 = [&](std::size_t at, std::uint32_t v) { image.replace(at, 4, reinterpret_cast<const char*>(&v), 4); };
  image.replace(0, 2, "MZ");
  put32(0x3C, 0x40);  // the PE header follows the DOS header
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  put16(0x44, 0x14C);  // i386
  put16(0x54, 0xE0);   // optional header size
  put16(0x56, 0x102);  // executable, 32-bit
  const std::size_t optional = 0x58;
  put16(optional, 0x10B);          // PE32
  put32(optional + 28, 0x400000);  // image base
  put32(optional + 32, 0x1000);    // section alignment
  put32(optional + 36, 0x200);     // file alignment
  put16(optional + 40, 4);         // operating system version
  put16(optional + 48, 4);         // subsystem version
  put32(optional + 56, 0x1000);    // image size
  put32(optional + 60, 0x200);     // header size
  put16(optional + 68, 2);         // GUI subsystem
  put32(optional + 92, 16);        // data directories, the security directory among them
  const fs::path stub = folder / name;
  WriteFile(stub, image);
  return stub;
}

fs::path WriteManifest(const fs::path& folder, const std::string& productExtra, const std::string& tail) {
  fs::path manifest = folder / "setup.toml";
  WriteFile(manifest, "[product]\nname = \"Demo\"\nheading = \"Demo 安装程序\"\nwelcome = \"欢迎\"\n" + productExtra +
                          "\n[files]\nsource = \"payload\"\n" + tail);
  return manifest;
}

std::vector<std::string> Snapshot(const fs::path& root) {
  std::vector<std::string> lines;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    std::string rel = builder::PathToUtf8(fs::relative(it->path(), root));
    if (it->is_directory()) {
      lines.push_back("D " + rel);
    } else {
      lines.push_back("F " + rel + " " + ReadFile(it->path()));
    }
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

int CountPartialFiles(const fs::path& folder) {
  int n = 0;
  std::error_code ec;
  for (auto& e : fs::directory_iterator(folder, ec)) {
    std::string name = builder::PathToUtf8(e.path().filename());
    if (!name.empty() && name[0] == '.' && name.find(".partial-") != std::string::npos) ++n;
  }
  return n;
}

fs::path MksetupPath() {
  const char* bin = std::getenv("SETUP_BIN_DIR");
  return fs::path(bin ? bin : ".") / "mksetup";
}

#ifndef _WIN32
namespace {
std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') {
      q += "'\\''";
    } else {
      q.push_back(c);
    }
  }
  return q + "'";
}
}  // namespace

RunResult RunMksetup(const std::vector<std::string>& args, const fs::path& program) {
  TempDir capture;
  std::string command = Quote((program.empty() ? MksetupPath() : program).string());
  for (const std::string& a : args) {
    command += ' ';
    command += Quote(a);
  }
  command += " >" + Quote((capture / "out").string()) + " 2>" + Quote((capture / "err").string()) + " </dev/null";
  int status = std::system(command.c_str());
  RunResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadFile(capture / "out");
  r.err = ReadFile(capture / "err");
  return r;
}

#endif  // !_WIN32

}  // namespace buildertest
