// The file-system fence of testing/fuzz_fence.h: the C library's calls that
// create, write, rename or remove files, wrapped. A wrapper checks the
// path while the fence is raised and hands an allowed call to the C
// library's own function (found with RTLD_NEXT).
#include "testing/fuzz_fence.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "testing/fuzz.h"
#include "win32/file.h"
#include "win32/files.h"
#include "win32/text.h"

// Defined by libFuzzer, which writes findings.
extern "C" [[gnu::weak]] int LLVMFuzzerRunDriver(int* argc, char*** argv, int (*test)(const std::uint8_t*, std::size_t));

namespace testing_support::fence {

namespace {

std::vector<std::string> g_allowed;  // resolved folders, each ending in "/"
std::atomic<bool> g_raised{false};
thread_local bool t_checking = false;  // the check's own calls pass

// The folder an at-call's path is relative to.
std::string BaseFolder(int dirfd) {
  char buf[PATH_MAX];
  if (dirfd == AT_FDCWD) return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
  const std::string link = "/proc/self/fd/" + std::to_string(dirfd);
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

// Where the path leads: its deepest existing folder resolved, the rest as
// written. `followLast`: a final link counts as where it points. Empty when
// it cannot be told (a ".." past a missing folder counts as such).
std::string Resolve(int dirfd, const char* path, bool followLast) {
  if (!path || !*path) return {};
  std::string full = path[0] == '/' ? std::string(path) : BaseFolder(dirfd) + "/" + path;
  while (full.size() > 1 && full.back() == '/') full.pop_back();
  std::string rest;
  char buf[PATH_MAX];
  if (followLast) {
    if (::realpath(full.c_str(), buf)) return buf;
    // A link that leads nowhere yet: where a create through it would land is not told.
    struct stat st;
    if (::lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return {};
  }
  // The last part unresolved, then each missing folder above it.
  for (;;) {
    const std::size_t slash = full.rfind('/');
    if (slash == std::string::npos) return {};
    const std::string part = full.substr(slash + 1);
    if (part == "..") return {};
    if (part != "." && !part.empty()) rest = "/" + part + rest;
    full.resize(slash);
    if (full.empty()) return rest.empty() ? std::string("/") : rest;
    if (::realpath(full.c_str(), buf)) return std::string(buf) + rest;
  }
}

bool Allowed(int dirfd, const char* path, bool followLast) {
  if (!g_raised.load(std::memory_order_relaxed) || t_checking) return true;
  t_checking = true;
  const std::string where = Resolve(dirfd, path, followLast) + "/";
  t_checking = false;
  for (const std::string& folder : g_allowed)
    if (where.size() > folder.size() && where.compare(0, folder.size(), folder) == 0) return true;
  errno = EACCES;
  return false;
}

bool Writes(int flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_APPEND)) != 0; }
bool Writes(const char* mode) { return mode && std::strpbrk(mode, "wa+") != nullptr; }

template <class F>
F Next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// Opens a folder (and everything under it) to writes while raised.
void Allow(const std::filesystem::path& folder) {
  char buf[PATH_MAX];
  if (!::realpath(folder.c_str(), buf)) testing_support::FuzzFailure("fence: an allowed folder does not exist");
  g_allowed.push_back(std::string(buf) + "/");
}

// The folder of libFuzzer's findings; none where the program replays
// inputs without it.
void AllowArtifacts(int argc, char** argv) {
  if (!LLVMFuzzerRunDriver) return;
  std::filesystem::path folder = std::filesystem::current_path();
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    for (const std::string_view flag : {"-artifact_prefix=", "-exact_artifact_path="}) {
      if (!arg.starts_with(flag)) continue;
      const std::filesystem::path value(arg.substr(flag.size()));
      folder = value.has_filename() ? value.parent_path() : value;
      if (folder.empty()) folder = ".";
    }
  }
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) Allow(folder);
}

// A folder outside every allowed one, for the probe.
std::filesystem::path OutsideFolder() {
  for (const std::filesystem::path& candidate :
       {std::filesystem::temp_directory_path(), std::filesystem::path("/var/tmp"), std::filesystem::path("/")}) {
    char buf[PATH_MAX];
    if (!::realpath(candidate.c_str(), buf)) continue;
    const std::string folder = std::string(buf) + "/";
    bool inside = false;
    for (const std::string& allowed : g_allowed) inside = inside || folder.starts_with(allowed);
    if (!inside) return buf;
  }
  testing_support::FuzzFailure("fence: no folder outside the allowed ones to probe");
}

// A file and a folder made outside while raised, through the platform's
// file functions and the C++ library.
void Probe() {
  const std::filesystem::path outside = OutsideFolder() / ("brackenford-fence-probe-" + std::to_string(::getpid()));
  const std::u16string windowsPath = win32::Utf8ToUtf16(outside.string());
  bool madeFile = false, madeFolder = false;
  {
    Raised raised;
    win32::File file;
    madeFile = file.Open(windowsPath, win32::kFileWrite) == ERROR_SUCCESS;
    std::error_code ec;
    madeFolder = std::filesystem::create_directory(outside.string() + ".d", ec);
  }
  std::error_code ec;
  std::filesystem::remove(outside, ec);
  std::filesystem::remove(outside.string() + ".d", ec);
  if (madeFile || madeFolder) testing_support::FuzzFailure("fence: a write outside the allowed folders went through");
}

}  // namespace

void SetUp(int argc, char** argv, std::initializer_list<std::filesystem::path> folders) {
  if (folders.size() == 0) Allow(testing_support::FuzzMachine().root().parent_path());
  for (const std::filesystem::path& folder : folders) Allow(folder);
  AllowArtifacts(argc, argv);
  Probe();
}

Raised::Raised() { g_raised = true; }
Raised::~Raised() { g_raised = false; }

}  // namespace testing_support::fence

// The wrapped calls. Each open is checked only when it may write.
using testing_support::fence::Allowed;
using testing_support::fence::Next;
using testing_support::fence::Writes;

namespace {

mode_t ModeArg(int flags, va_list args) {
  return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  if (Writes(flags) && !Allowed(AT_FDCWD, path, true)) return -1;
  static const auto real = Next<int (*)(const char*, int, ...)>("open");
  return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  if (Writes(flags) && !Allowed(AT_FDCWD, path, true)) return -1;
  static const auto real = Next<int (*)(const char*, int, ...)>("open64");
  return real(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  if (Writes(flags) && !Allowed(dirfd, path, true)) return -1;
  static const auto real = Next<int (*)(int, const char*, int, ...)>("openat");
  return real(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArg(flags, args);
  va_end(args);
  if (Writes(flags) && !Allowed(dirfd, path, true)) return -1;
  static const auto real = Next<int (*)(int, const char*, int, ...)>("openat64");
  return real(dirfd, path, flags, mode);
}

// The checked forms that fortified callers use for an open without a mode.
int __open_2(const char* path, int flags) { return open(path, flags); }
int __open64_2(const char* path, int flags) { return open64(path, flags); }
int __openat_2(int dirfd, const char* path, int flags) { return openat(dirfd, path, flags); }
int __openat64_2(int dirfd, const char* path, int flags) { return openat64(dirfd, path, flags); }

int creat(const char* path, mode_t mode) { return open(path, O_CREAT | O_WRONLY | O_TRUNC, mode); }
int creat64(const char* path, mode_t mode) { return open64(path, O_CREAT | O_WRONLY | O_TRUNC, mode); }

FILE* fopen(const char* path, const char* mode) {
  if (Writes(mode) && !Allowed(AT_FDCWD, path, true)) return nullptr;
  static const auto real = Next<FILE* (*)(const char*, const char*)>("fopen");
  return real(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
  if (Writes(mode) && !Allowed(AT_FDCWD, path, true)) return nullptr;
  static const auto real = Next<FILE* (*)(const char*, const char*)>("fopen64");
  return real(path, mode);
}

int unlink(const char* path) {
  if (!Allowed(AT_FDCWD, path, false)) return -1;
  static const auto real = Next<int (*)(const char*)>("unlink");
  return real(path);
}

int unlinkat(int dirfd, const char* path, int flags) {
  if (!Allowed(dirfd, path, false)) return -1;
  static const auto real = Next<int (*)(int, const char*, int)>("unlinkat");
  return real(dirfd, path, flags);
}

int remove(const char* path) {
  if (!Allowed(AT_FDCWD, path, false)) return -1;
  static const auto real = Next<int (*)(const char*)>("remove");
  return real(path);
}

int rmdir(const char* path) {
  if (!Allowed(AT_FDCWD, path, false)) return -1;
  static const auto real = Next<int (*)(const char*)>("rmdir");
  return real(path);
}

int mkdir(const char* path, mode_t mode) {
  if (!Allowed(AT_FDCWD, path, false)) return -1;
  static const auto real = Next<int (*)(const char*, mode_t)>("mkdir");
  return real(path, mode);
}

int mkdirat(int dirfd, const char* path, mode_t mode) {
  if (!Allowed(dirfd, path, false)) return -1;
  static const auto real = Next<int (*)(int, const char*, mode_t)>("mkdirat");
  return real(dirfd, path, mode);
}

int rename(const char* from, const char* to) {
  if (!Allowed(AT_FDCWD, from, false) || !Allowed(AT_FDCWD, to, false)) return -1;
  static const auto real = Next<int (*)(const char*, const char*)>("rename");
  return real(from, to);
}

int renameat(int fromFd, const char* from, int toFd, const char* to) {
  if (!Allowed(fromFd, from, false) || !Allowed(toFd, to, false)) return -1;
  static const auto real = Next<int (*)(int, const char*, int, const char*)>("renameat");
  return real(fromFd, from, toFd, to);
}

int renameat2(int fromFd, const char* from, int toFd, const char* to, unsigned flags) {
  if (!Allowed(fromFd, from, false) || !Allowed(toFd, to, false)) return -1;
  static const auto real = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
  return real(fromFd, from, toFd, to, flags);
}

int truncate(const char* path, off_t length) {
  if (!Allowed(AT_FDCWD, path, true)) return -1;
  static const auto real = Next<int (*)(const char*, off_t)>("truncate");
  return real(path, length);
}

int truncate64(const char* path, off64_t length) {
  if (!Allowed(AT_FDCWD, path, true)) return -1;
  static const auto real = Next<int (*)(const char*, off64_t)>("truncate64");
  return real(path, length);
}

// A link is a way to write its source: both ends must be inside.
int link(const char* from, const char* to) {
  if (!Allowed(AT_FDCWD, from, false) || !Allowed(AT_FDCWD, to, false)) return -1;
  static const auto real = Next<int (*)(const char*, const char*)>("link");
  return real(from, to);
}

int linkat(int fromFd, const char* from, int toFd, const char* to, int flags) {
  if (!Allowed(fromFd, from, true) || !Allowed(toFd, to, false)) return -1;
  static const auto real = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
  return real(fromFd, from, toFd, to, flags);
}

int symlink(const char* target, const char* path) {
  if (!Allowed(AT_FDCWD, path, false)) return -1;
  static const auto real = Next<int (*)(const char*, const char*)>("symlink");
  return real(target, path);
}

int symlinkat(const char* target, int dirfd, const char* path) {
  if (!Allowed(dirfd, path, false)) return -1;
  static const auto real = Next<int (*)(const char*, int, const char*)>("symlinkat");
  return real(target, dirfd, path);
}

}  // extern "C"
