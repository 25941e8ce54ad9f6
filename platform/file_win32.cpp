// Win32 side of the file layer: CreateFileW with the caller's share mode and
// creation disposition and FILE_FLAG_SEQUENTIAL_SCAN, absolute positioning
// with SetFilePointerEx, exact byte counts from ReadFile and WriteFile.
#ifdef _WIN32

#include <windows.h>

#include "platform/file.h"

namespace platform {

namespace {

HANDLE AsHandle(void* h) { return static_cast<HANDLE>(h); }

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

bool File::Open(const std::wstring& path, Access access, Share share, Disposition disposition) {
  Close();
  const DWORD desired = (access == Access::ReadWrite) ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
  DWORD shareMode = 0;
  switch (share) {
    case Share::None:
      shareMode = 0;
      break;
    case Share::Read:
      shareMode = FILE_SHARE_READ;
      break;
    case Share::ReadWrite:
      shareMode = FILE_SHARE_READ | FILE_SHARE_WRITE;
      break;
  }
  DWORD creation = OPEN_EXISTING;
  switch (disposition) {
    case Disposition::OpenExisting:
      creation = OPEN_EXISTING;
      break;
    case Disposition::CreateAlways:
      creation = CREATE_ALWAYS;
      break;
    case Disposition::CreateNew:
      creation = CREATE_NEW;
      break;
  }
  HANDLE h = ::CreateFileW(path.c_str(), desired, shareMode, nullptr, creation, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  handle_ = h;
  return true;
}

bool File::Create(const std::wstring& path) {
  return Open(path, Access::ReadWrite, Share::None, Disposition::CreateAlways);
}

bool File::IsOpen() const { return AsHandle(handle_) != INVALID_HANDLE_VALUE; }

void File::Close() {
  if (IsOpen()) {
    ::CloseHandle(AsHandle(handle_));
    handle_ = INVALID_HANDLE_VALUE;
  }
}

bool File::Seek(std::int64_t offset) {
  if (!IsOpen() || offset < 0) return false;
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return ::SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN) != 0;
}

bool File::SeekFromEnd(std::int64_t distance, std::int64_t* position) {
  if (!IsOpen() || distance > 0) return false;
  LARGE_INTEGER to;
  to.QuadPart = distance;
  LARGE_INTEGER at;
  if (!::SetFilePointerEx(AsHandle(handle_), to, &at, FILE_END)) return false;
  if (position) *position = at.QuadPart;
  return true;
}

bool File::Read(void* buffer, std::uint32_t size, std::uint32_t* got) {
  if (got) *got = 0;
  if (!IsOpen()) return false;
  DWORD n = 0;
  const BOOL ok = ::ReadFile(AsHandle(handle_), buffer, size, &n, nullptr);
  if (got) *got = n;
  return ok != 0;
}

bool File::Write(const void* buffer, std::uint32_t size, std::uint32_t* written) {
  if (written) *written = 0;
  if (!IsOpen()) return false;
  DWORD n = 0;
  const BOOL ok = ::WriteFile(AsHandle(handle_), buffer, size, &n, nullptr);
  if (written) *written = n;
  return ok != 0 && n == size;
}

std::int64_t File::Size() const {
  if (!IsOpen()) return -1;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(AsHandle(handle_), &size)) return -1;
  return size.QuadPart;
}

bool CreateFolder(const std::wstring& path) { return ::CreateDirectoryW(path.c_str(), nullptr) != 0; }

PathKind KindOf(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  // A junction, a symbolic link (to a folder or a file) or a mounted volume.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return PathKind::Link;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool RemoveFile(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != 0; }

bool RenameFile(const std::wstring& from, const std::wstring& to) {
  return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace platform

#endif  // _WIN32
