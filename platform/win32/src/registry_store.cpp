#include "registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "win32/errors.h"
#include "win32/machine.h"

namespace win32::reg {

namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Identifies one version of the file: a write replaces the inode, a hand
// edit changes size or modification time.
struct Stamp {
  std::string path;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  long long mtimeNs = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::string& path, const struct stat& st) {
  return {path, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

struct Cache {
  std::mutex mutex;
  Stamp stamp;
  Snapshot tree;
  std::string problem;  // the parse error of `stamp`, when it did not parse
};

Cache& TheCache() {
  static Cache c;
  return c;
}

bool ReadAll(int fd, std::string& out) {
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buf, std::size_t(n));
  }
}

bool WriteAll(int fd, std::string_view s) {
  while (!s.empty()) {
    const ssize_t n = ::write(fd, s.data(), s.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    s.remove_prefix(std::size_t(n));
  }
  return true;
}

// Reads and parses the file unless the cache already holds this version.
LONG LoadPath(const std::string& path, Snapshot& out, std::string* problem) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0) {
    if (errno != ENOENT) return LONG(ErrorFromErrno(errno));
    out = std::make_shared<const Key>();
    return ERROR_SUCCESS;
  }
  if (::fstat(fd.get(), &st) != 0) return LONG(ErrorFromErrno(errno));
  const Stamp stamp = StampOf(path, st);
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  if (!(cache.stamp == stamp)) {
    std::string bytes;
    if (!ReadAll(fd.get(), bytes)) return LONG(ErrorFromErrno(errno));
    auto tree = std::make_shared<Key>();
    ParseError err;
    cache.stamp = stamp;
    cache.problem.clear();
    cache.tree = nullptr;
    if (Parse(bytes, *tree, err)) {
      cache.tree = std::move(tree);
    } else {
      cache.problem = path + ":" + std::to_string(err.line) + ": " + err.message;
      std::fprintf(stderr, "%s\n", cache.problem.c_str());
    }
  }
  if (!cache.tree) {
    if (problem) *problem = cache.problem;
    return LONG(ERROR_BADDB);
  }
  out = cache.tree;
  return ERROR_SUCCESS;
}

// Writes `text` beside `path` and renames it over `path`.
LONG Replace(const std::string& path, const std::string& text, Snapshot tree) {
  const std::string tmp = path + ".new";
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) return LONG(ErrorFromErrno(errno));
  struct stat st {};
  if (!WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0 || ::fstat(fd.get(), &st) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    return LONG(ErrorFromErrno(err));
  }
  if (::close(fd.release()) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    return LONG(ErrorFromErrno(err));
  }
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  cache.stamp = StampOf(path, st);
  cache.tree = std::move(tree);
  cache.problem.clear();
  return ERROR_SUCCESS;
}

}  // namespace

LONG Load(Snapshot& out, std::string* problem) { return LoadPath(RegistryFile().string(), out, problem); }

LONG Update(const std::function<LONG(Key& top, bool& changed)>& edit) {
  const std::string path = RegistryFile().string();
  // The lock lives in its own file: registry.reg itself is replaced by
  // every write, so a lock on it would not be shared.
  Fd lockFd(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (lockFd.get() < 0) return LONG(ErrorFromErrno(errno) == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND
                                                                                  : ErrorFromErrno(errno));
  while (::flock(lockFd.get(), LOCK_EX) != 0)
    if (errno != EINTR) return LONG(ErrorFromErrno(errno));
  Snapshot current;
  if (const LONG rc = LoadPath(path, current, nullptr); rc != ERROR_SUCCESS) return rc;
  auto next = std::make_shared<Key>(*current);
  bool changed = false;
  const LONG rc = edit(*next, changed);
  if (!changed) return rc;
  const std::string text = Format(*next);
  if (const LONG wrc = Replace(path, text, std::move(next)); wrc != ERROR_SUCCESS) return wrc;
  return rc;
}

}  // namespace win32::reg
