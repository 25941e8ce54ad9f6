#include "package_bytes.h"

#include <zlib.h>

#include <cstring>

namespace hardening {
namespace {

// Where the laid PE image keeps its security directory: DOS header of 64
// bytes, "PE\0\0" at 64, COFF header at 68, optional header (224 bytes) at
// 88, whose data directories begin at 88 + 96; the security directory is the
// fifth.
constexpr std::size_t kImageSize = 88 + 224;
constexpr std::size_t kSecurityDirectory = 88 + 96 + 4 * 8;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

void Add32(Bytes& b, std::uint32_t v) {
  b.resize(b.size() + 4);
  Put32(b, b.size() - 4, v);
}

void Add(Bytes& b, std::string_view text) { b.insert(b.end(), text.begin(), text.end()); }

void AddEntryHeader(Bytes& b, std::int16_t type, std::size_t name, std::size_t data) {
  b.resize(b.size() + 8, 0);
  Put16(b, b.size() - 8, static_cast<std::uint16_t>(type));
  Add32(b, static_cast<std::uint32_t>(name));
  Add32(b, data ? static_cast<std::uint32_t>(name) : 0);
  Add32(b, static_cast<std::uint32_t>(data));
}

Bytes PeImage() {
  Bytes b(kImageSize, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 64);
  std::memcpy(b.data() + 64, "PE\0\0", 4);
  Put16(b, 68, 0x14C);     // i386
  Put16(b, 68 + 16, 224);  // optional header size
  Put16(b, 88, 0x10B);     // PE32
  Put32(b, 88 + 92, 16);   // data directories
  return b;
}

}  // namespace

Bytes Blob(std::string_view contents, std::int32_t rawDelta, std::string_view tail) {
  uLongf size = compressBound(static_cast<uLong>(contents.size()));
  Bytes stream(size);
  compress2(stream.data(), &size, reinterpret_cast<const Bytef*>(contents.data()), static_cast<uLong>(contents.size()),
            6);
  stream.resize(size);
  Add(stream, tail);
  Bytes blob;
  Add32(blob, ~static_cast<std::uint32_t>(crc32(0xFFFFFFFFul, stream.data(), static_cast<uInt>(stream.size()))));
  Add32(blob, static_cast<std::uint32_t>(static_cast<std::int32_t>(contents.size()) + rawDelta));
  blob.insert(blob.end(), stream.begin(), stream.end());
  return blob;
}

Bytes LaidPackage::Lay() const {
  Bytes b = PeImage();
  const auto here = [&b] { return static_cast<std::uint32_t>(b.size()); };
  const std::uint32_t info = here();
  std::uint32_t total = 0;
  for (const std::string& t : texts) total += static_cast<std::uint32_t>(t.size());
  Add32(b, total + static_cast<std::uint32_t>(infoTotalDelta));
  for (const std::string& t : texts) Add32(b, static_cast<std::uint32_t>(t.size()));
  for (const std::string& t : texts) Add(b, t);
  AddEntryHeader(b, recordTypes[0], mainProgram.size(), 0);
  Add(b, mainProgram);
  AddEntryHeader(b, recordTypes[1], recordFile.size(), 0);
  Add(b, recordFile);
  const std::uint32_t infoLength = here() - info;
  const std::uint32_t pictureAt = picture.empty() ? 0 : here();
  b.insert(b.end(), picture.begin(), picture.end());
  const std::uint32_t agreementAt = here();
  b.insert(b.end(), agreement.begin(), agreement.end());
  const std::uint32_t entriesAt = here();
  for (const LaidEntry& e : entries) {
    AddEntryHeader(b, e.type, e.name.size(), e.data.size());
    Add(b, e.name);
    b.insert(b.end(), e.data.begin(), e.data.end());
  }
  const std::uint32_t shortcutsAt = here();
  for (const LaidShortcut& s : shortcuts) {
    const std::string_view texts4[4] = {s.menu, s.target, s.description, ""};
    std::uint32_t sum = 0;
    for (const std::string_view t : texts4) {
      Add32(b, static_cast<std::uint32_t>(t.size()));
      sum += static_cast<std::uint32_t>(t.size());
    }
    Add32(b, 0);
    Add32(b, sum + static_cast<std::uint32_t>(s.totalDelta));
    for (const std::string_view t : texts4) Add(b, t);
  }
  for (const std::uint32_t word :
       {info, infoLength + (shortcutsAt - entriesAt) + static_cast<std::uint32_t>(countedDelta), 0x12030416u, entriesAt,
        static_cast<std::uint32_t>(entries.size()), shortcutsAt, static_cast<std::uint32_t>(shortcuts.size()),
        pictureAt, static_cast<std::uint32_t>(picture.size()), agreementAt,
        static_cast<std::uint32_t>(agreement.size())}) {
    Add32(b, word);
  }
  return b;
}

Bytes Signed(Bytes installer, int padding) {
  installer.resize(installer.size() + static_cast<std::size_t>(padding), 0);
  const auto table = static_cast<std::uint32_t>(installer.size());
  Add(installer, std::string_view("\x18\0\0\0\0\x02\x02\0signature bytes!", 24));
  Put32(installer, kSecurityDirectory, table);
  Put32(installer, kSecurityDirectory + 4, 24);
  return installer;
}

}  // namespace hardening
