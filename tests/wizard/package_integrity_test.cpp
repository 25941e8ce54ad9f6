#include "wizard/package_integrity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "package/package_file.h"
#include "package/package_writer.h"
#include "temp_folder.h"
#include "wizard/copy_loop.h"
#include "wizard/messages.h"

namespace wizard {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// An installer image followed by a package: a folder, three files (one
// empty), a picture, an agreement and two shortcut records.
struct SamplePackage {
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> programBlob;
  std::vector<std::uint8_t> agreementBlob;
  std::vector<std::uint8_t> noiseBlob;
  std::string picture = "PICTURE-BYTES";
  std::string program = std::string(5000, 'p') + "main program";

  explicit SamplePackage(bool withEntries = true) {
    bytes.assign(300, 0x4D);  // stands for the installer image
    VectorSink sink(bytes);
    PackageWriter writer(sink);
    programBlob = MakeDataBlob(program.data(), program.size());
    const std::string agreement = "许可协议\r\n第二行";
    agreementBlob = MakeDataBlob(agreement.data(), agreement.size());
    const std::string uninstaller = "uninstaller";
    PackageTexts texts{"产品", "标题", "注意", "版权", "欢迎"};
    EXPECT_TRUE(writer.WriteInfo(texts, "bin\\p.exe", "uninst.exe"));
    EXPECT_TRUE(writer.WritePicture(picture.data(), picture.size()));
    EXPECT_TRUE(writer.WriteAgreement(agreementBlob));
    if (withEntries) {
      EXPECT_TRUE(writer.AddFolder("bin"));
      EXPECT_TRUE(writer.AddFile("bin\\p.exe", programBlob));
      // Several decoder rounds: output much larger than input, and the reverse.
      const std::string zeros(1 << 20, '\0');
      std::string noise(200000, ' ');
      std::uint32_t x = 12345;
      for (char& c : noise) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
      EXPECT_TRUE(writer.AddFile("bin\\zeros.dat", MakeDataBlob(zeros.data(), zeros.size())));
      noiseBlob = MakeDataBlob(noise.data(), noise.size());
      EXPECT_TRUE(writer.AddFile("bin\\noise.dat", noiseBlob));
      EXPECT_TRUE(writer.AddFile("empty.txt", {}));
      EXPECT_TRUE(writer.AddFile("uninst.exe", MakeDataBlob(uninstaller.data(), uninstaller.size())));
      EXPECT_TRUE(writer.AddShortcut("岚杉\\程序", "bin\\p.exe", "描述"));
      EXPECT_TRUE(writer.AddShortcut("卸载", "uninst.exe", ""));
    }
    EXPECT_TRUE(writer.Finish()) << writer.Error();
  }

  size_t Find(const std::vector<std::uint8_t>& part) const {
    auto it = std::search(bytes.begin(), bytes.end(), part.begin(), part.end());
    EXPECT_NE(it, bytes.end());
    return static_cast<size_t>(it - bytes.begin());
  }
  PackageTrailer Trailer() const {
    PackageTrailer t;
    std::memcpy(&t, bytes.data() + bytes.size() - sizeof t, sizeof t);
    return t;
  }
  void SetTrailer(const PackageTrailer& t) { std::memcpy(bytes.data() + bytes.size() - sizeof t, &t, sizeof t); }
};

class PackageIntegrity : public ::testing::Test {
 protected:
  bool Verify(const std::vector<std::uint8_t>& bytes) {
    TempFolder::WriteBytes(folder.Child("setup.exe"), Bytes(bytes.begin(), bytes.end()));
    return VerifyPackageIntegrity(folder.Wide(L"setup.exe"));
  }
  TempFolder folder;
};

TEST_F(PackageIntegrity, SoundPackagesPass) {
  EXPECT_TRUE(Verify(SamplePackage().bytes));
  EXPECT_TRUE(Verify(SamplePackage(false).bytes));
}

TEST_F(PackageIntegrity, AnyFlippedByteOfAFileBlobIsDamage) {
  SamplePackage p;
  const size_t blob = p.Find(p.programBlob);
  const size_t noise = p.Find(p.noiseBlob);
  // Checksum, raw length (low and high byte), stream start, middle and end.
  for (size_t at : {blob, blob + 3, blob + 4, blob + 7, blob + 8, blob + p.programBlob.size() / 2,
                    blob + p.programBlob.size() - 1, noise + 100000, noise + 4}) {
    SCOPED_TRACE(at);
    auto damaged = p.bytes;
    damaged[at] ^= 0x01;
    EXPECT_FALSE(Verify(damaged));
  }
}

TEST_F(PackageIntegrity, AgreementAndPictureAreNotChecksummed) {
  // An agreement may be stored plain; the picture has no checksum.
  SamplePackage p;
  auto damaged = p.bytes;
  damaged[p.Find(p.agreementBlob) + 10] ^= 0x01;
  damaged[p.Find(std::vector<std::uint8_t>(p.picture.begin(), p.picture.end()))] ^= 0x01;
  EXPECT_TRUE(Verify(damaged));
}

TEST_F(PackageIntegrity, StructuralDamage) {
  SamplePackage p;
  {
    SCOPED_TRACE("one byte short");
    EXPECT_FALSE(Verify(std::vector<std::uint8_t>(p.bytes.begin(), p.bytes.end() - 1)));
  }
  {
    SCOPED_TRACE("shorter than a trailer");
    EXPECT_FALSE(Verify(std::vector<std::uint8_t>(p.bytes.begin(), p.bytes.begin() + 43)));
  }
  struct Change {
    const char* what;
    void (*apply)(PackageTrailer&);
  } changes[] = {
      {"magic", [](PackageTrailer& t) { t.magic ^= 1; }},
      {"one entry more", [](PackageTrailer& t) { t.entryCount += 1; }},
      {"one entry less", [](PackageTrailer& t) { t.entryCount -= 1; }},
      {"negative entry count", [](PackageTrailer& t) { t.entryCount = -1; }},
      {"one shortcut more", [](PackageTrailer& t) { t.shortcutCount += 1; }},
      {"entry list moved", [](PackageTrailer& t) { t.entryListOffset += 1; }},
      {"entry list far away", [](PackageTrailer& t) { t.entryListOffset = 0x7ffffff0; }},
      {"info offset negative", [](PackageTrailer& t) { t.infoOffset = -5; }},
      {"picture past the trailer", [](PackageTrailer& t) { t.pictureLength = 0x7fffffff; }},
      {"negative agreement", [](PackageTrailer& t) { t.agreementLength = -1; }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    SamplePackage q;
    PackageTrailer t = q.Trailer();
    c.apply(t);
    q.SetTrailer(t);
    EXPECT_FALSE(Verify(q.bytes));
  }
}

TEST_F(PackageIntegrity, ShortcutRecordWithWrongTotal) {
  SamplePackage p;
  PackageTrailer t = p.Trailer();
  ShortcutHeader first;
  std::memcpy(&first, p.bytes.data() + t.shortcutListOffset, sizeof first);
  first.total += 1;
  std::memcpy(p.bytes.data() + t.shortcutListOffset, &first, sizeof first);
  EXPECT_FALSE(Verify(p.bytes));
}

TEST_F(PackageIntegrity, MissingFile) { EXPECT_FALSE(VerifyPackageIntegrity(folder.Wide(L"nothing.exe"))); }

// The copy loop over a real package: every file lands byte for byte.
class CollectingSink : public CopySink {
 public:
  std::vector<std::wstring> copied;
  int asked = 0;
  bool ended = false;
  void ReportCopied(const std::wstring& path) override { copied.push_back(path); }
  int AskRetry(const std::wstring&) override { return ++asked, RETRY_GIVE_UP; }
  void ReportEnd() override { ended = true; }
};

TEST_F(PackageIntegrity, CopyLoopExtractsASoundPackage) {
  SamplePackage p;
  TempFolder::WriteBytes(folder.Child("setup.exe"), Bytes(p.bytes.begin(), p.bytes.end()));
  PackageFile package;
  ASSERT_TRUE(package.Open(folder.Wide(L"setup.exe"), 0));
  PackageSource source(package);
  CollectingSink sink;
  CopyOutcome out = RunCopyLoop(folder.Wide(L"Product"), source, sink);
  EXPECT_EQ(out.extracted, 6);
  EXPECT_EQ(sink.asked, 0);
  EXPECT_TRUE(sink.ended);
  ASSERT_EQ(sink.copied.size(), 6u);
  EXPECT_EQ(sink.copied[1], folder.Wide(L"Product") + L"\\bin\\p.exe");
  EXPECT_EQ(TempFolder::ReadBytes(folder.Child("Product") / "bin" / "p.exe"), ToBytes(p.program));
  EXPECT_TRUE(TempFolder::ReadBytes(folder.Child("Product") / "empty.txt").empty());
  EXPECT_EQ(TempFolder::ReadBytes(folder.Child("Product") / "uninst.exe"), ToBytes("uninstaller"));
}

}  // namespace
}  // namespace wizard
