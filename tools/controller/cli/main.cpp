// brackenford: sets up the simulated machine and drives the engines.
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "commands.h"
#include "win32/machine.h"

namespace brackenford_cli {

int Fail(const std::string& message) {
  std::cerr << "brackenford: " << message << "\n";
  return 1;
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
  out << "usage: brackenford [--machine DIR] COMMAND [ARGS...]\n\n"
         "Commands:\n";
  for (const Command& c : kCommands) out << "  " << c.name << "\t" << c.summary << "\n";
  out << "\nThe machine root is DIR, else $BRACKENFORD_MACHINE, else ~/.local/share/brackenford/machine.\n"
         "Run 'brackenford COMMAND --help' for a command's options.\n";
}

}  // namespace
}  // namespace brackenford_cli

int main(int argc, char** argv) {
  using namespace brackenford_cli;
  Args args(argv + 1, argv + argc);
  // --machine DIR may stand anywhere; it applies to every command.
  for (std::size_t i = 0; i < args.size();) {
    if (args[i] == "--machine") {
      if (i + 1 >= args.size()) return Fail("--machine needs a folder");
      win32::SetMachineRoot(args[i + 1]);
      args.erase(args.begin() + i, args.begin() + i + 2);
    } else if (args[i].rfind("--machine=", 0) == 0) {
      win32::SetMachineRoot(args[i].substr(10));
      args.erase(args.begin() + i);
    } else {
      ++i;
    }
  }
  if (args.empty()) {
    Usage(std::cerr);
    return 1;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
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
  Usage(std::cerr);
  return Fail("unknown command '" + args[0] + "'");
}
