// verify on damaged installers: each fault is found, named and placed at
// its byte offset; a sound installer passes.
#include <gtest/gtest.h>

#include <cstring>

#include "builder/installer_build.h"
#include "builder/package_scan.h"
#include "builder/package_verify.h"
#include "package/package_checksum.h"
#include "package/package_writer.h"
#include "test_support.h"

namespace {

using namespace buildertest;

class DamagedInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "payload/bin/Demo.exe", "MZ" + RandomBytes(4000, 5));
    WriteFile(dir / "payload/ab.txt", std::string(3000, 'q'));
    WriteFile(dir / "LICENSE.txt", "许可\n");
    builder::BuildOptions options;
    options.manifest = WriteManifest(dir.path(), "license = \"LICENSE.txt\"\nmain_program = 'bin\\Demo.exe'\n",
                                     "[[shortcut]]\nmenu = 'Demo\\Demo'\ntarget = 'bin\\Demo.exe'\n");
    options.stub = MakeStub(dir.path());
    options.output = dir / "sound.exe";
    builder::BuildResult result;
    std::string error;
    ASSERT_TRUE(builder::BuildInstaller(options, result, error)) << error;
    bytes = ReadFile(dir / "sound.exe");
    builder::ScanFault fault;
    ASSERT_TRUE(builder::ScanPackage(dir / "sound.exe", builder::ScanOptions{}, scan, fault)) << fault.what;
    end = static_cast<std::int64_t>(bytes.size()) - 44;
  }

  // Verifies the damaged bytes; returns the fault.
  builder::ScanFault Verify(const std::string& damaged) {
    WriteFile(dir / "damaged.exe", damaged);
    std::string summary;
    builder::ScanFault fault;
    EXPECT_FALSE(builder::VerifyInstaller(dir / "damaged.exe", summary, fault)) << summary;
    return fault;
  }

  void PutWord(std::string& s, std::int64_t at, std::int32_t value) { std::memcpy(&s[at], &value, 4); }
  std::int32_t Word(std::int64_t at) const {
    std::int32_t v;
    std::memcpy(&v, &bytes[at], 4);
    return v;
  }
  // Offset of a file entry's blob ("bin\Demo.exe" is entry 3: ab.txt, bin, bin\Demo.exe).
  std::int64_t BlobOf(std::size_t entry) const {
    return scan.entries[entry].offset + 20 + static_cast<std::int64_t>(scan.entries[entry].name.size());
  }

  TempDir dir;
  std::string bytes;
  builder::PackageScan scan;
  std::int64_t end = 0;
};

TEST_F(DamagedInstaller, SoundInstallerPasses) {
  std::string summary;
  builder::ScanFault fault;
  EXPECT_TRUE(builder::VerifyInstaller(dir / "sound.exe", summary, fault)) << fault.what;
  EXPECT_NE(summary.find("sound: 1 folders, 2 files (7002 bytes), 1 shortcuts"), std::string::npos) << summary;
  ASSERT_EQ(scan.entries.size(), 3u);
  EXPECT_EQ(scan.entries[2].name, "bin\\Demo.exe");
}

TEST_F(DamagedInstaller, FlippedByteInAFileBlob) {
  const std::int64_t blob = BlobOf(2);
  std::string damaged = bytes;
  damaged[blob + 8 + scan.entries[2].dataLength / 2] ^= 0x01;
  builder::ScanFault fault = Verify(damaged);
  EXPECT_EQ(fault.offset, blob);
  EXPECT_NE(fault.what.find("entry 3 'bin\\Demo.exe': checksum"), std::string::npos) << fault.what;
}

TEST_F(DamagedInstaller, FlippedByteWithAMatchingChecksumFailsToDecode) {
  const std::int64_t blob = BlobOf(0);
  std::string damaged = bytes;
  damaged[blob + 8 + 2] ^= 0x55;  // inside the deflate data
  const std::uint32_t sum = PackageChecksum(&damaged[blob + 8], scan.entries[0].dataLength - 8);
  std::memcpy(&damaged[blob], &sum, 4);
  builder::ScanFault fault = Verify(damaged);
  EXPECT_GE(fault.offset, blob);
  EXPECT_LE(fault.offset, blob + scan.entries[0].dataLength);
  EXPECT_NE(fault.what.find("entry 1 'ab.txt'"), std::string::npos) << fault.what;
}

TEST_F(DamagedInstaller, RawLengthThatDiffersFromTheStream) {
  std::string damaged = bytes;
  PutWord(damaged, BlobOf(0) + 4, 3001);
  builder::ScanFault fault = Verify(damaged);
  EXPECT_EQ(fault.offset, BlobOf(0) + 4);
  EXPECT_NE(fault.what.find("decodes to 3000 bytes, the raw length says 3001"), std::string::npos) << fault.what;
  PutWord(damaged, BlobOf(0) + 4, 2999);
  fault = Verify(damaged);
  EXPECT_NE(fault.what.find("more than its raw length"), std::string::npos) << fault.what;
}

TEST_F(DamagedInstaller, FlippedByteInTheAgreement) {
  std::string damaged = bytes;
  damaged[scan.trailer.agreementOffset + 10] ^= 0x20;
  builder::ScanFault fault = Verify(damaged);
  EXPECT_EQ(fault.offset, scan.trailer.agreementOffset);
  EXPECT_NE(fault.what.find("the agreement block: checksum"), std::string::npos) << fault.what;
}

TEST_F(DamagedInstaller, TruncatedFiles) {
  builder::ScanFault fault = Verify(bytes.substr(0, bytes.size() - 7));
  EXPECT_EQ(fault.offset, end - 7 + 8);
  EXPECT_NE(fault.what.find("trailer word 2"), std::string::npos) << fault.what;
  fault = Verify(bytes.substr(0, 30));
  EXPECT_EQ(fault.offset, 0);
  EXPECT_NE(fault.what.find("shorter than the 44-byte trailer"), std::string::npos);
  // Cut inside the entries but with the trailer kept: the walk runs out.
  std::string cut = bytes.substr(0, BlobOf(2) + 10) + bytes.substr(bytes.size() - 44);
  fault = Verify(cut);
  EXPECT_NE(fault.what.find("runs past the end of the package"), std::string::npos) << fault.what;
}

TEST_F(DamagedInstaller, WrongTrailerWords) {
  std::string damaged = bytes;
  PutWord(damaged, end + 8, 0x12030417);
  builder::ScanFault fault = Verify(damaged);
  EXPECT_EQ(fault.offset, end + 8);
  EXPECT_NE(fault.what.find("0x12030417"), std::string::npos) << fault.what;

  damaged = bytes;
  PutWord(damaged, end + 4, Word(end + 4) + 1);
  fault = Verify(damaged);
  EXPECT_EQ(fault.offset, end + 4);
  EXPECT_NE(fault.what.find("trailer word 1"), std::string::npos) << fault.what;

  damaged = bytes;
  PutWord(damaged, end + 12, Word(end + 12) + 20);
  fault = Verify(damaged);
  EXPECT_EQ(fault.offset, end + 12);
  EXPECT_NE(fault.what.find("the entry list starts at"), std::string::npos) << fault.what;

  damaged = bytes;
  PutWord(damaged, end + 16, Word(end + 16) - 1);
  fault = Verify(damaged);
  EXPECT_NE(fault.what.find("the entry list ends at"), std::string::npos) << fault.what;

  damaged = bytes;
  PutWord(damaged, end + 24, Word(end + 24) + 1);
  fault = Verify(damaged);
  EXPECT_NE(fault.what.find("shortcut record 2 header"), std::string::npos) << fault.what;

  damaged = bytes;
  PutWord(damaged, end + 36, -5);
  fault = Verify(damaged);
  EXPECT_EQ(fault.offset, end + 36);
  EXPECT_NE(fault.what.find("trailer word 9 is negative"), std::string::npos) << fault.what;
}

TEST_F(DamagedInstaller, InfoAndShortcutTotals) {
  std::string damaged = bytes;
  PutWord(damaged, scan.trailer.infoOffset, Word(scan.trailer.infoOffset) + 1);
  builder::ScanFault fault = Verify(damaged);
  EXPECT_EQ(fault.offset, scan.trailer.infoOffset);
  EXPECT_NE(fault.what.find("info total"), std::string::npos) << fault.what;

  damaged = bytes;
  const std::int64_t shortcut = scan.shortcuts[0].offset;
  PutWord(damaged, shortcut + 20, Word(shortcut + 20) - 1);
  fault = Verify(damaged);
  EXPECT_EQ(fault.offset, shortcut + 20);
  EXPECT_NE(fault.what.find("shortcut record 1: total"), std::string::npos) << fault.what;

  damaged = bytes;
  std::int64_t record = scan.trailer.infoOffset + 24 + Word(scan.trailer.infoOffset);
  damaged[record] = 17;  // main-program record with the wrong type
  fault = Verify(damaged);
  EXPECT_EQ(fault.offset, record);
  EXPECT_NE(fault.what.find("expected the main-program record (type 16), found type 17"), std::string::npos);
}

TEST_F(DamagedInstaller, UnsafeNamesAndUnknownTypes) {
  std::string damaged = bytes;
  damaged[scan.entries[0].offset + 20] = '\\';  // "ab.txt" becomes "\b.txt"
  builder::ScanFault fault = Verify(damaged);
  EXPECT_EQ(fault.offset, scan.entries[0].offset + 20);
  EXPECT_NE(fault.what.find("is not a safe name"), std::string::npos) << fault.what;

  damaged = bytes;
  damaged[scan.entries[1].offset] = 5;
  fault = Verify(damaged);
  EXPECT_EQ(fault.offset, scan.entries[1].offset);
  EXPECT_NE(fault.what.find("has type 5"), std::string::npos) << fault.what;
}

TEST(VerifyOrder, SiblingsOutOfOrderAndCaseTwins) {
  TempDir dir;
  for (const auto& pair : {std::pair<const char*, const char*>{"b.txt", "a.txt"}, {"A.txt", "a.txt"}}) {
    std::vector<std::uint8_t> bytes = {'M', 'Z'};
    VectorSink sink(bytes);
    PackageWriter writer(sink);
    ASSERT_TRUE(writer.WriteInfo(PackageTexts{"D", "", "", "", ""}, "", ""));
    ASSERT_TRUE(writer.WriteAgreement({}));
    ASSERT_TRUE(writer.AddFile(pair.first, MakeDataBlob("1", 1)));
    ASSERT_TRUE(writer.AddFile(pair.second, MakeDataBlob("2", 1)));
    ASSERT_TRUE(writer.Finish()) << writer.Error();
    WriteFile(dir / "p.exe", std::string(bytes.begin(), bytes.end()));
    std::string summary;
    builder::ScanFault fault;
    EXPECT_FALSE(builder::VerifyInstaller(dir / "p.exe", summary, fault));
    EXPECT_NE(fault.what.find("out of order"), std::string::npos) << fault.what;
  }
}

}  // namespace
