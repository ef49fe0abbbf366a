// Runs the brackenford command as a user would, keeping what it prints.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "testing/temp_machine.h"

namespace cli_test {

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Run {
  int status = -1;  // the exit status; -1 when it did not exit (a crash)
  std::string out, err;
};

// A shell command line; its output goes through files in scratch.
inline Run Shell(const std::string& command, const std::filesystem::path& scratch) {
  const auto out = scratch / "cli-out.txt", err = scratch / "cli-err.txt";
  const std::string cmd = "{ " + command + "; } >'" + out.string() + "' 2>'" + err.string() + "'";
  const int status = std::system(cmd.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

// `brackenford ARGS` (ARGS as a shell would split them).
inline Run Brackenford(const std::string& args, const std::filesystem::path& scratch) {
  return Shell((testing_support::BuildDir() / "bin" / "brackenford").string() + " " + args, scratch);
}

}  // namespace cli_test
