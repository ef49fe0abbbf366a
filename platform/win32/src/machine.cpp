#include "win32/machine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace win32 {

fs::path MachineRoot() {
  if (const char* env = std::getenv("BRACKENFORD_MACHINE"); env && *env) return fs::path(env);
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local/share/brackenford/machine";
}

void SetMachineRoot(const fs::path& root) { ::setenv("BRACKENFORD_MACHINE", root.c_str(), 1); }

fs::path RegistryFile() { return MachineRoot() / "registry.reg"; }
fs::path SystemFolder() { return MachineRoot() / "system"; }
fs::path ProfilesFolder() { return MachineRoot() / "profiles"; }
fs::path ExchangeFolder() { return MachineRoot() / "exchange"; }
fs::path NotesFolder() { return MachineRoot() / "notes"; }
fs::path DesktopFolder() { return MachineRoot() / "desktop"; }
fs::path TempFolder() { return MachineRoot() / "temp"; }

int MakePrivateFolder(const fs::path& folder, std::string* problem) {
  auto fail = [&](int err, const std::string& why) {
    if (problem) *problem = folder.string() + ": " + why;
    return err;
  };
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return fail(errno, std::strerror(errno));
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ELOOP || errno == ENOTDIR) return fail(EACCES, "not a folder (a link is not followed)");
    return fail(errno, std::strerror(errno));
  }
  struct stat st {};
  int err = 0;
  std::string why;
  if (::fstat(fd, &st) != 0) {
    err = errno;
    why = std::strerror(err);
  } else if (st.st_uid != ::geteuid()) {
    err = EACCES;
    why = "belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  } else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
    err = errno;
    why = std::string("open to others and cannot be made private: ") + std::strerror(err);
  }
  ::close(fd);
  return err ? fail(err, why) : 0;
}

void InitMachineRoot(const fs::path& root) {
  fs::create_directories(root);
  for (const char* sub : {"system", "profiles", "exchange", "notes"}) fs::create_directories(root / sub);
  for (const char* sub : {"desktop", "temp"}) {
    std::string problem;
    if (const int err = MakePrivateFolder(root / sub, &problem))
      throw fs::filesystem_error(problem, root / sub, std::error_code(err, std::generic_category()));
  }
  const fs::path reg = root / "registry.reg";
  if (!fs::exists(reg)) {
    std::ofstream out(reg, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\n\n";
    if (!out) throw fs::filesystem_error("cannot write", reg, std::make_error_code(std::errc::io_error));
  }
}

}  // namespace win32
