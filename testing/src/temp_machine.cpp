#include "testing/temp_machine.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "win32/machine.h"

namespace fs = std::filesystem;

namespace testing_support {

TempMachine::TempMachine() {
  std::string tmpl = (fs::temp_directory_path() / "brackenford-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
  base_ = tmpl;
  root_ = base_ / "machine";
  scratch_ = base_ / "scratch";
  fs::create_directories(scratch_);
  if (const char* prev = std::getenv("BRACKENFORD_MACHINE")) {
    previous_ = prev;
    hadPrevious_ = true;
  }
  win32::InitMachineRoot(root_);
  win32::SetMachineRoot(root_);
}

TempMachine::~TempMachine() {
  if (hadPrevious_)
    ::setenv("BRACKENFORD_MACHINE", previous_.c_str(), 1);
  else
    ::unsetenv("BRACKENFORD_MACHINE");
  std::error_code ec;
  fs::remove_all(base_, ec);
}

fs::path BuildDir() {
  if (const char* b = std::getenv("BRACKENFORD_BUILD"); b && *b) return fs::path(b);
  // Test executables live in <build>/tests.
  return fs::canonical("/proc/self/exe").parent_path().parent_path();
}

int InitMachine() {
  const std::string init = (BuildDir() / "bin" / "brackenford").string() + " machine init > /dev/null";
  return std::system(init.c_str());
}

fs::path SharedFixtures() {
  return fs::path(BRACKENFORD_SOURCE_DIR) / ".." / "shared" / "fixtures";
}

fs::path MakePst(const fs::path& folder, const std::string& name, const std::string& description) {
  const fs::path json = folder / (name + ".json");
  std::ofstream(json) << description;
  const fs::path pst = folder / (name + ".pst");
  const std::string command =
      (BuildDir() / "bin" / "pstgen").string() + " '" + json.string() + "' '" + pst.string() + "' > /dev/null";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
  return pst;
}

}  // namespace testing_support
