#include "package/package_place.h"

#include <cstring>

#include "platform/file.h"

namespace {

constexpr std::int64_t kTrailerSize = static_cast<std::int64_t>(sizeof(PackageTrailer));
constexpr int kMaxPadding = 7;

// The headers that lead to the security directory, as they lie in the file.
constexpr std::uint16_t kDosMagic = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeMagic = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::int64_t kNewHeaderPointer = 0x3C;  // e_lfanew in the DOS header
constexpr std::int64_t kCoffHeaderSize = 20;
constexpr std::uint32_t kSecurityDirectory = 4;

struct CoffHeader {
  std::uint16_t machine;
  std::uint16_t sectionCount;
  std::uint32_t timeDateStamp;
  std::uint32_t symbolTable;
  std::uint32_t symbolCount;
  std::uint16_t optionalHeaderSize;
  std::uint16_t characteristics;
};
static_assert(sizeof(CoffHeader) == kCoffHeaderSize, "COFF file header is 20 bytes");

struct DataDirectory {
  std::uint32_t address;  // for the security directory: a file offset
  std::uint32_t size;
};
static_assert(sizeof(DataDirectory) == 8, "a data directory entry is 8 bytes");

// Where the optional header keeps its directory count and the directories.
struct OptionalLayout {
  std::int64_t directoryCount;
  std::int64_t directories;
};
constexpr OptionalLayout kPe32Layout{92, 96};
constexpr OptionalLayout kPe32PlusLayout{108, 112};

bool ReadAt(platform::File& file, std::int64_t offset, void* out, std::uint32_t size) {
  std::uint32_t got = 0;
  return offset >= 0 && file.Seek(offset) && file.Read(out, size, &got) && got == size;
}

bool TrailerAt(platform::File& file, std::int64_t offset, PackageTrailer& trailer) {
  return ReadAt(file, offset, &trailer, sizeof trailer) && trailer.magic == PKG_MAGIC;
}

}  // namespace

bool ReadImageFacts(platform::File& file, ImageFacts& facts) {
  facts = ImageFacts();
  std::uint16_t dosMagic = 0;
  std::uint32_t peOffset = 0;
  if (!ReadAt(file, 0, &dosMagic, sizeof dosMagic) || dosMagic != kDosMagic) return false;
  if (!ReadAt(file, kNewHeaderPointer, &peOffset, sizeof peOffset)) return false;
  std::uint32_t peMagic = 0;
  CoffHeader coff;
  if (!ReadAt(file, peOffset, &peMagic, sizeof peMagic) || peMagic != kPeMagic) return false;
  if (!ReadAt(file, std::int64_t{peOffset} + 4, &coff, sizeof coff)) return false;
  const std::int64_t optional = std::int64_t{peOffset} + 4 + kCoffHeaderSize;
  std::uint16_t optionalMagic = 0;
  if (coff.optionalHeaderSize < sizeof optionalMagic || !ReadAt(file, optional, &optionalMagic, sizeof optionalMagic)) {
    return false;
  }
  OptionalLayout layout;
  if (optionalMagic == kPe32Magic) {
    facts.kind = StubKind::Pe32;
    layout = kPe32Layout;
  } else if (optionalMagic == kPe32PlusMagic) {
    facts.kind = StubKind::Pe32Plus;
    layout = kPe32PlusLayout;
  } else {
    return false;
  }
  // An image without a security directory slot is simply unsigned.
  std::uint32_t directoryCount = 0;
  const std::int64_t security = layout.directories + kSecurityDirectory * std::int64_t{sizeof(DataDirectory)};
  if (coff.optionalHeaderSize < security + std::int64_t{sizeof(DataDirectory)}) return true;
  if (!ReadAt(file, optional + layout.directoryCount, &directoryCount, sizeof directoryCount) ||
      directoryCount <= kSecurityDirectory) {
    return true;
  }
  DataDirectory directory;
  if (!ReadAt(file, optional + security, &directory, sizeof directory)) return true;
  if (directory.address != 0 && directory.size != 0) {
    facts.certificateOffset = directory.address;
    facts.certificateSize = directory.size;
  }
  return true;
}

bool LocatePackage(platform::File& file, PackagePlace& place) {
  place = PackagePlace();
  const std::int64_t size = file.Size();
  if (size < kTrailerSize) return false;
  if (TrailerAt(file, size - kTrailerSize, place.trailer)) {
    place.trailerOffset = size - kTrailerSize;
    return true;
  }
  // Signed: the certificate table must end the file, or it is not the
  // signature the trailer was placed before.
  ImageFacts facts;
  if (!ReadImageFacts(file, facts) || facts.certificateSize == 0 ||
      facts.certificateOffset + facts.certificateSize != size) {
    return false;
  }
  unsigned char padding[kMaxPadding];
  const std::int64_t table = facts.certificateOffset;
  for (int pad = 0; pad <= kMaxPadding; ++pad) {
    const std::int64_t offset = table - pad - kTrailerSize;
    if (offset < 0) break;
    if (pad > 0) {
      // Only zero bytes stand between the trailer and the table.
      if (!ReadAt(file, table - pad, padding, static_cast<std::uint32_t>(pad))) return false;
      if (padding[0] != 0) return false;
    }
    if (TrailerAt(file, offset, place.trailer)) {
      place.trailerOffset = offset;
      place.beforeSignature = true;
      return true;
    }
  }
  place = PackagePlace();
  return false;
}
