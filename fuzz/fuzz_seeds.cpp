// Writes the seed corpora of the fuzz targets with the package writer and
// the install record: fuzz_seeds <corpus folder>. The results are small and
// kept in the repository (corpus/<target>/); run again after a layout change.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "integration/install_record.h"
#include "package/package_writer.h"
#include "platform/utf.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

bool Save(const fs::path& file, const Bytes& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

Bytes Blob(const std::string& text) { return MakeDataBlob(text.data(), text.size()); }

// A package behind a 2-byte stand-in image.
Bytes Package(bool picture, bool agreement, bool entries, bool shortcuts) {
  Bytes bytes = {'M', 'Z'};
  VectorSink sink(bytes);
  PackageWriter w(sink);
  PackageTexts texts{"\xE7\xA4\xBA\xE4\xBE\x8B", "Heading", "Notice", "(c)", "Welcome\r\n"};  // 示例
  bool ok = w.WriteInfo(texts, "bin\\app.exe", "uninst.exe");
  if (picture) ok = ok && w.WritePicture("\x89PNG\r\n\x1a\n", 8);
  ok = ok && w.WriteAgreement(agreement ? Blob("Licence\r\n\xE8\xAE\xB8\xE5\x8F\xAF") : Bytes());
  if (entries) {
    ok = ok && w.AddFolder("bin") && w.AddFile("bin\\app.exe", Blob(std::string(300, 'a') + "MZ")) &&
         w.AddFolder("bin\\empty") && w.AddFile("readme.txt", Blob("read me\r\n")) &&
         w.AddFile("uninst.exe", Blob("MZ uninstaller")) && w.AddFile("zero.dat", {});
  }
  if (shortcuts) {
    ok = ok && w.AddShortcut("\xE7\xA4\xBA\xE4\xBE\x8B\\App", "bin\\app.exe", "Starts the app") &&
         w.AddShortcut("Uninstall", "uninst.exe", "");
  }
  ok = ok && w.Finish();
  if (!ok) std::fprintf(stderr, "fuzz_seeds: %s\n", w.Error().c_str());
  return ok ? bytes : Bytes();
}

Bytes RecordFile(const fs::path& scratch, const std::wstring& menu, const std::wstring& product,
                 const std::wstring& autostart) {
  const fs::path file = scratch / "record.bin";
  Save(file, Bytes{'M', 'Z', 0, 0});
  InstallRecord record;
  const std::wstring path = platform::Utf8ToWide(file.string());
  record.Open(path, 1);
  record.SetNames(menu, product, autostart);
  record.Close();
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  bool ok = Save(corpus / "package_file_fuzz" / "full.exe", Package(true, true, true, true)) &&
            Save(corpus / "package_file_fuzz" / "no-entries.exe", Package(false, false, false, false)) &&
            Save(corpus / "package_file_fuzz" / "entries-only.exe", Package(false, true, true, false)) &&
            Save(corpus / "package_file_fuzz" / "shortcuts-only.exe", Package(true, false, false, true));

  ok = ok && Save(corpus / "inflate_fuzz" / "text.blob", Blob("Licence\r\nline two\r\n")) &&
       Save(corpus / "inflate_fuzz" / "repeat.blob", Blob(std::string(4000, 'x'))) &&
       Save(corpus / "inflate_fuzz" / "one.blob", Blob("a"));
  std::string noise;
  std::uint32_t x = 12345;
  for (int i = 0; i < 600; ++i) noise.push_back(static_cast<char>((x = x * 1103515245u + 12345u) >> 24));
  ok = ok && Save(corpus / "inflate_fuzz" / "noise.blob", Blob(noise));

  const fs::path scratch = fs::temp_directory_path() / "fuzz-seeds-record";
  fs::create_directories(scratch);
  ok = ok &&
       Save(corpus / "install_record_fuzz" / "full.bin",
            RecordFile(scratch, L"\u793A\u4F8B", L"\u793A\u4F8B\u8F6F\u4EF6", L"\u793A\u4F8B")) &&
       Save(corpus / "install_record_fuzz" / "empty-names.bin", RecordFile(scratch, L"", L"", L""));
  std::error_code ec;
  fs::remove_all(scratch, ec);
  if (!ok) {
    std::fprintf(stderr, "fuzz_seeds: could not write the corpus\n");
    return 1;
  }
  return 0;
}
