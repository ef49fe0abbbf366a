// A binary file opened by a Windows path, for reading and writing; the
// framework's file classes stand on it. Failures come back as Win32 error
// codes (ERROR_SUCCESS on success); nothing throws. Beside it, the Win32
// handle functions over the same object.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "win32/errors.h"
#include "win32/types.h"

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

namespace win32 {

enum class FileAccess { Read, Write, ReadWrite };
// As CreateFileW's dispositions.
enum class FileCreation { OpenExisting, CreateAlways, OpenAlways, CreateNew, TruncateExisting };

struct FileMode {
  FileAccess access = FileAccess::Read;
  FileCreation creation = FileCreation::OpenExisting;
  bool append = false;  // every write goes to the end of the file
};

inline constexpr FileMode kFileRead{FileAccess::Read, FileCreation::OpenExisting, false};
inline constexpr FileMode kFileWrite{FileAccess::Write, FileCreation::CreateAlways, false};  // create or truncate
inline constexpr FileMode kFileReadWrite{FileAccess::ReadWrite, FileCreation::OpenExisting, false};
inline constexpr FileMode kFileAppend{FileAccess::Write, FileCreation::OpenAlways, true};

enum class SeekFrom { Begin, Current, End };

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens a Windows path (MapPath) or a POSIX path; a file already open is
  // closed first. A missing file is ERROR_FILE_NOT_FOUND (its folder missing:
  // ERROR_PATH_NOT_FOUND), a folder or a read-only file opened for writing
  // ERROR_ACCESS_DENIED, CreateNew on an existing file ERROR_FILE_EXISTS.
  // A mode that may create or empty the file never follows a symbolic link
  // in the last part of the path (ERROR_ACCESS_DENIED).
  // *existed tells whether the file was there before.
  DWORD Open(std::u16string_view windowsPath, FileMode mode, bool* existed = nullptr);
  DWORD OpenPosix(const std::filesystem::path& path, FileMode mode, bool* existed = nullptr);
  bool IsOpen() const { return fd_ >= 0; }

  // Up to `size` bytes from the position; *read is 0 at the end.
  DWORD Read(void* buffer, std::size_t size, std::size_t* read);
  // All `size` bytes, or the error.
  DWORD Write(const void* buffer, std::size_t size);
  // A position before the start is ERROR_INVALID_PARAMETER; past the end
  // is allowed (a later write fills the gap with zeros).
  DWORD Seek(std::int64_t offset, SeekFrom from, std::uint64_t* position = nullptr);
  DWORD Length(std::uint64_t* length) const;
  DWORD SetLength(std::uint64_t length);
  // Writes what the system holds for the file to the disk.
  DWORD Flush();
  // ERROR_SUCCESS also when nothing is open.
  DWORD Close();

  // The POSIX path it was opened by.
  const std::filesystem::path& path() const { return path_; }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  FileAccess access_ = FileAccess::Read;
  std::filesystem::path path_;
};

}  // namespace win32

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_APPEND_DATA = 0x00000004u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

// Share modes, attributes and flags are accepted and not enforced. Opening
// an existing file with CREATE_ALWAYS or OPEN_ALWAYS succeeds and sets
// ERROR_ALREADY_EXISTS, as Windows does. Every disposition but OPEN_EXISTING
// refuses a symbolic link as the file's own name (ERROR_ACCESS_DENIED). INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   SECURITY_ATTRIBUTES* lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
// Overlapped I/O is not offered (lpOverlapped must be null).
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped);
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped);
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize);
BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, LARGE_INTEGER* lpNewFilePointer,
                      DWORD dwMoveMethod);
BOOL SetEndOfFile(HANDLE hFile);
BOOL FlushFileBuffers(HANDLE hFile);
// Closes a handle of CreateFileW.
BOOL CloseHandle(HANDLE hObject);
