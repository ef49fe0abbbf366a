// Sub-commands of the `brackenford` command. Each takes the arguments after
// its own name and returns the process exit status.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brackenford_cli {

using Args = std::vector<std::string>;

int MachineCommand(const Args& args);
int SendCommand(const Args& args);
int MigrateCommand(const Args& args);

// Why the machine root cannot serve a command, naming the remedy, or
// nothing: it does not exist or is not set up, its registry is damaged, or
// a library it registered is gone.
std::optional<std::string> MachineProblem();

// Why `text` names no code page this machine converts, or nothing (with
// the code page in codePage).
std::optional<std::string> CodePageProblem(const std::string& text, std::optional<unsigned>& codePage);

// Prints `message` to standard error prefixed with the program name; returns 1.
int Fail(const std::string& message);

}  // namespace brackenford_cli
