// brackenford machine ...: sets up the simulated machine.
#include <filesystem>
#include <iostream>

#include "com/com.h"
#include "commands.h"
#include "mapi/mimeconv.h"
#include "win32/machine.h"

namespace brackenford_cli {

namespace {

// In-process COM servers, shared objects in the lib/ folder beside bin/.
struct InprocServer {
  const CLSID& clsid;
  const char16_t* progId;
  const char* library;
};
const InprocServer kInprocServers[] = {
    {CLSID_IConverterSession, u"", "brackenford_mimeconv.so"},
};

void RegisterServers() {
  const auto lib = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "lib";
  for (const InprocServer& s : kInprocServers)
    if (FAILED(com::RegisterInprocServer(s.clsid, s.progId, lib / s.library)))
      throw std::runtime_error(std::string("cannot register ") + s.library);
}

int Init(const Args& args) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << "usage: brackenford machine init\n"
                 "Creates the machine root's folders and registry, keeping what is already there.\n";
    return 0;
  }
  if (!args.empty()) return Fail("machine init: unexpected argument '" + args[0] + "'");
  try {
    win32::InitMachineRoot(win32::MachineRoot());
    RegisterServers();
  } catch (const std::exception& e) {
    return Fail(std::string("machine init: ") + e.what());
  }
  std::cout << "machine root: " << win32::MachineRoot().string() << "\n";
  return 0;
}

struct Sub {
  const char* name;
  int (*run)(const Args&);
  const char* summary;
};

constexpr Sub kSubs[] = {
    {"init", Init, "create the machine root"},
};

void Usage(std::ostream& out) {
  out << "usage: brackenford machine SUBCOMMAND [ARGS...]\n\nSubcommands:\n";
  for (const Sub& s : kSubs) out << "  " << s.name << "\t" << s.summary << "\n";
}

}  // namespace

int MachineCommand(const Args& args) {
  if (args.empty()) {
    Usage(std::cerr);
    return 1;
  }
  if (args[0] == "--help" || args[0] == "-h") {
    Usage(std::cout);
    return 0;
  }
  for (const Sub& s : kSubs)
    if (args[0] == s.name) return s.run(Args(args.begin() + 1, args.end()));
  Usage(std::cerr);
  return Fail("machine: unknown subcommand '" + args[0] + "'");
}

}  // namespace brackenford_cli
