#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <string>

#include "package/byte_buffer.h"
#include "package/package_checksum.h"
#include "package/package_writer.h"
#include "test_support.h"

using pkgtest::Bytes;

namespace {

std::string Held(const ByteBuffer& b) {
  return std::string(reinterpret_cast<const char*>(b.Data()), static_cast<std::size_t>(b.Length()));
}

// A blob with the given head fields around a stream of our own choosing.
Bytes Blob(const Bytes& stream, std::int32_t rawLength, bool goodChecksum = true) {
  pkgtest::ByteBuilder b;
  const std::uint32_t sum = PackageChecksum(stream.data(), stream.size());
  b.U32(goodChecksum ? sum : sum ^ 1u).I32(rawLength).Raw(stream);
  return b.Get();
}

Bytes ZlibStream(const std::string& text, int level) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  Bytes out(size);
  compress2(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()), level);
  out.resize(size);
  return out;
}

void Load(ByteBuffer& buffer, const Bytes& bytes) {
  ASSERT_TRUE(buffer.Assign(bytes.data(), static_cast<int>(bytes.size())));
}

}  // namespace

TEST(ByteBuffer, EmptyBuffer) {
  ByteBuffer b;
  EXPECT_EQ(b.Data(), nullptr);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Capacity(), 0);
  EXPECT_EQ(b.At(0), nullptr);
  std::wstring out = L"old";
  b.ToWide(out);
  EXPECT_TRUE(out.empty());
  b.Clear();  // no storage: nothing to zero
  EXPECT_EQ(b.Data(), nullptr);
  EXPECT_FALSE(b.Inflate());
}

TEST(ByteBuffer, AssignGrowsOnlyWhenFull) {
  ByteBuffer b;
  b.Assign("abc", 3);
  EXPECT_EQ(b.Capacity(), 4);
  EXPECT_EQ(b.Data()[3], 0);
  unsigned char* first = b.Data();
  b.Assign("xyz", 3);  // 3 < capacity 4: same storage
  EXPECT_EQ(b.Data(), first);
  EXPECT_EQ(Held(b), "xyz");
  b.Assign("wxyz", 4);  // 4 >= capacity: exactly n + 1
  EXPECT_EQ(b.Capacity(), 5);
  b.Assign("pq", 2);
  EXPECT_EQ(b.Capacity(), 5);
  EXPECT_EQ(Held(b), "pq");
  EXPECT_EQ(b.Data()[2], 0);
}

TEST(ByteBuffer, AssignOfNothingKeepsTheBytes) {
  ByteBuffer b;
  b.Assign("abc", 3);
  b.Assign("zzz", 0);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Capacity(), 4);
  EXPECT_EQ(b.Data()[0], 'a') << "no terminator written for n <= 0";
  b.Assign("zzz", -5);
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Data()[0], 'a');
}

TEST(ByteBuffer, ClearAndAt) {
  ByteBuffer b;
  b.Assign("abc", 3);
  EXPECT_EQ(b.At(-1), nullptr);
  EXPECT_EQ(b.At(3), nullptr);
  ASSERT_NE(b.At(2), nullptr);
  EXPECT_EQ(*b.At(2), 'c');
  b.Clear();
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Capacity(), 4);
  EXPECT_EQ(b.Data()[0], 0);
  EXPECT_EQ(b.At(0), nullptr);
}

TEST(ByteBuffer, FromWideGrowthAndBytes) {
  ByteBuffer b;
  b.FromWide(L"ab");
  EXPECT_EQ(b.Capacity(), 10);  // 4n + 2
  EXPECT_EQ(Held(b), "ab");
  EXPECT_EQ(b.Data()[2], 0);
  b.FromWide(L"x");  // capacity 10 > 4n + 1: kept
  EXPECT_EQ(b.Capacity(), 10);
  b.FromWide(L"\x4E2D\x6587");  // 中文: 2 units, 6 bytes; 10 > 9: kept
  EXPECT_EQ(b.Capacity(), 10);
  EXPECT_EQ(Held(b), "\xE4\xB8\xAD\xE6\x96\x87");
  b.FromWide(L"abc");  // capacity 10 <= 13: grows to 14
  EXPECT_EQ(b.Capacity(), 14);
  b.FromWide(L"");
  EXPECT_EQ(b.Length(), 0);
  EXPECT_EQ(b.Capacity(), 14);
  EXPECT_EQ(b.Data()[0], 0);
}

TEST(ByteBuffer, ToWideConvertsAndStopsAtZero) {
  ByteBuffer b;
  b.Assign("\xE5\xAE\x89\xE8\xA3\x85", 6);  // 安装
  std::wstring out;
  b.ToWide(out);
  EXPECT_EQ(out, L"\x5B89\x88C5");
  b.Assign("ab\0cd", 5);
  b.ToWide(out);
  EXPECT_EQ(out, L"ab") << "the text is taken as a zero-terminated string";
  b.Assign(
      "a\xFF"
      "b",
      3);
  b.ToWide(out);
  EXPECT_EQ(out,
            L"a\xFFFD"
            L"b");
}

TEST(ByteBuffer, InflateDecodesABlob) {
  const std::string text = "installer text, installer text, installer text";
  const Bytes blob = MakeDataBlob(text.data(), text.size());
  ByteBuffer b;
  Load(b, blob);
  ASSERT_TRUE(b.Inflate());
  EXPECT_EQ(Held(b), text);
  EXPECT_EQ(b.Data()[b.Length()], 0);
}

TEST(ByteBuffer, InflateAcceptsAnyZlibLevelAndEmptyContents) {
  const std::string text(500, 'q');
  ByteBuffer b;
  Load(b, Blob(ZlibStream(text, 9), 500));
  ASSERT_TRUE(b.Inflate());
  EXPECT_EQ(Held(b), text);
  // An empty stream with raw length 0 decodes to nothing, 0-terminated.
  Load(b, Blob(ZlibStream("", 6), 0));
  ASSERT_TRUE(b.Inflate());
  EXPECT_EQ(b.Length(), 0);
  ASSERT_NE(b.Data(), nullptr);
  EXPECT_EQ(b.Data()[0], 0);
}

// The one rule of every blob: longer than its head, checksum, a whole valid
// stream ending at the blob's last byte, exactly the raw length.
TEST(ByteBuffer, InflateFailuresLeaveTheBufferUnchanged) {
  const std::string text(300, 'z');
  const Bytes good = Blob(ZlibStream(text, 6), 300);
  Bytes truncatedStream = ZlibStream(text, 6);
  truncatedStream.resize(truncatedStream.size() - 3);
  Bytes badAdler = ZlibStream(text, 6);
  badAdler.back() ^= 0xFF;
  Bytes trailing = ZlibStream(text, 6);
  trailing.push_back(0);
  const Bytes cases[] = {
      Bytes(good.begin(), good.begin() + 8),  // head only
      Blob(ZlibStream(text, 6), 300, false),  // checksum mismatch
      Blob(ZlibStream(text, 6), 299),         // more data than the raw length
      Blob(ZlibStream(text, 6), 301),         // less data than the raw length
      Blob(ZlibStream("", 6), 5),             // nothing, where 5 bytes were promised
      Blob(truncatedStream, 300),             // stream ends early
      Blob(badAdler, 300),                    // Adler-32 wrong
      Blob(trailing, 300),                    // a byte after the stream's end
      Blob({'p', 'l', 'a', 'i', 'n'}, 5),     // not a zlib stream
      Blob(ZlibStream(text, 6), -1),          // negative raw length
      Blob(ZlibStream(text, 6), 0x7FFFFFFF),  // a raw length nothing backs: no allocation of it
  };
  int i = 0;
  for (const Bytes& blob : cases) {
    ByteBuffer b;
    Load(b, blob);
    EXPECT_FALSE(b.Inflate()) << "case " << i;
    EXPECT_EQ(b.Length(), static_cast<int>(blob.size())) << "case " << i;
    EXPECT_EQ(0, std::memcmp(b.Data(), blob.data(), blob.size())) << "case " << i;
    ++i;
  }
}
