// Writes the seed corpora of the fuzz targets from the test support's
// packages and the install record: fuzz_seeds <corpus folder>. The results
// are small and kept in the repository (corpus/<target>/); run again after a
// layout change.
#include <cstdio>

#include "bytes.h"
#include "laid_package.h"
#include "platform/utf.h"
#include "record_file.h"

namespace fs = std::filesystem;
using support::Bytes;

namespace {

bool Save(const fs::path& file, const Bytes& bytes) {
  support::WriteBytes(file, bytes);
  return !bytes.empty() && support::ReadBytes(file) == bytes;
}

Bytes Record(const fs::path& file, const std::wstring& menu, const std::wstring& product) {
  support::WriteBytes(file, Bytes{'M', 'Z', 0, 0});
  support::AppendRecord(platform::Utf8ToWide(file.string()), menu, product, product);
  return support::ReadBytes(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds <corpus folder>\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  const Bytes sample = support::Sample().Lay();
  const fs::path scratch = corpus / "record.tmp";
  const bool ok =
      Save(corpus / "package_file_fuzz/sample.exe", sample) &&
      Save(corpus / "package_file_fuzz/bare.exe", support::LaidPackage{}.Lay()) &&
      Save(corpus / "package_file_fuzz/signed.exe", support::Signed(sample, 3)) &&
      Save(corpus / "install_record_fuzz/full.bin", Record(scratch, L"\u793A\u4F8B", L"\u793A\u4F8B\u8F6F\u4EF6")) &&
      Save(corpus / "install_record_fuzz/empty-names.bin", Record(scratch, L"", L""));
  fs::remove(scratch);
  if (!ok) std::fprintf(stderr, "fuzz_seeds: could not write the corpus\n");
  return ok ? 0 : 1;
}
