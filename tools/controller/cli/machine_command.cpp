// brackenford machine ...: sets up the simulated machine.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

#include "cdo/ado.h"
#include "cdo/cdo.h"
#include "com/com.h"
#include "commands.h"
#include "mapi/exchange.h"
#include "mapi/install.h"
#include "mapi/mapicode.h"
#include "mapi/mimeconv.h"
#include "mapi/profiles.h"
#include "mapi/provider.h"
#include "notes/templates.h"
#include "profman/profman.h"
#include "redemption/redemption.h"
#include "win32/codepage.h"
#include "win32/guid.h"
#include "win32/registry.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace brackenford_cli {

namespace {

namespace fs = std::filesystem;

// In-process COM servers, shared objects in the lib/ folder beside bin/.
struct InprocServer {
  const CLSID& clsid;
  const char16_t* progId;
  const char* library;
};
const InprocServer kInprocServers[] = {
    {CLSID_IConverterSession, u"", "brackenford_mimeconv.so"},
    {profman::CLSID_Profiles, profman::kProfilesProgId, profman::kLibrary},
    {profman::CLSID_PropertyBag, profman::kPropertyBagProgId, profman::kLibrary},
    {redemption::CLSID_RDOSession, redemption::kSessionProgId, redemption::kLibrary},
    {ADODB::CLSID_Stream, u"", "libbrackenford_cdo.so"},
    {CDO::CLSID_Message, u"", "libbrackenford_cdo.so"},
};

fs::path LibraryFolder() { return fs::canonical("/proc/self/exe").parent_path().parent_path() / "lib"; }

void RegisterServers() {
  const auto lib = LibraryFolder();
  for (const InprocServer& s : kInprocServers)
    if (FAILED(com::RegisterInprocServer(s.clsid, s.progId, lib / s.library)))
      throw std::runtime_error(std::string("cannot register ") + s.library);
}

// Options of a subcommand: "--name value" pairs (repeatable), "--flag"
// switches and positional words; "--" ends the options.
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

// Whether the options (before any "--") ask for the help.
bool WantsHelp(const Args& args) {
  for (const auto& a : args) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

// valued: the options that take a value (also as --name=value); switches:
// the others. An error text, or nothing when the arguments are sound.
std::optional<std::string> Parse(const Args& args, std::initializer_list<const char*> valued,
                                 std::initializer_list<const char*> switches, Parsed& out) {
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.rfind("-", 0) != 0 || a == "-") {
      out.words.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t eq = a.find('=');
    const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    const auto known = [&](std::initializer_list<const char*> names) {
      return a.rfind("--", 0) == 0 && std::find(names.begin(), names.end(), name) != names.end();
    };
    if (known(switches)) {
      if (eq != std::string::npos) return "--" + name + " takes no value";
      out.flags.push_back(name);
    } else if (known(valued)) {
      if (eq != std::string::npos) {
        out.options.emplace_back(name, a.substr(eq + 1));
      } else {
        if (i + 1 >= args.size()) return a + " needs a value";
        out.options.emplace_back(name, args[++i]);
      }
    } else {
      return "unknown option '" + a + "'";
    }
  }
  return std::nullopt;
}

// The subcommand's usage error: the message and where its help is.
int Usage(const std::string& sub, const std::string& message) { return UsageError("machine " + sub, message); }

// The exit status when the machine root cannot serve the subcommand.
std::optional<int> NoMachine(const std::string& sub) {
  if (auto problem = MachineProblem()) return Fail("machine " + sub + ": " + *problem);
  return std::nullopt;
}

int Init(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine init [--codepage N]\n"
                 "Creates the machine root's folders and registry, keeping what is already there.\n"
                 "  --codepage N  the machine's ANSI code page, for 8-bit text (default: kept, else 1252)\n";
    return 0;
  }
  Parsed p;
  if (auto error = Parse(args, {"codepage"}, {}, p)) return Usage("init", *error);
  if (!p.words.empty()) return Usage("init", "unexpected argument '" + p.words[0] + "'");
  std::optional<UINT> codePage;
  for (const auto& text : p.All("codepage"))
    if (auto problem = CodePageProblem(text, codePage)) return Usage("init", *problem);
  try {
    win32::InitMachineRoot(win32::MachineRoot());
    RegisterServers();
  } catch (const std::exception& e) {
    return Fail(std::string("machine init: ") + e.what());
  }
  if (std::string error; !mapi::InstallMapi(&error)) return Fail("machine init: " + error);
  if (std::string error; !notes::InstallMailTemplates(&error)) return Fail("machine init: " + error);
  if (!codePage && !win32::RegGetString(HKEY_LOCAL_MACHINE, win32::kNlsCodePageKey, win32::kAnsiCodePageValue))
    codePage = CP_WINDOWS_1252;
  if (codePage && win32::SetMachineCodePage(*codePage) != ERROR_SUCCESS)
    return Fail("machine init: cannot store the code page in the registry");
  std::cout << "machine root: " << win32::MachineRoot().string() << "\n";
  return 0;
}

std::u16string U16(const std::string& s) { return win32::Utf8ToUtf16(s); }
std::string U8(const std::u16string& s) { return win32::Utf16ToUtf8(s); }
std::u16string AbsolutePath(const std::string& file) {
  return U16(std::filesystem::absolute(std::filesystem::path(file)).lexically_normal().string());
}

// Server names and aliases become folder and file names in the machine root.
std::optional<std::string> NameProblem(const std::string& option, const std::string& name) {
  if (mapi::exchange::IsPlainName(U16(name))) return std::nullopt;
  return "--" + option + " '" + name + "' is not a plain name (no '/', '\\', '.' or '..')";
}

// Why the file cannot serve as a PST file, or nothing.
std::optional<std::string> PstProblem(const std::string& file) {
  std::string reason;
  if (SUCCEEDED(mapi::CheckPstFile(AbsolutePath(file), &reason))) return std::nullopt;
  return file + ": " + reason;
}

std::string Status(HRESULT hr) {
  switch (hr) {
    case MAPI_E_COLLISION: return "a profile of that name exists";
    case MAPI_E_NOT_FOUND: return "not found";
    case MAPI_E_INVALID_PARAMETER: return "invalid name";
    case MAPI_E_CORRUPT_DATA: return "damaged file";
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
  if (auto error = Parse(args, {"pst"}, {"default"}, p)) return Usage("add-profile", *error);
  if (p.words.size() != 1) return Usage("add-profile", "give one profile NAME");
  if (p.All("pst").empty()) return Usage("add-profile", "give at least one --pst FILE");
  if (auto status = NoMachine("add-profile")) return *status;
  for (const auto& file : p.All("pst"))
    if (auto problem = PstProblem(file)) return Fail("machine add-profile: " + *problem);
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
  if (auto error = Parse(args, {"server", "mailbox", "user"}, {}, p)) return Usage("add-exchange-profile", *error);
  if (p.words.size() != 1) return Usage("add-exchange-profile", "give one profile NAME");
  if (p.One("server").empty() || p.One("mailbox").empty())
    return Usage("add-exchange-profile", "give --server and --mailbox");
  if (auto problem = NameProblem("server", p.One("server"))) return Usage("add-exchange-profile", *problem);
  if (auto status = NoMachine("add-exchange-profile")) return *status;
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
  if (auto error = Parse(args, {"server", "alias", "display-name", "pst", "deny"}, {}, p))
    return Usage("add-mailbox", *error);
  if (!p.words.empty()) return Usage("add-mailbox", "unexpected argument '" + p.words[0] + "'");
  if (p.One("server").empty() || p.One("alias").empty() || p.One("pst").empty())
    return Usage("add-mailbox", "give --server, --alias and --pst");
  for (const char* option : {"server", "alias"})
    if (auto problem = NameProblem(option, p.One(option))) return Usage("add-mailbox", *problem);
  if (auto status = NoMachine("add-mailbox")) return *status;
  if (auto problem = PstProblem(p.One("pst"))) return Fail("machine add-mailbox: " + *problem);
  std::vector<std::u16string> denied;
  for (const auto& d : p.All("deny")) denied.push_back(U16(d));
  std::string damage;
  const HRESULT hr = mapi::exchange::AddMailbox(U16(p.One("server")), U16(p.One("alias")),
                                                U16(p.One("display-name")), AbsolutePath(p.One("pst")), denied,
                                                &damage);
  if (hr == MAPI_E_CORRUPT_DATA) return Fail("machine add-mailbox: damaged file " + damage);
  if (FAILED(hr)) return Fail("machine add-mailbox: " + p.One("pst") + ": " + Status(hr));
  std::cout << U8(mapi::exchange::MailboxDn(U16(p.One("alias")))) << "\n";
  return 0;
}

int Profiles(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine profiles\nLists the MAPI profiles and their services.\n";
    return 0;
  }
  Parsed p;
  if (auto error = Parse(args, {}, {}, p)) return Usage("profiles", *error);
  if (!p.words.empty()) return Usage("profiles", "unexpected argument '" + p.words[0] + "'");
  if (auto status = NoMachine("profiles")) return *status;
  std::vector<std::string> damaged;
  for (const auto& profile : mapi::profiles::List(&damaged)) {
    std::cout << U8(profile.name) << (profile.isDefault ? " (default)" : "") << "\n";
    for (const auto& s : profile.services) {
      if (s.kind == mapi::profiles::ServiceKind::kPst)
        std::cout << "  pst " << U8(s.displayName) << ": " << U8(s.path) << "\n";
      else
        std::cout << "  exchange " << U8(s.server) << ": " << U8(s.mailbox) << "\n";
    }
  }
  for (const auto& error : damaged) Fail("machine profiles: damaged file " + error);
  return damaged.empty() ? 0 : 1;
}

int DeleteProfile(const Args& args) {
  if (WantsHelp(args)) {
    std::cout << "usage: brackenford machine delete-profile NAME\nDeletes a MAPI profile.\n";
    return 0;
  }
  Parsed p;
  if (auto error = Parse(args, {}, {}, p)) return Usage("delete-profile", *error);
  if (p.words.size() != 1) return Usage("delete-profile", "give one profile NAME");
  if (auto status = NoMachine("delete-profile")) return *status;
  if (HRESULT hr = mapi::profiles::Delete(U16(p.words[0])); FAILED(hr))
    return Fail("machine delete-profile: " + p.words[0] + ": " + Status(hr));
  return 0;
}

struct Sub {
  const char* name;
  int (*run)(const Args&);
  const char* summary;
};

constexpr Sub kSubs[] = {
    {"init", Init, "create the machine root (--codepage N: its ANSI code page)"},
    {"add-profile", AddProfile, "add a MAPI profile of PST files"},
    {"add-exchange-profile", AddExchangeProfile, "add a MAPI profile of a simulated Exchange mailbox"},
    {"add-mailbox", AddMailbox, "add a mailbox to a simulated Exchange server"},
    {"profiles", Profiles, "list the MAPI profiles"},
    {"delete-profile", DeleteProfile, "delete a MAPI profile"},
};

void Help(std::ostream& out) {
  out << "usage: brackenford machine SUBCOMMAND [ARGS...]\n\nSubcommands:\n";
  std::vector<std::pair<std::string, std::string>> rows;
  for (const Sub& s : kSubs) rows.emplace_back(s.name, s.summary);
  PrintColumns(out, rows);
  out << "\nRun 'brackenford machine SUBCOMMAND --help' for its options.\n";
}

}  // namespace

std::optional<std::string> CodePageProblem(const std::string& text, std::optional<UINT>& codePage) {
  codePage = win32::ParseCodePage(text);
  if (codePage) return std::nullopt;
  std::string known;
  for (UINT cp : win32::ConvertibleCodePages()) known += (known.empty() ? "" : ", ") + std::to_string(cp);
  return "--codepage " + text + ": not a code page this machine converts (" + known + ")";
}

std::optional<std::string> MachineProblem() {
  const fs::path root = win32::MachineRoot();
  constexpr const char* kInit = "run 'brackenford machine init'";
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return "no machine at " + root.string() + ": " + kInit + " first";
  for (const fs::path& part : {win32::RegistryFile(), win32::SystemFolder(), win32::ProfilesFolder(),
                               win32::ExchangeFolder(), win32::NotesFolder(), win32::DesktopFolder()})
    if (!fs::exists(part, ec))
      return "the machine at " + root.string() + " is not set up (no " + part.filename().string() + "): " + kInit;
  if (std::string message; win32::CheckRegistry(&message) != ERROR_SUCCESS)
    return "the machine's registry is damaged: " + message;
  // Libraries the machine names: the system MAPI library (a link), the MAPI
  // component and the COM servers. One that is named but gone was
  // registered by a build that moved or went away.
  std::vector<fs::path> named;
  if (const fs::path link = win32::SystemFolder() / "mapi32.dll"; fs::is_symlink(link, ec)) named.push_back(link);
  const std::u16string component = std::u16string(mapi::kComponentsKey) + u"\\" + mapi::kMapiComponentId;
  if (auto path = win32::RegGetString(HKEY_LOCAL_MACHINE, component, u"")) named.emplace_back(U8(*path));
  for (const InprocServer& s : kInprocServers)
    if (auto path = win32::RegGetString(HKEY_CLASSES_ROOT, u"CLSID\\" + win32::GuidToString(s.clsid) +
                                                               u"\\InprocServer32", u""))
      named.emplace_back(U8(*path));
  for (const fs::path& library : named)
    if (!fs::exists(library, ec))
      return "the library " + library.string() + " that the machine at " + root.string() + " names is gone: " +
             kInit + " again";
  return std::nullopt;
}

int MachineCommand(const Args& args) {
  if (args.empty()) return UsageError("machine", "give a subcommand", "the subcommands");
  if (args[0] == "--help" || args[0] == "-h") {
    Help(std::cout);
    return 0;
  }
  for (const Sub& s : kSubs)
    if (args[0] == s.name) return s.run(Args(args.begin() + 1, args.end()));
  return UsageError("machine", "unknown subcommand '" + args[0] + "'", "the subcommands");
}

}  // namespace brackenford_cli
