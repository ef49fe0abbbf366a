// A machine root in a fresh temporary folder for one test; the process's
// BRACKENFORD_MACHINE points at it while the object lives.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

class TempMachine {
 public:
  TempMachine();
  ~TempMachine();
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // A scratch folder beside the machine root, for test files.
  const std::filesystem::path& scratch() const { return scratch_; }

 private:
  std::filesystem::path base_;
  std::filesystem::path root_;
  std::filesystem::path scratch_;
  std::string previous_;
  bool hadPrevious_ = false;
};

// Folder of the build tree (bin/, lib/, tests/), from BRACKENFORD_BUILD.
std::filesystem::path BuildDir();
// Runs the build's `brackenford machine init` on the machine the process's
// BRACKENFORD_MACHINE names; the command's exit status as std::system gives it.
int InitMachine();
// ../shared/fixtures of the checkout.
std::filesystem::path SharedFixtures();

// <folder>/<name>.pst written by the build's pstgen from a JSON description
// (kept beside it as <name>.json); throws std::runtime_error naming the
// command when pstgen fails.
std::filesystem::path MakePst(const std::filesystem::path& folder, const std::string& name,
                              const std::string& description);

}  // namespace testing_support
