#include "win32/errors.h"

#include <cerrno>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

namespace win32 {

DWORD ErrorFromErrno(int err) {
  struct Row {
    int err;
    DWORD code;
  };
  static constexpr Row kRows[] = {
      {0, ERROR_SUCCESS},
      {ENOENT, ERROR_FILE_NOT_FOUND},
      {ENOTDIR, ERROR_PATH_NOT_FOUND},
      {EACCES, ERROR_ACCESS_DENIED},
      {EPERM, ERROR_ACCESS_DENIED},
      {EROFS, ERROR_WRITE_PROTECT},
      {EEXIST, ERROR_FILE_EXISTS},
      {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
      {EISDIR, ERROR_ACCESS_DENIED},
      {EBADF, ERROR_INVALID_HANDLE},
      {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
      {EINVAL, ERROR_INVALID_PARAMETER},
      {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
      {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
      {ENOSPC, ERROR_DISK_FULL},
      {EXDEV, ERROR_NOT_SAME_DEVICE},
      {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
      {EBUSY, ERROR_BUSY},
      {EPIPE, ERROR_BROKEN_PIPE},
      {ENOTSUP, ERROR_NOT_SUPPORTED},
      {ETIMEDOUT, ERROR_TIMEOUT},
      {ENETUNREACH, ERROR_NETWORK_UNREACHABLE},
      {ELOOP, ERROR_CANTOPEN},
  };
  for (const Row& r : kRows)
    if (r.err == err) return r.code;
  return ERROR_INVALID_FUNCTION;
}

BOOL FailFromErrno(int err) { return Fail(ErrorFromErrno(err)); }

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

}  // namespace win32
