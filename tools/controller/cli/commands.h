// Sub-commands of the `brackenford` command. Each takes the arguments after
// its own name and returns the process exit status.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace brackenford_cli {

using Args = std::vector<std::string>;

// Exit status of a command line that is not well formed.
constexpr int kUsageStatus = 2;

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

// A usage error of `command` ("machine add-profile"): the message, then
// where the help on `what` is; returns kUsageStatus.
int UsageError(const std::string& command, const std::string& message, const char* what = "the options");

// "1 folder", "2 folders".
std::string Counted(std::int64_t n, const char* one, const char* many);

// Two columns of help, the second one starting in the same column on every
// line: "  name   what it does".
void PrintColumns(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& rows);

}  // namespace brackenford_cli
