#include "desktop.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "win32/machine.h"

namespace fs = std::filesystem;

namespace win32::desktop {

namespace {

// The desktop folder, made private first: whoever reaches a window's
// socket can send it messages. Nothing is made when the machine root is
// missing. Empty, with errno set and the reason on standard error, when it
// cannot be used.
fs::path Folder() {
  fs::path folder = DesktopFolder();
  std::string problem;
  if (const int err = MakePrivateFolder(folder, &problem)) {
    std::fprintf(stderr, "win32: cannot use the desktop folder %s\n", problem.c_str());
    errno = err;
    return {};
  }
  return folder;
}

fs::path FilePath(DWORD value, const char* what) { return DesktopFolder() / (HexName(value) + "." + what); }

// Fills `addr` for `path`; false (errno ENAMETOOLONG) when it does not fit.
bool MakeAddress(const fs::path& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  const std::string& s = path.native();
  if (s.size() >= sizeof addr.sun_path) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(addr.sun_path, s.data(), s.size());
  return true;
}

}  // namespace

std::string HexName(DWORD value) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(value));
  return buf;
}

fs::path SocketPath(DWORD value) { return FilePath(value, "sock"); }

int Listen(DWORD value) {
  const fs::path folder = Folder();
  if (folder.empty()) return -1;
  sockaddr_un addr;
  if (!MakeAddress(folder / (HexName(value) + ".sock"), addr)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  // bind gives the socket the umask's mode; only the owner may connect,
  // whatever the umask (the umask is the process's, so it is not touched).
  // Nobody else reaches it before: the folder is private.
  if (::chmod(addr.sun_path, 0600) != 0 || ::listen(fd, 128) != 0) {
    int err = errno;
    ::unlink(addr.sun_path);
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

int Connect(DWORD value) {
  sockaddr_un addr;
  if (value == 0 || !MakeAddress(SocketPath(value), addr)) return -1;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  while (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    if (errno == EINTR) continue;
    ::close(fd);
    return -1;
  }
  return fd;
}

bool Probe(DWORD value) {
  int fd = Connect(value);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool Publish(DWORD value, const char* what, const std::string& utf8) {
  const fs::path target = FilePath(value, what);
  fs::path temp = target;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << utf8;
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  return !ec;
}

std::optional<std::string> ReadPublished(DWORD value, const char* what) {
  std::ifstream in(FilePath(value, what), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Unpublish(DWORD value) {
  std::error_code ec;
  for (const char* what : {"sock", "title", "class"}) fs::remove(FilePath(value, what), ec);
}

std::vector<DWORD> PublishedWindows() {
  std::vector<DWORD> out;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(DesktopFolder(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != 14 || name.compare(8, 6, ".title") != 0) continue;
    const std::string hex = name.substr(0, 8);
    if (hex.find_first_not_of("0123456789abcdef") != std::string::npos) continue;
    if (DWORD v = static_cast<DWORD>(std::stoul(hex, nullptr, 16))) out.push_back(v);
  }
  return out;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::size_t ReadAll(int fd, void* data, std::size_t size) {
  char* p = static_cast<char*>(data);
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::recv(fd, p + got, size - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

}  // namespace win32::desktop
