#include "file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace mapi {

FileLock::FileLock(const std::filesystem::path& lockFile) {
  std::error_code ec;
  std::filesystem::create_directories(lockFile.parent_path(), ec);
  fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
  static std::atomic<unsigned> counter{0};
  const auto tmp = path.parent_path() /
                   (".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                    path.filename().string());
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = done == content.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *content = s.str();
  return true;
}

}  // namespace mapi
