// A file handle with the effects the package reader and the install record
// rely on, over Win32 (CreateFileW, SetFilePointer, ReadFile, WriteFile) and
// POSIX (open, lseek, read, write): absolute positioning, exact byte counts,
// creation dispositions and, on Windows, share modes. Paths are wide strings
// as on Windows; on POSIX a backslash in a path is a folder separator.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class Access { Read, ReadWrite };
// Windows share modes; POSIX has no mandatory locks and ignores them.
enum class Share { None, Read, ReadWrite };
enum class Disposition { OpenExisting, CreateAlways, CreateNew };

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens with sequential-scan access; closes any file held first.
  bool Open(const std::wstring& path, Access access, Share share, Disposition disposition);
  // Creates the file, or empties an existing one, for writing, in one
  // system call: the way an extracted file is made. On Windows it is Open
  // with ReadWrite, no sharing and CreateAlways; on POSIX it opens no FIFO
  // that nobody reads, a folder at the path fails as on Windows, and no
  // read-ahead advice is given.
  bool Create(const std::wstring& path);
  bool IsOpen() const;
  void Close();

  // Absolute position from the start of the file.
  bool Seek(std::int64_t offset);
  // Position relative to the end (distance <= 0); the new position goes to *position.
  bool SeekFromEnd(std::int64_t distance, std::int64_t* position = nullptr);
  // Reads up to size bytes at the current position; *got is the count read.
  bool Read(void* buffer, std::uint32_t size, std::uint32_t* got);
  // Writes size bytes at the current position; *written is the count written.
  bool Write(const void* buffer, std::uint32_t size, std::uint32_t* written);
  // Size of the file, or -1.
  std::int64_t Size() const;

 private:
#ifdef _WIN32
  void* handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(-1));
#else
  int fd_ = -1;
#endif
};

// Creates one folder level; false when it could not be created (an existing folder included).
bool CreateFolder(const std::wstring& path);

// What a path names now, the path itself looked at (a link is not
// followed). Link: a reparse point on Windows (junction, symbolic link,
// mount point), a symbolic link on POSIX. A drive root names a folder when
// the drive exists.
enum class PathKind { Missing, Folder, File, Link };
PathKind KindOf(const std::wstring& path);

// Whether writing at folder\relative would go through a link below folder:
// a level on the way down from folder to folder\relative (that one
// included) exists as a link. The first level that does not exist ends the
// look. relative is backslash-separated, without a leading backslash.
bool LinkOnTheWay(const std::wstring& folder, const std::wstring& relative);

// True when a file or folder of that name exists.
bool PathExists(const std::wstring& path);
// Removes a file; false when it is not there or cannot be removed.
bool RemoveFile(const std::wstring& path);
// Moves a file over another one (replacing it).
bool RenameFile(const std::wstring& from, const std::wstring& to);

// The path as the operating system takes it: on POSIX, UTF-8 with '/' for '\'.
#ifndef _WIN32
std::string NativePath(const std::wstring& path);
#endif

}  // namespace platform
