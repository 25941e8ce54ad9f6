#include "laid_package.h"

#include <cstring>
#include <utility>

#include "package/package_writer.h"

namespace support {
namespace {

// The optional header follows the DOS header (64 bytes), "PE\0\0" and the
// COFF header (20 bytes); its fifth data directory is the security directory.
constexpr std::size_t kOptional = 0x58;
constexpr std::size_t kSecurityDirectory = kOptional + 96 + 4 * 8;

void AddEntryHeader(Bytes& b, std::int16_t type, std::size_t name, std::size_t data) {
  Add32(b, static_cast<std::uint16_t>(type));  // the type, 16 bits of 0
  Add32(b, 0);
  Add32(b, static_cast<std::uint32_t>(name));
  Add32(b, data ? static_cast<std::uint32_t>(name) : 0);
  Add32(b, static_cast<std::uint32_t>(data));
}

// Constants, not strings: other files' static objects are made from them.
constexpr const char* kText = "abcabcabc text of d\\f.txt\r\n";
constexpr const char* kChinese = "\xE8\xAF\xB4\xE6\x98\x8E\r\n";  // 说明

}  // namespace

Bytes PeImage() {
  Bytes b(kPeImageSize, 0);
  std::memcpy(b.data(), "MZ", 2);
  std::memcpy(b.data() + 0x40, "PE\0\0", 4);
  // In ascending order, so that a 16-bit field written as a word has its
  // upper zero bytes overwritten by the field after it: the PE header's
  // offset; i386, the optional header's size, executable 32-bit; its magic
  // (at kOptional), image base, section and file alignment, system and subsystem versions,
  // image and header sizes, GUI subsystem, 16 data directories.
  const std::pair<std::size_t, std::uint32_t> words[] = {
      {0x3C, 0x40},  {0x44, 0x14C}, {0x54, 0xE0}, {0x56, 0x102},  {0x58, 0x10B}, {0x74, 0x400000}, {0x78, 0x1000},
      {0x7C, 0x200}, {0x80, 4},     {0x88, 4},    {0x90, 0x1000}, {0x94, 0x200}, {0x9C, 2},        {0xB4, 16}};
  for (const auto& [at, value] : words) Put32(b, at, value);
  return b;
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
  b.insert(b.end(), afterEntries.begin(), afterEntries.end());
  const std::uint32_t shortcutsAt = here();
  for (const LaidShortcut& s : shortcuts) {
    const std::string* four[4] = {&s.menu, &s.target, &s.description, nullptr};
    std::uint32_t sum = 0;
    for (const std::string* t : four) {
      Add32(b, t ? static_cast<std::uint32_t>(t->size()) : 0);
      sum += t ? static_cast<std::uint32_t>(t->size()) : 0;
    }
    Add32(b, 0);
    Add32(b, sum + static_cast<std::uint32_t>(s.totalDelta));
    for (const std::string* t : four) Add(b, t ? *t : "");
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

LaidPackage Sample() {
  LaidPackage p;
  p.texts[0] = "\xE4\xBA\xA7\xE5\x93\x81";             // 产品
  p.texts[4] = "Welcome\r\n\xE6\xAC\xA2\xE8\xBF\x8E";  // 欢迎
  p.mainProgram = "g.bin";
  p.recordFile = "z";
  p.picture = {'P', 'I', 'C'};
  p.agreement = Blob("\xE8\xAE\xB8\xE5\x8F\xAF OK");  // 许可
  const std::string noise(reinterpret_cast<const char*>(Noise(40, 1).data()), 40);
  p.entries = {
      {0, "d", {}},
      {0, "d\\e", {}},
      {8, "d\\f.txt", Blob(kText)},
      {8, "d\\\xE8\xAF\xB4\xE6\x98\x8E.txt", Blob(kChinese)},  // d\说明.txt
      {8, "g.bin", Blob(noise)},
      {8, "z", {}},
  };
  p.shortcuts = {{"\xE4\xBA\xA7\xE5\x93\x81\\S", "g.bin", "D"}};
  return p;
}

std::vector<std::string> SampleContents() {
  return {kText, kChinese, std::string(reinterpret_cast<const char*>(Noise(40, 1).data()), 40), ""};
}

Bytes Written(const LaidPackage& p, std::string* error) {
  Bytes bytes = PeImage();
  VectorSink sink(bytes);
  PackageWriter w(sink);
  bool ok = w.WriteInfo({p.texts[0], p.texts[1], p.texts[2], p.texts[3], p.texts[4]}, p.mainProgram, p.recordFile) &&
            (p.picture.empty() || w.WritePicture(p.picture.data(), p.picture.size())) && w.WriteAgreement(p.agreement);
  for (const LaidEntry& e : p.entries) {
    ok = ok && (e.type == 0 ? w.AddFolder(e.name) : w.AddFile(e.name, e.data));
  }
  for (const LaidShortcut& s : p.shortcuts) ok = ok && w.AddShortcut(s.menu, s.target, s.description);
  ok = ok && w.Finish();
  if (error) *error = w.Error();
  return ok ? bytes : Bytes();
}

Bytes Signed(Bytes installer, int padding) {
  installer.resize(installer.size() + static_cast<std::size_t>(padding), 0);
  const auto table = static_cast<std::uint32_t>(installer.size());
  Add(installer, std::string_view("\x18\0\0\0\0\x02\x02\0signature bytes!", 24));
  Put32(installer, kSecurityDirectory, table);
  Put32(installer, kSecurityDirectory + 4, 24);
  return installer;
}

}  // namespace support
