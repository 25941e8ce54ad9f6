#include "sample_product.h"

#include "bytes.h"

namespace support {

namespace {
std::string NoiseText(std::size_t size, std::uint32_t seed) {
  const Bytes b = Noise(size, seed);
  return std::string(b.begin(), b.end());
}
}  // namespace

std::filesystem::path MakeProduct(const std::filesystem::path& folder, bool large) {
  const std::filesystem::path p = folder / "payload";
  WriteFile(p / "bin/Demo.exe", "MZ" + NoiseText(5000, 1));
  WriteFile(p / "bin/lib/core.dll", NoiseText(300, 2));
  WriteFile(p / u8"docs/说明.txt", "使用说明\r\n第二行\r\n");
  WriteFile(p / "data/empty.dat", "");
  WriteFile(p / "uninstall.exe", "MZ placeholder");
  std::filesystem::create_directories(p / "logs/empty");
  if (large) {
    WriteFile(p / "data/noise.bin", NoiseText((1u << 20) + 12345, 3));
    std::string log;
    for (int i = 0; log.size() < (3u << 20); ++i) log += "line " + std::to_string(i) + " of the log\n";
    WriteFile(p / "data/big.log", log);
    for (int i = 0; i < 400; ++i) {
      WriteFile(p / ("small/s" + std::to_string(i / 100) + "/f" + std::to_string(i) + ".txt"),
                i % 7 == 0 ? NoiseText(static_cast<std::size_t>(i) * 40, i)
                           : std::string(static_cast<std::size_t>(i) * 3, static_cast<char>('a' + i % 26)));
    }
  }
  WriteFile(folder / "LICENSE.txt", "许可协议\n第一条\n");
  WriteFile(folder / "logo.png", "\x89PNG fake picture");
  const std::filesystem::path manifest = folder / "setup.toml";
  WriteFile(manifest,
            "[product]\nname = \"Demo\"\nheading = \"Demo 安装程序\"\nwelcome = \"欢迎\"\nlicense = \"LICENSE.txt\"\n"
            "picture = \"logo.png\"\nmain_program = 'bin\\Demo.exe'\nrecord_file = 'uninstall.exe'\n"
            "\n[files]\nsource = \"payload\"\n"
            "[[shortcut]]\nmenu = 'Demo\\Demo'\ntarget = 'bin\\Demo.exe'\ndescription = \"启动\"\n");
  return manifest;
}

std::filesystem::path MakeStub(const std::filesystem::path& folder) {
  WriteFile(folder / "stub.exe", "MZ" + std::string(126, '\x90'));
  return folder / "stub.exe";
}

}  // namespace support
