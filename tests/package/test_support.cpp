#include "test_support.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>

#include "package/package_writer.h"
#include "platform/file.h"
#include "platform/utf.h"

namespace pkgtest {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::string name = "pkgtest-" + std::to_string(random()) + "-" +
                           std::to_string(static_cast<unsigned long long>(ticks) % 1000000) + "-" +
                           std::to_string(counter++);
  const fs::path folder = fs::temp_directory_path() / name;
  fs::create_directories(folder);
  path_ = folder.wstring();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(fs::path(path_), ignored);
}

std::wstring TempFolder::Join(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

std::optional<Bytes> ReadFileBytes(const std::wstring& path) {
  platform::File file;
  if (!file.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting)) {
    return std::nullopt;
  }
  const std::int64_t size = file.Size();
  if (size < 0) return std::nullopt;
  Bytes bytes(static_cast<std::size_t>(size));
  std::uint32_t got = 0;
  if (size > 0 && (!file.Read(bytes.data(), static_cast<std::uint32_t>(size), &got) || got != size)) {
    return std::nullopt;
  }
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const Bytes& bytes) {
  platform::File file;
  if (!file.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::CreateAlways)) {
    return false;
  }
  std::uint32_t written = 0;
  return bytes.empty() || file.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written);
}

bool FolderExists(const std::wstring& path) {
#ifdef _WIN32
  return fs::is_directory(fs::path(path));
#else
  return fs::is_directory(fs::path(platform::NativePath(path)));
#endif
}

ByteBuilder& ByteBuilder::U8(std::uint8_t v) {
  bytes_.push_back(v);
  return *this;
}
ByteBuilder& ByteBuilder::U16(std::uint16_t v) {
  return U8(static_cast<std::uint8_t>(v)).U8(static_cast<std::uint8_t>(v >> 8));
}
ByteBuilder& ByteBuilder::U32(std::uint32_t v) {
  return U16(static_cast<std::uint16_t>(v)).U16(static_cast<std::uint16_t>(v >> 16));
}
ByteBuilder& ByteBuilder::Raw(std::string_view text) {
  bytes_.insert(bytes_.end(), text.begin(), text.end());
  return *this;
}
ByteBuilder& ByteBuilder::Raw(const Bytes& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

Bytes ImageBytes() {
  Bytes image = {'M', 'Z'};
  for (int i = 0; i < 126; ++i) image.push_back(static_cast<std::uint8_t>(i * 7));
  return image;
}

Bytes NoiseBytes(std::size_t size, std::uint32_t seed) {
  Bytes bytes(size);
  std::uint32_t x = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<std::uint8_t>(x);
  }
  return bytes;
}

std::vector<SampleFile> SampleEntries() {
  Bytes text(2000, 'a');
  for (std::size_t i = 0; i < text.size(); i += 37) text[i] = '\n';
  return {
      {"bin", true, {}},
      {"bin\\app.exe", false, NoiseBytes(3000, 1)},
      {"bin\\empty", true, {}},
      {"bin\\\xE8\xAF\xB4\xE6\x98\x8E.txt", false, text},  // 说明.txt
      {"readme.txt", false, {'h', 'e', 'l', 'l', 'o'}},
      {"uninst.exe", false, NoiseBytes(100, 2)},
      {"zero.dat", false, {}},
  };
}

Bytes SamplePackage() {
  Bytes bytes = ImageBytes();
  VectorSink sink(bytes);
  PackageWriter writer(sink);
  PackageTexts texts;
  texts.productName = "\xE7\xA4\xBA\xE4\xBE\x8B\xE8\xBD\xAF\xE4\xBB\xB6";  // 示例软件
  texts.heading = "Heading";
  texts.notice = "Notice";
  texts.rights = "(c) 2026";
  texts.welcome = "Welcome\r\n\xE6\xAC\xA2\xE8\xBF\x8E";               // Welcome, 欢迎
  const std::string agreement = "\xE8\xAE\xB8\xE5\x8F\xAF\r\nLine 2";  // 许可
  bool ok = writer.WriteInfo(texts, "bin\\app.exe", "uninst.exe") && writer.WritePicture("PICTURE-BYTES", 13) &&
            writer.WriteAgreement(MakeDataBlob(agreement.data(), agreement.size()));
  for (const SampleFile& entry : SampleEntries()) {
    if (!ok) break;
    if (entry.folder) {
      ok = writer.AddFolder(entry.name);
    } else if (entry.name == "zero.dat") {
      ok = writer.AddFile(entry.name, {});  // stored without a blob
    } else {
      ok = writer.AddFile(entry.name, MakeDataBlob(entry.contents.data(), entry.contents.size()));
    }
  }
  ok = ok && writer.AddShortcut("\xE7\xA4\xBA\xE4\xBE\x8B\\App", "bin\\app.exe", "Starts the app") &&
       writer.AddShortcut("\xE7\xA4\xBA\xE4\xBE\x8B\\Uninstall", "uninst.exe", "") && writer.Finish();
  if (!ok) return {};
  return bytes;
}

PackageTrailer TrailerOf(const Bytes& package) {
  PackageTrailer trailer{};
  if (package.size() >= sizeof trailer) {
    std::memcpy(&trailer, package.data() + package.size() - sizeof trailer, sizeof trailer);
  }
  return trailer;
}

std::wstring W(std::string_view utf8) { return platform::Utf8ToWide(utf8); }

}  // namespace pkgtest
