#include "package/package_parse.h"

#include <cstring>

#include "package/decimal.h"
#include "package/entry_name.h"
#include "package/entry_rule.h"
#include "platform/utf.h"

namespace {

constexpr std::int64_t kEntryHeaderSize = static_cast<std::int64_t>(sizeof(EntryHeader));
constexpr std::int64_t kShortcutHeaderSize = static_cast<std::int64_t>(sizeof(ShortcutHeader));

std::string Label(std::string_view what) { return std::string(what); }

}  // namespace

std::string ShownName(const std::string& text) {
  return platform::IsValidUtf8(text) ? "'" + text + "'" : std::string("(not valid UTF-8)");
}

void PackageParser::Attach(platform::File* file, std::int64_t end) {
  reader_.Attach(file);
  end_ = end;
  fault_ = WalkFault();
}

bool PackageParser::Failed(std::int64_t offset, std::string what) {
  fault_.offset = offset;
  fault_.what = std::move(what);
  return false;
}

bool PackageParser::Need(std::int64_t offset, std::int64_t n, std::string_view what) {
  if (offset < 0 || n < 0 || offset > end_ || n > end_ - offset) {
    return Failed(offset < 0 ? 0 : offset, Label(what) + " (" + Decimal(n) + " bytes at " + Decimal(offset) +
                                               ") runs past the end of the package at " + Decimal(end_));
  }
  return true;
}

bool PackageParser::Header(std::int64_t offset, void* out, std::size_t n, std::string_view what) {
  if (!Need(offset, static_cast<std::int64_t>(n), what)) return false;
  const unsigned char* p = reader_.Peek(offset, n);
  if (!p) return Failed(offset, Label(what) + " cannot be read");
  std::memcpy(out, p, n);
  return true;
}

bool PackageParser::Text(std::int64_t offset, std::int32_t n, std::string& out, std::string_view what) {
  out.assign(static_cast<std::size_t>(n), '\0');
  if (n > 0 && !reader_.ReadAt(offset, out.data(), out.size())) return Failed(offset, Label(what) + " cannot be read");
  return true;
}

bool PackageParser::Info(std::int64_t& pos, std::string texts[5]) {
  PackageInfoHeader h;
  if (!Header(pos, &h, sizeof h, "the info header")) return false;
  std::int64_t sum = 0;
  for (int i = 0; i < 5; ++i) {
    if (h.length[i] < 0) return Failed(pos + 4 + 4 * i, "info text " + Decimal(i + 1) + " has a negative length");
    sum += h.length[i];
  }
  if (sum != h.total) {
    return Failed(pos,
                  "the info total " + Decimal(h.total) + " differs from the sum of the text lengths " + Decimal(sum));
  }
  std::int64_t at = pos + static_cast<std::int64_t>(sizeof h);
  if (!Need(at, h.total, "the info texts")) return false;
  for (int i = 0; i < 5; ++i) {
    if (!Text(at, h.length[i], texts[i], "the info texts")) return false;
    at += h.length[i];
  }
  pos = at;
  return true;
}

bool PackageParser::TypedRecord(std::int64_t& pos, std::int16_t type, std::string_view what, std::string& value,
                                EntryHeader& header) {
  value.clear();
  if (!Header(pos, &header, sizeof header, "the " + Label(what))) return false;
  const std::int64_t at = pos;
  pos += kEntryHeaderSize;
  if (header.type != type) {
    return Failed(at,
                  "expected the " + Label(what) + " (type " + Decimal(type) + "), found type " + Decimal(header.type));
  }
  if (header.nameLength < 0) return Failed(at + 8, "the " + Label(what) + " has a negative length");
  if (!Need(pos, header.nameLength, "the " + Label(what)) ||
      !Text(pos, header.nameLength, value, "the " + Label(what))) {
    return false;
  }
  pos += header.nameLength;
  return true;
}

bool PackageParser::Entry(std::int64_t pos, std::string_view what, ParsedEntry& e) {
  e = ParsedEntry();
  EntryHeader& h = e.header;
  if (!Header(pos, &h, sizeof h, Label(what) + " header")) return false;
  const std::int64_t at = pos + kEntryHeaderSize;
  e.next = at;
  if (h.nameLength < 0 || h.dataLength < 0) return Failed(pos + 8, Label(what) + " has a negative length");
  e.next = at + h.nameLength + h.dataLength;
  if (!Need(at, static_cast<std::int64_t>(h.nameLength) + h.dataLength, what)) return false;
  if (!Text(at, h.nameLength, e.name, what)) return false;
  e.named = true;
  e.dataAt = at + h.nameLength;
  if (const char* fault = EntryHeaderFault(h)) return Failed(pos, Label(what) + " " + ShownName(e.name) + " " + fault);
  std::string why;
  if (!IsSafeEntryName(e.name, &why)) {
    return Failed(at, Label(what) + " " + ShownName(e.name) + " is not a safe name: " + why);
  }
  return true;
}

bool PackageParser::Shortcut(std::int64_t pos, std::string_view what, ParsedShortcut& s) {
  s = ParsedShortcut();
  ShortcutHeader h;
  if (!Header(pos, &h, sizeof h, Label(what) + " header")) return false;
  const std::int64_t at = pos + kShortcutHeaderSize;
  s.next = at;
  std::int64_t sum = 0;
  for (int i = 0; i < 4; ++i) {
    if (h.length[i] < 0) return Failed(pos + 4 * i, Label(what) + " has a negative length");
    sum += h.length[i];
  }
  if (sum != h.total) {
    return Failed(pos + 20,
                  Label(what) + ": total " + Decimal(h.total) + " differs from the sum of its lengths " + Decimal(sum));
  }
  s.next = at + h.total;
  if (!Need(at, h.total, what)) return false;
  std::int64_t text = at;
  for (int i = 0; i < 3; ++i) {
    if (!Text(text, h.length[i], s.texts[i], what)) return false;
    text += h.length[i];
  }
  return true;
}

bool PackageParser::BlobHead(std::int64_t offset, std::string_view what, DataBlob& head) {
  return Header(offset, &head, sizeof head, what);
}

bool PackageParser::Blob(std::int64_t offset, std::int32_t length, BlobSink* sink, std::string_view what,
                         bool inflate) {
  DataBlob head{};
  if (length > kDataBlobHeadSize && !BlobHead(offset, what, head)) return false;
  if (!decoder_.Begin(head, length, sink, inflate)) {
    return Failed(offset + decoder_.FaultOffset(), Label(what) + ": " + decoder_.Fault());
  }
  std::int64_t at = offset + kDataBlobHeadSize;
  const std::int64_t end = offset + length;
  while (at < end) {
    const std::int64_t left = end - at;
    const std::size_t want = left < static_cast<std::int64_t>(platform::FileReader::kCapacity)
                                 ? static_cast<std::size_t>(left)
                                 : platform::FileReader::kCapacity;
    std::size_t got = 0;
    const unsigned char* p = reader_.Next(at, want, &got);
    if (!p) return Failed(at, Label(what) + ": cannot be read");
    if (!decoder_.Feed(p, got) && sink) break;
    at += static_cast<std::int64_t>(got);
  }
  if (!decoder_.Finish()) return Failed(offset + decoder_.FaultOffset(), Label(what) + ": " + decoder_.Fault());
  return true;
}
