// brackenford: sets up the simulated machine and drives the engines.
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "commands.h"
#include "controller/TextWidth.h"
#include "win32/machine.h"

namespace brackenford_cli {

int Fail(const std::string& message) {
  std::cerr << "brackenford: " << message << "\n";
  return 1;
}

int UsageError(const std::string& command, const std::string& message, const char* what) {
  const std::string program = command.empty() ? "brackenford" : "brackenford " + command;
  std::cerr << program << ": " << message << "\n"
            << "Run '" << program << " --help' for " << what << ".\n";
  return kUsageStatus;
}

std::string Counted(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

void PrintColumns(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& rows) {
  std::size_t width = 0;
  for (const auto& row : rows) width = std::max(width, controller::DisplayWidth(row.first));
  for (const auto& [name, text] : rows) out << "  " << controller::PadRight(name, width) << "  " << text << "\n";
}

namespace {

struct Command {
  const char* name;
  int (*run)(const Args&);
  const char* summary;
};

constexpr Command kCommands[] = {
    {"machine", MachineCommand, "set up the simulated machine (init, profiles, mailboxes)"},
    {"migrate", MigrateCommand, "migrate PST files or an Exchange mailbox into a Notes database"},
    {"send", SendCommand, "send one request to an engine window and show its replies"},
};

void Usage(std::ostream& out) {
  out << "usage: brackenford [--machine DIR] COMMAND [ARGS...]\n"
         "       brackenford --version\n\n"
         "Commands:\n";
  std::vector<std::pair<std::string, std::string>> rows;
  for (const Command& c : kCommands) rows.emplace_back(c.name, c.summary);
  PrintColumns(out, rows);
  out << "\nThe machine root is DIR, else $BRACKENFORD_MACHINE, else ~/.local/share/brackenford/machine.\n"
         "Run 'brackenford COMMAND --help' for a command's options.\n";
}

// Takes --machine DIR (or --machine=DIR) wherever it stands before "--"; an
// error text when it lacks its folder.
std::optional<std::string> TakeMachineRoot(Args& args) {
  for (std::size_t i = 0; i < args.size() && args[i] != "--";) {
    if (args[i] == "--machine") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return "--machine needs a folder";
      win32::SetMachineRoot(args[i + 1]);
      args.erase(args.begin() + i, args.begin() + i + 2);
    } else if (args[i].rfind("--machine=", 0) == 0) {
      if (args[i].size() == 10) return "--machine needs a folder";
      win32::SetMachineRoot(args[i].substr(10));
      args.erase(args.begin() + i);
    } else {
      ++i;
    }
  }
  return std::nullopt;
}

}  // namespace
}  // namespace brackenford_cli

int main(int argc, char** argv) {
  using namespace brackenford_cli;
  Args args(argv + 1, argv + argc);
  if (auto error = TakeMachineRoot(args)) return UsageError("", *error, "the commands");
  // After "--" the next word is the command, whatever it looks like.
  const bool optionsEnded = !args.empty() && args[0] == "--";
  if (optionsEnded) args.erase(args.begin());
  if (args.empty()) return UsageError("", "give a command (machine, migrate or send)", "the commands");
  if (!optionsEnded && (args[0] == "--help" || args[0] == "-h")) {
    Usage(std::cout);
    return 0;
  }
  if (!optionsEnded && args[0] == "--version") {
    std::cout << "brackenford " BRACKENFORD_VERSION "\n";
    return 0;
  }
  if (args[0] == "help") {
    Usage(std::cout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (args[0] != c.name) continue;
    try {
      return c.run(Args(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
      return Fail(args[0] + ": " + e.what());
    }
  }
  return UsageError(
      "", (!optionsEnded && args[0].rfind("-", 0) == 0 ? "unknown option '" : "unknown command '") + args[0] + "'",
      "the commands");
}
