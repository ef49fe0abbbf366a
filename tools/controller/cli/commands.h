// Sub-commands of the `brackenford` command. Each takes the arguments after
// its own name and returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace brackenford_cli {

using Args = std::vector<std::string>;

int MachineCommand(const Args& args);
int SendCommand(const Args& args);

// Prints `message` to standard error prefixed with the program name; returns 1.
int Fail(const std::string& message);

}  // namespace brackenford_cli
