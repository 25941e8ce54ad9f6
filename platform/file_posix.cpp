// POSIX side of the file layer: open/lseek/read/write on UTF-8 paths in which
// a backslash stands for the folder separator. POSIX has no share modes.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/file.h"
#include "platform/utf.h"

namespace platform {

std::string NativePath(const std::wstring& path) {
  std::string bytes = WideToUtf8(path);
  for (char& c : bytes) {
    if (c == '\\') c = '/';
  }
  return bytes;
}

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool File::Open(const std::wstring& path, Access access, Share /*share*/, Disposition disposition) {
  Close();
  int flags = (access == Access::ReadWrite) ? O_RDWR : O_RDONLY;
  switch (disposition) {
    case Disposition::OpenExisting:
      break;
    case Disposition::CreateAlways:
      flags |= O_CREAT | O_TRUNC;
      break;
    case Disposition::CreateNew:
      flags |= O_CREAT | O_EXCL;
      break;
  }
  flags |= O_CLOEXEC;
  const std::string native = NativePath(path);
  int fd;
  do {
    fd = ::open(native.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  // Only regular files are files here (CreateFileW on a folder fails too).
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  fd_ = fd;
  return true;
}

bool File::Create(const std::wstring& path) {
  Close();
  // Write-only and non-blocking: a FIFO without a reader fails (ENXIO)
  // instead of blocking, a folder fails (EISDIR); a regular file is
  // unaffected by O_NONBLOCK.
  const std::string native = NativePath(path);
  int fd;
  do {
    fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  fd_ = fd;
  return true;
}

bool File::IsOpen() const { return fd_ >= 0; }

void File::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

bool File::Seek(std::int64_t offset) {
  if (fd_ < 0 || offset < 0) return false;
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

bool File::SeekFromEnd(std::int64_t distance, std::int64_t* position) {
  if (fd_ < 0 || distance > 0) return false;
  const off_t at = ::lseek(fd_, static_cast<off_t>(distance), SEEK_END);
  if (at < 0) return false;
  if (position) *position = at;
  return true;
}

bool File::Read(void* buffer, std::uint32_t size, std::uint32_t* got) {
  if (got) *got = 0;
  if (fd_ < 0) return false;
  // Like ReadFile on a file: keep reading until size bytes or the end.
  std::uint32_t done = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (done < size) {
    const ssize_t n = ::read(fd_, out + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (got) *got = done;
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  if (got) *got = done;
  return true;
}

bool File::Write(const void* buffer, std::uint32_t size, std::uint32_t* written) {
  if (written) *written = 0;
  if (fd_ < 0) return false;
  std::uint32_t done = 0;
  const auto* in = static_cast<const unsigned char*>(buffer);
  while (done < size) {
    const ssize_t n = ::write(fd_, in + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      return false;
    }
    if (n == 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  if (written) *written = done;
  return done == size;
}

std::int64_t File::Size() const {
  if (fd_ < 0) return -1;
  struct stat st;
  if (::fstat(fd_, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

bool CreateFolder(const std::wstring& path) { return ::mkdir(NativePath(path).c_str(), 0755) == 0; }

PathKind KindOf(const std::wstring& path) {
  struct stat st;
  if (::lstat(NativePath(path).c_str(), &st) != 0) return PathKind::Missing;
  if (S_ISLNK(st.st_mode)) return PathKind::Link;
  return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}

bool PathExists(const std::wstring& path) {
  struct stat st;
  return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool RemoveFile(const std::wstring& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool RenameFile(const std::wstring& from, const std::wstring& to) {
  return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0;
}

}  // namespace platform

#endif  // !_WIN32
