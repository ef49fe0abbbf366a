#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "com/stream.h"
#include "win32/path.h"
#include "win32/text.h"

namespace {

HRESULT FromErrno(int err) {
  switch (err) {
    case ENOENT: return STG_E_FILENOTFOUND;
    case ENOTDIR: return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return STG_E_ACCESSDENIED;
    case ENOSPC: return STG_E_MEDIUMFULL;
    case EMFILE:
    case ENFILE: return STG_E_TOOMANYOPENFILES;
    case ENOMEM: return STG_E_INSUFFICIENTMEMORY;
    default: return STG_E_UNKNOWN;
  }
}

class FileStream final : public com::ComObject<IStream> {
 public:
  FileStream(int fd, DWORD mode, std::u16string name) : fd_(fd), mode_(mode), name_(std::move(name)) {}
  ~FileStream() override { ::close(fd_); }

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    if ((mode_ & 3) == STGM_WRITE) return STG_E_ACCESSDENIED;
    ULONG done = 0;
    while (done < cb) {
      ssize_t n = ::read(fd_, static_cast<char*>(pv) + done, cb - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return STG_E_READFAULT;
      if (n == 0) break;
      done += static_cast<ULONG>(n);
    }
    if (pcbRead) *pcbRead = done;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (!pv && cb) return STG_E_INVALIDPOINTER;
    if ((mode_ & 3) == STGM_READ) return STG_E_ACCESSDENIED;
    ULONG done = 0;
    while (done < cb) {
      ssize_t n = ::write(fd_, static_cast<const char*>(pv) + done, cb - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        if (pcbWritten) *pcbWritten = done;
        return errno == ENOSPC ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
      }
      done += static_cast<ULONG>(n);
    }
    if (pcbWritten) *pcbWritten = done;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin > STREAM_SEEK_END) return STG_E_INVALIDFUNCTION;
    off_t at = ::lseek(fd_, static_cast<off_t>(move.QuadPart), kWhence[origin]);
    if (at < 0) return STG_E_INVALIDFUNCTION;
    if (newPosition) newPosition->QuadPart = static_cast<ULONGLONG>(at);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override {
    if ((mode_ & 3) == STGM_READ) return STG_E_ACCESSDENIED;
    if (::ftruncate(fd_, static_cast<off_t>(newSize.QuadPart)) != 0) return FromErrno(errno);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                   ULARGE_INTEGER* pcbWritten) override {
    ULONGLONG r = 0, w = 0;
    HRESULT hr = com::CopyStream(this, target, cb.QuadPart, &r, &w);
    if (pcbRead) pcbRead->QuadPart = r;
    if (pcbWritten) pcbWritten->QuadPart = w;
    return hr;
  }

  // Every Write has already handed its bytes to the system, which is all a
  // file stream's Commit promises: readers see them, and forcing them to
  // the disk as well would cost a sync for every file an export writes.
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }

  HRESULT STDMETHODCALLTYPE Stat(STATSTG* st, DWORD flag) override {
    if (!st) return STG_E_INVALIDPOINTER;
    *st = STATSTG{};
    struct stat sb {};
    if (::fstat(fd_, &sb) != 0) return FromErrno(errno);
    st->type = STGTY_STREAM;
    st->cbSize.QuadPart = static_cast<ULONGLONG>(sb.st_size);
    st->grfMode = mode_;
    if (!(flag & STATFLAG_NONAME)) {
      st->pwcsName = com::TaskMemString(name_);
      if (!st->pwcsName) return STG_E_INSUFFICIENTMEMORY;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  int fd_;
  DWORD mode_;
  std::u16string name_;
};

}  // namespace

HRESULT SHCreateStreamOnFileW(LPCWSTR path, DWORD grfMode, IStream** ppstm) {
  if (!ppstm) return E_INVALIDARG;
  *ppstm = nullptr;
  if (!path || !*path) return STG_E_INVALIDNAME;
  static constexpr int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR, O_RDWR};
  int flags = kAccess[grfMode & 3] | O_CLOEXEC;
  if (grfMode & STGM_CREATE) {
    if ((grfMode & 3) == STGM_READ) return STG_E_INVALIDFLAG;
    flags |= O_CREAT | O_TRUNC;
  }
  const std::filesystem::path file = win32::MapPath(path);
  int fd = ::open(file.c_str(), flags, 0644);
  if (fd < 0) {
    HRESULT hr = FromErrno(errno);
    std::error_code ec;
    if (hr == STG_E_FILENOTFOUND && !std::filesystem::is_directory(file.parent_path(), ec))
      hr = STG_E_PATHNOTFOUND;
    return hr;
  }
  struct stat sb {};
  if (::fstat(fd, &sb) != 0 || S_ISDIR(sb.st_mode)) {
    ::close(fd);
    return STG_E_ACCESSDENIED;
  }
  *ppstm = com::Make<FileStream>(fd, grfMode, win32::Utf8ToUtf16(file.filename().string())).Detach();
  return S_OK;
}
