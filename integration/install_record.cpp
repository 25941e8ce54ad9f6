#include "integration/install_record.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "package/byte_buffer.h"
#include "package/package_layout.h"
#include "platform/utf.h"

InstallRecord* g_pInstallRecord = nullptr;

namespace {

// Attempts to open the record file for appending, and the wait between two.
constexpr int kAppendAttempts = 21;
constexpr int kAppendRetryMs = 100;

}  // namespace

InstallRecord::InstallRecord() = default;

InstallRecord::~InstallRecord() { file_.Close(); }

bool InstallRecord::Open(const std::wstring& path, int mode) {
  file_.Close();
  std::memset(&block_, 0, sizeof block_);
  mode_ = mode;

  if (mode != 0) {
    // The record file is installed already; it is never created here, and
    // nobody else may open it while the record holds it. One that exists but
    // is held by someone else (a virus scanner often holds a freshly written
    // program for a moment) is tried again for about two seconds.
    int attempt = 1;
    while (!file_.Open(path, platform::Access::ReadWrite, platform::Share::None, platform::Disposition::OpenExisting)) {
      if (attempt++ == kAppendAttempts || !platform::PathExists(path)) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(kAppendRetryMs));
    }
    std::int64_t end = 0;
    if (!file_.SeekFromEnd(0, &end)) return false;
    block_.recordOffset = static_cast<std::uint32_t>(end);
    block_.magic = PKG_MAGIC;
    return true;
  }

  if (!file_.Open(path, platform::Access::Read, platform::Share::ReadWrite, platform::Disposition::OpenExisting))
    return false;
  std::uint32_t got = 0;
  const std::int64_t size = file_.Size();
  if (size < kInstallRecordSize || !file_.SeekFromEnd(-kInstallRecordSize) ||
      !file_.Read(&block_, kInstallRecordSize, &got) || got != kInstallRecordSize) {
    std::memset(&block_, 0, sizeof block_);
    return false;
  }
  const size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos && slash > 0) {
    folder_ = path.substr(0, slash + 1);
    fileName_ = path.substr(slash + 1);
  } else {
    folder_ = path;
    fileName_.clear();
  }
  return true;
}

bool InstallRecord::SetNames(const std::wstring& startMenuFolder, const std::wstring& productName,
                             const std::wstring& autostartLink) {
  ByteBuffer utf8;
  const std::wstring* names[3] = {&startMenuFolder, &productName, &autostartLink};
  char* slots[3] = {block_.startMenuFolder, block_.productName, block_.autostartLink};
  for (int i = 0; i < 3; ++i) {
    if (names[i]->empty()) continue;
    utf8.FromWide(*names[i]);
    if (utf8.Length() < kInstallRecordNameSlot) {
      std::memcpy(slots[i], utf8.Data(), static_cast<size_t>(utf8.Length()));
      slots[i][utf8.Length()] = '\0';
    }
  }
  return true;
}

bool InstallRecord::Close() {
  if (!file_.IsOpen()) return true;
  if (mode_ != 0) {
    std::uint32_t written = 0;
    if (file_.SeekFromEnd(0)) file_.Write(&block_, kInstallRecordSize, &written);
  }
  file_.Close();
  return true;
}

bool InstallRecord::HasMagic() const { return block_.magic == PKG_MAGIC; }

std::wstring InstallRecord::StartMenuFolder() const { return integration::SlotText(block_.startMenuFolder); }
std::wstring InstallRecord::ProductName() const { return integration::SlotText(block_.productName); }
std::wstring InstallRecord::AutostartLink() const { return integration::SlotText(block_.autostartLink); }

namespace integration {

void CloseInstallRecord() {
  if (g_pInstallRecord == nullptr) return;
  g_pInstallRecord->Close();
  delete g_pInstallRecord;
  g_pInstallRecord = nullptr;
}

std::wstring SlotText(const char (&slot)[kInstallRecordNameSlot]) {
  const void* zero = std::memchr(slot, 0, kInstallRecordNameSlot);
  const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - slot) : kInstallRecordNameSlot;
  return platform::Utf8ToWide(std::string_view(slot, length));
}

std::wstring RecordFilePath(const std::wstring& installFolder, const std::wstring& recordFileName) {
  std::wstring path = installFolder;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + recordFileName;
}

}  // namespace integration
