#include "win32/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "file_errors.h"
#include "win32/path.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace win32 {

DWORD PathError(int err, const fs::path& path) {
  if (err != ENOENT) return ErrorFromErrno(err);
  fs::path parent = path.parent_path();
  if (parent.empty()) parent = ".";
  struct stat st {};
  return (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool IsReadOnlyMode(unsigned mode) { return (mode & 0222) == 0; }

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_), access_(other.access_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    access_ = other.access_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

DWORD File::Open(std::u16string_view windowsPath, FileMode mode, bool* existed) {
  return OpenPosix(MapPath(windowsPath), mode, existed);
}

namespace {

// open(2) without O_CREAT first, so that the caller learns whether the file
// existed and nothing is created or truncated before the checks.
int OpenFd(const fs::path& path, int accessFlags, bool mayCreate, bool mustCreate, bool& existed) {
  const int base = accessFlags | O_CLOEXEC;
  for (;;) {
    if (!mustCreate) {
      const int fd = ::open(path.c_str(), base);
      if (fd >= 0 || errno != ENOENT || !mayCreate) {
        existed = fd >= 0;
        return fd;
      }
    }
    const int fd = ::open(path.c_str(), base | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST || mustCreate) {
      existed = fd < 0 && errno == EEXIST;
      return fd;
    }
  }  // created by someone else in between: open it as existing
}

}  // namespace

DWORD File::OpenPosix(const fs::path& path, FileMode mode, bool* existed) {
  Close();
  const bool writes = mode.access != FileAccess::Read;
  const bool truncate = mode.creation == FileCreation::CreateAlways || mode.creation == FileCreation::TruncateExisting;
  if (truncate && !writes) return ERROR_INVALID_PARAMETER;
  const int accessFlags = (mode.access == FileAccess::Read    ? O_RDONLY
                           : mode.access == FileAccess::Write ? O_WRONLY
                                                              : O_RDWR) |
                          (mode.append ? O_APPEND : 0);
  const bool mayCreate = mode.creation == FileCreation::CreateAlways || mode.creation == FileCreation::OpenAlways ||
                         mode.creation == FileCreation::CreateNew;
  // A file that may be created or emptied is never reached through a
  // symbolic link: in a folder others can write to, a planted link would
  // make the write land on a file of the link's choosing.
  const int noFollow = mayCreate || truncate ? O_NOFOLLOW : 0;
  bool was = false;
  const int fd = OpenFd(path, accessFlags | noFollow, mayCreate, mode.creation == FileCreation::CreateNew, was);
  if (existed) *existed = was;
  if (fd < 0) {
    const int err = errno;
    if (err == EEXIST) return ERROR_FILE_EXISTS;
    if (err == EISDIR) return ERROR_ACCESS_DENIED;
    struct stat st {};
    if (err == ELOOP && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return ERROR_ACCESS_DENIED;
    return PathError(err, path);
  }
  fd_ = fd;
  access_ = mode.access;
  path_ = path;
  struct stat st {};
  DWORD rc = ERROR_SUCCESS;
  if (::fstat(fd, &st) != 0)
    rc = ErrorFromErrno(errno);
  else if (S_ISDIR(st.st_mode) || (writes && was && IsReadOnlyMode(st.st_mode)))
    rc = ERROR_ACCESS_DENIED;
  else if (truncate && was && ::ftruncate(fd, 0) != 0)
    rc = ErrorFromErrno(errno);
  if (rc != ERROR_SUCCESS) Close();
  return rc;
}

DWORD File::Read(void* buffer, std::size_t size, std::size_t* read) {
  if (read) *read = 0;
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  if (access_ == FileAccess::Write) return ERROR_ACCESS_DENIED;
  auto* p = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd_, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrorFromErrno(errno);
    if (n == 0) break;
    done += std::size_t(n);
  }
  if (read) *read = done;
  return ERROR_SUCCESS;
}

DWORD File::Write(const void* buffer, std::size_t size) {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  if (access_ == FileAccess::Read) return ERROR_ACCESS_DENIED;
  const auto* p = static_cast<const char*>(buffer);
  while (size) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrorFromErrno(errno);
    p += n;
    size -= std::size_t(n);
  }
  return ERROR_SUCCESS;
}

DWORD File::Seek(std::int64_t offset, SeekFrom from, std::uint64_t* position) {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  const off_t pos = ::lseek(fd_, off_t(offset), kWhence[static_cast<int>(from)]);
  if (pos < 0) return ErrorFromErrno(errno);  // before the start: EINVAL
  if (position) *position = std::uint64_t(pos);
  return ERROR_SUCCESS;
}

DWORD File::Length(std::uint64_t* length) const {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return ErrorFromErrno(errno);
  *length = std::uint64_t(st.st_size);
  return ERROR_SUCCESS;
}

DWORD File::SetLength(std::uint64_t length) {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  if (access_ == FileAccess::Read) return ERROR_ACCESS_DENIED;
  return ::ftruncate(fd_, off_t(length)) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

DWORD File::Flush() {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  return ::fsync(fd_) == 0 || errno == EINVAL ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

DWORD File::Close() {
  if (fd_ < 0) return ERROR_SUCCESS;
  const int fd = fd_;
  fd_ = -1;
  return ::close(fd) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

}  // namespace win32

// --- the handle functions ---

namespace {

struct FileHandles {
  std::mutex mutex;
  std::unordered_map<ULONG_PTR, std::shared_ptr<win32::File>> files;
  ULONG_PTR next = 0x2000;
};

FileHandles& Files() {
  static FileHandles t;
  return t;
}

std::shared_ptr<win32::File> FileOf(HANDLE h) {
  FileHandles& t = Files();
  std::lock_guard lock(t.mutex);
  auto it = t.files.find(reinterpret_cast<ULONG_PTR>(h));
  return it == t.files.end() ? nullptr : it->second;
}

// TRUE for success; a failure sets the last error, as Windows does.
BOOL Result(DWORD rc) { return rc == ERROR_SUCCESS ? TRUE : win32::Fail(rc); }

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD, SECURITY_ATTRIBUTES*,
                   DWORD dwCreationDisposition, DWORD, HANDLE) {
  using win32::FileAccess;
  using win32::FileCreation;
  static constexpr FileCreation kCreation[] = {FileCreation::CreateNew, FileCreation::CreateAlways,
                                               FileCreation::OpenExisting, FileCreation::OpenAlways,
                                               FileCreation::TruncateExisting};
  const bool reads = dwDesiredAccess & GENERIC_READ;
  const bool append = (dwDesiredAccess & FILE_APPEND_DATA) && !(dwDesiredAccess & GENERIC_WRITE);
  const bool writes = (dwDesiredAccess & GENERIC_WRITE) || append;
  if (!lpFileName || dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING ||
      (!reads && !writes)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  win32::FileMode mode{reads && writes ? FileAccess::ReadWrite : writes ? FileAccess::Write : FileAccess::Read,
                       kCreation[dwCreationDisposition - 1], append};
  auto file = std::make_shared<win32::File>();
  bool existed = false;
  if (const DWORD rc = file->Open(win32::WideView(lpFileName), mode, &existed); rc != ERROR_SUCCESS) {
    SetLastError(rc);
    return INVALID_HANDLE_VALUE;
  }
  const bool reportExisting = existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  FileHandles& t = Files();
  std::lock_guard lock(t.mutex);
  const ULONG_PTR v = t.next;
  t.next += 4;
  t.files.emplace(v, std::move(file));
  return reinterpret_cast<HANDLE>(v);
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD n, LPDWORD lpRead, LPOVERLAPPED lpOverlapped) {
  if (lpRead) *lpRead = 0;
  if (lpOverlapped) return Result(ERROR_INVALID_PARAMETER);
  auto f = FileOf(hFile);
  if (!f) return Result(ERROR_INVALID_HANDLE);
  std::size_t got = 0;
  const DWORD rc = f->Read(lpBuffer, n, &got);
  if (lpRead) *lpRead = DWORD(got);
  return Result(rc);
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD n, LPDWORD lpWritten, LPOVERLAPPED lpOverlapped) {
  if (lpWritten) *lpWritten = 0;
  if (lpOverlapped) return Result(ERROR_INVALID_PARAMETER);
  auto f = FileOf(hFile);
  if (!f) return Result(ERROR_INVALID_HANDLE);
  const DWORD rc = f->Write(lpBuffer, n);
  if (rc == ERROR_SUCCESS && lpWritten) *lpWritten = n;
  return Result(rc);
}

BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize) {
  auto f = FileOf(hFile);
  if (!f) return Result(ERROR_INVALID_HANDLE);
  std::uint64_t len = 0;
  const DWORD rc = f->Length(&len);
  if (rc == ERROR_SUCCESS && lpFileSize) lpFileSize->QuadPart = LONGLONG(len);
  return Result(rc);
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(hFile, &size)) return INVALID_FILE_SIZE;
  if (lpFileSizeHigh) *lpFileSizeHigh = DWORD(std::uint64_t(size.QuadPart) >> 32);
  return DWORD(size.QuadPart & 0xFFFFFFFF);
}

BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER distance, LARGE_INTEGER* lpNewFilePointer, DWORD dwMoveMethod) {
  auto f = FileOf(hFile);
  if (!f) return Result(ERROR_INVALID_HANDLE);
  if (dwMoveMethod > FILE_END) return Result(ERROR_INVALID_PARAMETER);
  std::uint64_t pos = 0;
  const DWORD rc = f->Seek(distance.QuadPart, static_cast<win32::SeekFrom>(dwMoveMethod), &pos);
  if (rc == ERROR_SUCCESS && lpNewFilePointer) lpNewFilePointer->QuadPart = LONGLONG(pos);
  return Result(rc);
}

BOOL SetEndOfFile(HANDLE hFile) {
  auto f = FileOf(hFile);
  if (!f) return Result(ERROR_INVALID_HANDLE);
  std::uint64_t pos = 0;
  DWORD rc = f->Seek(0, win32::SeekFrom::Current, &pos);
  if (rc == ERROR_SUCCESS) rc = f->SetLength(pos);
  return Result(rc);
}

BOOL FlushFileBuffers(HANDLE hFile) {
  auto f = FileOf(hFile);
  return f ? Result(f->Flush()) : Result(ERROR_INVALID_HANDLE);
}

BOOL CloseHandle(HANDLE hObject) {
  std::shared_ptr<win32::File> f;
  {
    FileHandles& t = Files();
    std::lock_guard lock(t.mutex);
    auto it = t.files.find(reinterpret_cast<ULONG_PTR>(hObject));
    if (it == t.files.end()) return Result(ERROR_INVALID_HANDLE);
    f = std::move(it->second);
    t.files.erase(it);
  }
  return Result(f->Close());
}
