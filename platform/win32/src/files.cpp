#include "win32/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "file_errors.h"
#include "win32/file.h"
#include "win32/machine.h"
#include "win32/path.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace {

BOOL FailOn(int err, const fs::path& p) { return win32::Fail(win32::PathError(err, p)); }

// A Windows path argument; an empty one names nothing.
bool Mapped(LPCWSTR windowsPath, fs::path& out) {
  out = win32::MapPath(windowsPath);
  return !out.empty();
}

// The process's file mode creation mask, read without changing it (other
// threads may be creating files).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// Copies an open source into `dst`; on failure the target is removed. The
// copy takes the source's mode as far as the umask lets it, as cp does: a
// copy of a mail file is no more readable to others than a file made anew.
DWORD CopyContents(win32::File& src, const struct stat& srcSt, const fs::path& dst, bool failIfExists) {
  win32::File out;
  const win32::FileMode mode{win32::FileAccess::Write,
                             failIfExists ? win32::FileCreation::CreateNew : win32::FileCreation::CreateAlways, false};
  if (const DWORD rc = out.OpenPosix(dst, mode); rc != ERROR_SUCCESS)
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : rc;
  std::vector<char> buf(1 << 18);
  DWORD rc = ERROR_SUCCESS;
  for (;;) {
    std::size_t got = 0;
    if ((rc = src.Read(buf.data(), buf.size(), &got)) != ERROR_SUCCESS || got == 0) break;
    if ((rc = out.Write(buf.data(), got)) != ERROR_SUCCESS) break;
  }
  if (rc == ERROR_SUCCESS) {
    const struct timespec times[2] = {srcSt.st_atim, srcSt.st_mtim};
    if (::futimens(out.fd(), times) != 0 || ::fchmod(out.fd(), srcSt.st_mode & 07777 & ~CurrentUmask()) != 0)
      rc = win32::ErrorFromErrno(errno);
  }
  if (const DWORD closeRc = out.Close(); rc == ERROR_SUCCESS) rc = closeRc;
  if (rc != ERROR_SUCCESS) ::unlink(dst.c_str());
  return rc;
}

DWORD CopyPath(const fs::path& from, const fs::path& to, bool failIfExists) {
  win32::File src;
  if (const DWORD rc = src.OpenPosix(from, win32::kFileRead); rc != ERROR_SUCCESS) return rc;
  struct stat srcSt {}, dstSt {};
  if (::fstat(src.fd(), &srcSt) != 0) return win32::ErrorFromErrno(errno);
  if (::stat(to.c_str(), &dstSt) == 0) {
    // Checked before anything is truncated: a file copied onto itself
    // would otherwise be emptied.
    if (dstSt.st_dev == srcSt.st_dev && dstSt.st_ino == srcSt.st_ino) return ERROR_SHARING_VIOLATION;
    if (failIfExists) return ERROR_FILE_EXISTS;
    if (S_ISDIR(dstSt.st_mode) || win32::IsReadOnlyMode(dstSt.st_mode)) return ERROR_ACCESS_DENIED;
  }
  return CopyContents(src, srcSt, to, failIfExists);
}

}  // namespace

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  fs::path p;
  if (!Mapped(lpPathName, p)) return win32::Fail(ERROR_PATH_NOT_FOUND);
  if (::mkdir(p.c_str(), 0777) == 0) return TRUE;
  if (errno == EEXIST) return win32::Fail(ERROR_ALREADY_EXISTS);
  return win32::Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win32::ErrorFromErrno(errno));
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
  fs::path p;
  if (!Mapped(lpPathName, p)) return win32::Fail(ERROR_PATH_NOT_FOUND);
  if (::rmdir(p.c_str()) == 0) return TRUE;
  if (errno == ENOTDIR) {
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0) return win32::Fail(ERROR_DIRECTORY);
  }
  return FailOn(errno, p);
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
  fs::path p;
  if (!Mapped(lpFileName, p)) return win32::Fail(ERROR_PATH_NOT_FOUND);
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return FailOn(errno, p);
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && win32::IsReadOnlyMode(st.st_mode)))
    return win32::Fail(ERROR_ACCESS_DENIED);
  return ::unlink(p.c_str()) == 0 ? TRUE : FailOn(errno, p);
}

BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
  fs::path from, to;
  if (!Mapped(lpExistingFileName, from) || !Mapped(lpNewFileName, to)) return win32::Fail(ERROR_PATH_NOT_FOUND);
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) return FailOn(errno, from);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return TRUE;
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {  // a file system without RENAME_NOREPLACE
    struct stat dst {};
    if (::lstat(to.c_str(), &dst) == 0) return win32::Fail(ERROR_ALREADY_EXISTS);
    if (::rename(from.c_str(), to.c_str()) == 0) return TRUE;
    err = errno;
  }
  if (err == EEXIST) return win32::Fail(ERROR_ALREADY_EXISTS);
  if (err == EXDEV && S_ISREG(st.st_mode)) {
    if (const DWORD rc = CopyPath(from, to, true); rc != ERROR_SUCCESS)
      return win32::Fail(rc == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : rc);
    return ::unlink(from.c_str()) == 0 ? TRUE : FailOn(errno, from);
  }
  return win32::Fail(err == ENOENT ? ERROR_PATH_NOT_FOUND : win32::ErrorFromErrno(err));
}

BOOL CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
  fs::path from, to;
  if (!Mapped(lpExistingFileName, from) || !Mapped(lpNewFileName, to)) return win32::Fail(ERROR_PATH_NOT_FOUND);
  const DWORD rc = CopyPath(from, to, bFailIfExists != FALSE);
  return rc == ERROR_SUCCESS ? TRUE : win32::Fail(rc);
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  fs::path p;
  struct stat st {};
  if (!Mapped(lpFileName, p)) {
    win32::Fail(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (::stat(p.c_str(), &st) != 0) {
    FailOn(errno, p);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return win32::IsReadOnlyMode(st.st_mode) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}

BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  fs::path p;
  struct stat st {};
  if (!Mapped(lpFileName, p)) return win32::Fail(ERROR_PATH_NOT_FOUND);
  if (::stat(p.c_str(), &st) != 0) return FailOn(errno, p);
  const mode_t mode = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? (st.st_mode & ~mode_t(0222))
                                                                   : (st.st_mode | S_IWUSR);
  return ::chmod(p.c_str(), mode & 07777) == 0 ? TRUE : FailOn(errno, p);
}

namespace win32 {

DWORD CopyOutText(std::u16string_view text, LPWSTR buffer, DWORD size) {
  const DWORD len = DWORD(text.size());
  if (!buffer || size < len + 1) return len + 1;
  std::memcpy(buffer, text.data(), len * sizeof(WCHAR));
  buffer[len] = 0;
  return len;
}

}  // namespace win32

DWORD GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
  std::error_code ec;
  const fs::path cwd = fs::current_path(ec);
  if (ec) {
    win32::Fail(win32::ErrorFromErrno(ec.value()));
    return 0;
  }
  return win32::CopyOutText(win32::Utf8ToUtf16(cwd.string()), lpBuffer, nBufferLength);
}

BOOL SetCurrentDirectoryW(LPCWSTR lpPathName) {
  fs::path p;
  struct stat st {};
  if (!Mapped(lpPathName, p)) return win32::Fail(ERROR_PATH_NOT_FOUND);
  if (::stat(p.c_str(), &st) != 0) return FailOn(errno, p);
  if (!S_ISDIR(st.st_mode)) return win32::Fail(ERROR_DIRECTORY);
  return ::chdir(p.c_str()) == 0 ? TRUE : FailOn(errno, p);
}

DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  std::string dir;
  if (const char* env = std::getenv("TMPDIR"); env && *env) {
    dir = env;
  } else {
    // The user's own folder, as Windows gives each user a %TEMP% of their own.
    const fs::path temp = win32::TempFolder();
    std::string problem;
    if (const int err = win32::MakePrivateFolder(temp, &problem)) {
      std::fprintf(stderr, "win32: cannot use the temporary folder %s\n", problem.c_str());
      win32::Fail(err == ENOENT ? ERROR_PATH_NOT_FOUND : win32::ErrorFromErrno(err));
      return 0;
    }
    dir = temp.string();
  }
  std::u16string text = win32::Utf8ToUtf16(dir);
  if (text.back() != u'/') text += u'/';
  return win32::CopyOutText(text, lpBuffer, nBufferLength);
}

UINT GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
  std::u16string dir = win32::Utf8ToUtf16(win32::SystemFolder().string());
  while (dir.size() > 1 && dir.back() == u'/') dir.pop_back();
  return win32::CopyOutText(dir, lpBuffer, uSize);
}
