#include "uninstall/package_deploy.h"

#include <vector>

#include "package/blob_decoder.h"
#include "package/name_fold.h"
#include "platform/file.h"
#include "uninstall/uninstall_list.h"
#include "uninstall/uninstall_list_layout.h"

namespace uninstall {
namespace {

// Keeps the last kept bytes of what it is given (at least, and at most twice
// as many while it runs).
class TailSink : public BlobSink {
 public:
  explicit TailSink(std::size_t kept) : kept_(kept) {}
  bool Put(const unsigned char* data, std::size_t size) override {
    bytes_.append(reinterpret_cast<const char*>(data), size);
    if (bytes_.size() > 2 * kept_) bytes_.erase(0, bytes_.size() - kept_);
    return true;
  }
  const std::uint8_t* Data() const { return reinterpret_cast<const std::uint8_t*>(bytes_.data()); }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::size_t kept_;
  std::string bytes_;
};

// Decodes the blob of dataLength bytes at dataAt into sink.
bool DecodeAt(platform::File& file, std::int64_t dataAt, std::int32_t dataLength, BlobSink& sink) {
  DataBlob head{};
  std::uint32_t got = 0;
  if (dataLength <= kDataBlobHeadSize || !file.Seek(dataAt) || !file.Read(&head, sizeof head, &got) ||
      got != sizeof head)
    return false;
  BlobDecoder decoder;
  if (!decoder.Begin(head, dataLength, &sink)) return false;
  std::vector<unsigned char> piece(64 * 1024);
  for (std::int64_t left = dataLength - kDataBlobHeadSize; left > 0; left -= got) {
    const auto want = static_cast<std::uint32_t>(left < std::int64_t(piece.size()) ? left : std::int64_t(piece.size()));
    if (!file.Read(piece.data(), want, &got) || got != want) return false;
    if (!decoder.Feed(piece.data(), got)) return false;
  }
  return decoder.Finish();
}

}  // namespace

DeployStatus ReadPackageDeploy(platform::File& file, const PackageFacts& facts, DeployFacts& deploy) {
  deploy = DeployFacts();
  if (facts.recordFile.empty()) return DeployStatus::NotCarried;
  const WalkedEntry* record = nullptr;
  const std::string key = FoldName(facts.recordFile);
  for (const WalkedEntry& e : facts.entries) {
    if (e.type == PKG_ENTRY_FILE && FoldName(e.name) == key) record = &e;
  }
  if (record == nullptr || record->dataLength == 0) return DeployStatus::NotCarried;

  TailSink tail(UNL_MAX_BLOCK);
  const std::int64_t dataAt =
      record->offset + static_cast<std::int64_t>(sizeof(EntryHeader)) + static_cast<std::int64_t>(record->name.size());
  if (!DecodeAt(file, dataAt, record->dataLength, tail)) return DeployStatus::Damaged;
  UninstallList list;
  switch (ParseUninstallList(tail.Data(), tail.Size(), list)) {
    case ListError::None:
      break;
    case ListError::NoBlock:
      return DeployStatus::NotCarried;
    default:
      return DeployStatus::Damaged;
  }
  if (!list.deploy.Present()) return DeployStatus::NotCarried;
  deploy = list.deploy;
  return DeployStatus::Carried;
}

std::uint64_t InstalledBytes(const PackageFacts& facts) {
  std::uint64_t bytes = 0;
  for (const WalkedEntry& e : facts.entries) {
    if (e.type == PKG_ENTRY_FILE && e.rawLength > 0) bytes += static_cast<std::uint64_t>(e.rawLength);
  }
  return bytes;
}

}  // namespace uninstall
