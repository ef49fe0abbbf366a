// brackenford machine ...: sets up the simulated machine.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "cdo/ado.h"
#include "cdo/cdo.h"
#include "com/com.h"
#include "commands.h"
#include "mapi/exchange.h"
#include "mapi/install.h"
#include "mapi/mapicode.h"
#include "mapi/mimeconv.h"
#include "mapi/profiles.h"
#include "win32/machine.h"
#include "win32/text.h"

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
    {ADODB::CLSID_Stream, u"", "libbrackenford_cdo.so"},
    {CDO::CLSID_Message, u"", "libbrackenford_cdo.so"},
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
  if (std::string error; !mapi::InstallMapi(&error)) return Fail("machine init: " + error);
  std::cout << "machine root: " << win32::MachineRoot().string() << "\n";
  return 0;
}

// Options of a subcommand: "--name value" pairs (repeatable), "--flag"
// switches and positional words.
struct Parsed {
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> flags;
  std::vector<std::string> words;
  std::vector<std::string> All(const std::string& name) const {
    std::vector<std::string> out;
    for (const auto& [n, v] : options)
      if (n == name) out.push_back(v);
    return out;
  }
  std::string One(const std::string& name) const {
    auto all = All(name);
    return all.empty() ? std::string() : all.back();
  }
  bool Has(const std::string& flag) const {
    for (const auto& f : flags)
      if (f == flag) return true;
    return false;
  }
};

bool WantsHelp(const Args& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

// valued: the options that take a value; switches: the others.
bool Parse(const Args& args, std::initializer_list<const char*> valued, std::initializer_list<const char*> switches,
           Parsed* out, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0) {
      out->words.push_back(a);
      continue;
    }
    const std::string name = a.substr(2);
    if (std::find(switches.begin(), switches.end(), name) != switches.end()) {
      out->flags.push_back(name);
    } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
      if (i + 1 >= args.size()) {
        *error = a + " needs a value";
        return false;
      }
      out->options.emplace_back(name, args[++i]);
    } else {
      *error = "unknown option '" + a + "'";
      return false;
    }
  }
  return true;
}

std::u16string U16(const std::string& s) { return win32::Utf8ToUtf16(s); }
std::string U8(const std::u16string& s) { return win32::Utf16ToUtf8(s); }
std::u16string AbsolutePath(const std::string& file) {
  return U16(std::filesystem::absolute(std::filesystem::path(file)).lexically_normal().string());
}

std::string Status(HRESULT hr) {
  switch (hr) {
    case MAPI_E_COLLISION: return "a profile of that name exists";
    case MAPI_E_NOT_FOUND: return "not found";
    case MAPI_E_INVALID_PARAMETER: return "invalid name";
    default: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
      return std::string("failed with ") + buf;
    }
  }
}

int AddProfile(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine add-profile NAME (--pst FILE)... [--default]\n"
                 "Creates a MAPI profile holding the PST files.\n";
    return 0;
  }
  Parsed p;
  std::string error;
  if (!Parse(args, {"pst"}, {"default"}, &p, &error)) return Fail("machine add-profile: " + error);
  if (p.words.size() != 1) return Fail("machine add-profile: give one profile NAME");
  if (p.All("pst").empty()) return Fail("machine add-profile: give at least one --pst FILE");
  mapi::profiles::Profile profile;
  profile.name = U16(p.words[0]);
  profile.isDefault = p.Has("default");
  for (const auto& file : p.All("pst")) profile.services.push_back(mapi::profiles::PstService(AbsolutePath(file)));
  if (HRESULT hr = mapi::profiles::Create(profile); FAILED(hr))
    return Fail("machine add-profile: " + p.words[0] + ": " + Status(hr));
  return 0;
}

int AddExchangeProfile(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine add-exchange-profile NAME --server S --mailbox M [--user U]\n"
                 "Creates a MAPI profile for mailbox M on the simulated Exchange server S, used by user U\n"
                 "(default: the mailbox's own user).\n";
    return 0;
  }
  Parsed p;
  std::string error;
  if (!Parse(args, {"server", "mailbox", "user"}, {}, &p, &error))
    return Fail("machine add-exchange-profile: " + error);
  if (p.words.size() != 1) return Fail("machine add-exchange-profile: give one profile NAME");
  if (p.One("server").empty() || p.One("mailbox").empty())
    return Fail("machine add-exchange-profile: give --server and --mailbox");
  mapi::profiles::Profile profile;
  profile.name = U16(p.words[0]);
  profile.user = U16(p.One("user"));
  profile.services.push_back(mapi::profiles::ExchangeService(U16(p.One("server")), U16(p.One("mailbox"))));
  if (HRESULT hr = mapi::profiles::Create(profile); FAILED(hr))
    return Fail("machine add-exchange-profile: " + p.words[0] + ": " + Status(hr));
  return 0;
}

int AddMailbox(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine add-mailbox --server S --alias A --display-name D --pst FILE "
                 "[--deny USER]...\n"
                 "Adds a mailbox with the content of FILE to the simulated Exchange server S.\n";
    return 0;
  }
  Parsed p;
  std::string error;
  if (!Parse(args, {"server", "alias", "display-name", "pst", "deny"}, {}, &p, &error))
    return Fail("machine add-mailbox: " + error);
  if (!p.words.empty()) return Fail("machine add-mailbox: unexpected argument '" + p.words[0] + "'");
  if (p.One("server").empty() || p.One("alias").empty() || p.One("pst").empty())
    return Fail("machine add-mailbox: give --server, --alias and --pst");
  std::vector<std::u16string> denied;
  for (const auto& d : p.All("deny")) denied.push_back(U16(d));
  const HRESULT hr = mapi::exchange::AddMailbox(U16(p.One("server")), U16(p.One("alias")),
                                                U16(p.One("display-name")), AbsolutePath(p.One("pst")), denied);
  if (FAILED(hr)) return Fail("machine add-mailbox: " + p.One("pst") + ": " + Status(hr));
  std::cout << U8(mapi::exchange::MailboxDn(U16(p.One("alias")))) << "\n";
  return 0;
}

int Profiles(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine profiles\nLists the MAPI profiles and their services.\n";
    return 0;
  }
  if (!args.empty()) return Fail("machine profiles: unexpected argument '" + args[0] + "'");
  for (const auto& profile : mapi::profiles::List()) {
    std::cout << U8(profile.name) << (profile.isDefault ? " (default)" : "") << "\n";
    for (const auto& s : profile.services) {
      if (s.kind == mapi::profiles::ServiceKind::kPst)
        std::cout << "  pst " << U8(s.displayName) << ": " << U8(s.path) << "\n";
      else
        std::cout << "  exchange " << U8(s.server) << ": " << U8(s.mailbox) << "\n";
    }
  }
  return 0;
}

int DeleteProfile(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine delete-profile NAME\nDeletes a MAPI profile.\n";
    return 0;
  }
  if (args.size() != 1) return Fail("machine delete-profile: give one profile NAME");
  if (HRESULT hr = mapi::profiles::Delete(U16(args[0])); FAILED(hr))
    return Fail("machine delete-profile: " + args[0] + ": " + Status(hr));
  return 0;
}

struct Sub {
  const char* name;
  int (*run)(const Args&);
  const char* summary;
};

constexpr Sub kSubs[] = {
    {"init", Init, "create the machine root"},
    {"add-profile", AddProfile, "add a MAPI profile of PST files"},
    {"add-exchange-profile", AddExchangeProfile, "add a MAPI profile of a simulated Exchange mailbox"},
    {"add-mailbox", AddMailbox, "add a mailbox to a simulated Exchange server"},
    {"profiles", Profiles, "list the MAPI profiles"},
    {"delete-profile", DeleteProfile, "delete a MAPI profile"},
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
