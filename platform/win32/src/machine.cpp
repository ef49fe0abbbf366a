#include "win32/machine.h"

#include <cstdlib>
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

void InitMachineRoot(const fs::path& root) {
  fs::create_directories(root);
  for (const char* sub : {"system", "profiles", "exchange", "notes", "desktop"}) fs::create_directories(root / sub);
  fs::permissions(root / "desktop", fs::perms::owner_all, fs::perm_options::replace);
  const fs::path reg = root / "registry.reg";
  if (!fs::exists(reg)) {
    std::ofstream out(reg, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\n\n";
    if (!out) throw fs::filesystem_error("cannot write", reg, std::make_error_code(std::errc::io_error));
  }
}

}  // namespace win32
