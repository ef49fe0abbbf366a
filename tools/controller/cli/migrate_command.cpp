// brackenford migrate: PST files or an Exchange mailbox into a Notes
// database, through the three engines.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>

#include "commands.h"
#include "controller/Migration.h"
#include "progress.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace brackenford_cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: brackenford migrate --pst FILE [--pst FILE]... --out DIR [--name NAME] [options]\n"
    "       brackenford migrate --exchange SERVER --mailbox NAME [--user USER] --out DIR [--name NAME] [options]\n"
    "\n"
    "Migrates PST files, or a mailbox of a (simulated) Exchange server, into a new Notes\n"
    "database DIR/NAME.nsf; NAME is the first PST file's name, or the mailbox's, unless given.\n"
    "Each folder becomes a Notes folder under the store's or mailbox's name, each item a document.\n"
    "\n"
    "Options:\n"
    "  --types LIST        the kinds of items to migrate, separated by commas: mail, calendar,\n"
    "                      contacts (with distribution lists), notes, tasks, journal (default: all)\n"
    "  --days N            only items of the last N days: 7, 14, 21, 30, 90, 180, 270, 365, 730 or 1095\n"
    "  --range FROM-TO     only items dated FROM to TO, both included (MM/DD/YYYY-MM/DD/YYYY);\n"
    "                      repeatable; items without any date always pass\n"
    "  --plain-body        make the documents' bodies from the plain-text bodies\n"
    "  --report FILE.json  write the counts, the timings, every error text of the engines and every\n"
    "                      item that did not arrive, as JSON\n"
    "  --quiet             show no progress and no summary\n"
    "  --timeout SECONDS   how long an engine may stay silent on one request (neither answering,\n"
    "                      announcing the next item nor working) before it counts as stopped\n"
    "                      (default 120)\n"
    "  --codepage N        the ANSI code page of this run, for 8-bit text (default: the machine's)\n"
    "  --machine DIR       the machine root (else $BRACKENFORD_MACHINE)\n"
    "\n"
    "Prints the database's path, progress on standard error and a summary per folder.\n"
    "Ctrl-C stops after the item at hand (a second one stops the engine at once).\n"
    "Exit status: 0 every item arrived; 1 some did not (the report says which); 2 bad\n"
    "arguments, or the migration could not start (with the engine's own error text).\n";

// A command that is well formed but cannot run: a file that is missing or
// cannot be read or written, a machine that is not set up.
int Refuse(const std::string& message) {
  std::cerr << "brackenford migrate: " << message << "\n";
  return 2;
}

// The item kinds, in the order of the export request's switches.
const std::map<std::string, std::size_t> kTypeNames = {{"mail", 0},     {"calendar", 1}, {"tasks", 2},
                                                       {"contacts", 3}, {"journal", 4},  {"notes", 5}};
// The engine's relative date choices: 1 to 10 for these day counts.
constexpr int kDayChoices[] = {7, 14, 21, 30, 90, 180, 270, 365, 730, 1095};

std::optional<std::string> ParseTypes(const std::string& list, controller::MigrateOptions& options) {
  options.types.fill(0);
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = list.find(',', at);
    const std::string name = list.substr(at, end == std::string::npos ? end : end - at);
    const auto found = kTypeNames.find(name);
    if (found == kTypeNames.end())
      return "--types: unknown kind '" + name + "' (mail, calendar, contacts, notes, tasks, journal)";
    options.types[found->second] = 1;
    if (end == std::string::npos) return std::nullopt;
    at = end + 1;
  }
}

std::optional<std::string> ParseDays(const std::string& text, controller::MigrateOptions& options) {
  for (int choice = 1; choice <= 10; ++choice)
    if (text == std::to_string(kDayChoices[choice - 1])) {
      options.dateFilterMode = 0;
      options.relativeDateChoice = choice;
      return std::nullopt;
    }
  return "--days takes 7, 14, 21, 30, 90, 180, 270, 365, 730 or 1095, not '" + text + "'";
}

// MM/DD/YYYY with a real date; its value for comparing.
std::optional<int> DateValue(const std::string& text) {
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') return std::nullopt;
  for (std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  const int month = std::stoi(text.substr(0, 2)), day = std::stoi(text.substr(3, 2)), year = std::stoi(text.substr(6));
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1] || (month == 2 && day == 29 && !leap))
    return std::nullopt;
  return year * 10000 + month * 100 + day;
}

std::optional<std::string> ParseRange(const std::string& text, controller::MigrateOptions& options) {
  const std::string what = "--range takes MM/DD/YYYY-MM/DD/YYYY, not '" + text + "'";
  if (text.size() != 21 || text[10] != '-') return what;
  const auto from = DateValue(text.substr(0, 10)), to = DateValue(text.substr(11));
  if (!from || !to) return what;
  if (*from > *to) return "--range " + text + " ends before it begins";
  if (options.dateRanges.size() == 1000) return "at most 1000 --range options";
  options.dateFilterMode = 1;
  options.dateRanges.push_back(text.substr(0, 10) + "$" + text.substr(11));
  return std::nullopt;
}

std::optional<std::string> ParseTimeout(const std::string& text, controller::MigrateOptions& options) {
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || *end || !(seconds > 0) || seconds > 86400) return "--timeout takes seconds (up to 86400)";
  options.answerLimit = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  return std::nullopt;
}

struct Command {
  controller::MigrateOptions options;
  fs::path report;
  std::optional<unsigned> codePage;
  bool quiet = false;
  bool help = false;
};

// Takes one option (and its value) at args[i]; an error text on failure.
std::optional<std::string> TakeOption(const Args& args, std::size_t& i, Command& command, bool& sawDays) {
  std::string name = args[i], value;
  const bool inlineValue = name.find('=') != std::string::npos;
  if (inlineValue) value = name.substr(name.find('=') + 1), name = name.substr(0, name.find('='));
  auto& o = command.options;
  if (name.rfind("-", 0) != 0) return "unexpected argument '" + args[i] + "'";
  static const char* const kSwitches[] = {"--help", "-h", "--plain-body", "--quiet"};
  if (std::find(std::begin(kSwitches), std::end(kSwitches), name) != std::end(kSwitches) && inlineValue)
    return name + " takes no value";
  if (name == "--help" || name == "-h") return command.help = true, std::nullopt;
  if (name == "--plain-body") return o.plainBody = true, std::nullopt;
  if (name == "--quiet") return command.quiet = true, std::nullopt;
  static const char* const kValued[] = {"--pst",   "--exchange", "--mailbox", "--user",   "--out",    "--name",
                                        "--types", "--days",     "--range",   "--report", "--timeout", "--codepage"};
  if (std::find(std::begin(kValued), std::end(kValued), name) == std::end(kValued))
    return "unknown option '" + args[i] + "'";
  if (!inlineValue) {
    if (i + 1 >= args.size()) return name + " needs a value";
    value = args[++i];
  }
  // An empty value would stand for the option left out (no report, the default name).
  if (value.empty()) return name + " needs a value";
  const std::u16string text = win32::Utf8ToUtf16(value);
  if (name == "--pst") return o.pstFiles.emplace_back(value), std::nullopt;
  if (name == "--exchange") return o.exchangeServer = text, std::nullopt;
  if (name == "--mailbox") return o.mailbox = text, std::nullopt;
  if (name == "--user") return o.user = text, std::nullopt;
  if (name == "--out") return o.outFolder = value, std::nullopt;
  if (name == "--name") return o.databaseName = text, std::nullopt;
  if (name == "--report") return command.report = value, std::nullopt;
  if (name == "--types") return ParseTypes(value, o);
  if (name == "--range") return ParseRange(value, o);
  if (name == "--timeout") return ParseTimeout(value, o);
  if (name == "--codepage") return CodePageProblem(value, command.codePage);
  sawDays = true;
  return ParseDays(value, o);
}

// Takes the options; "--" ends them, and nothing may follow it. An error
// text on failure.
std::optional<std::string> TakeOptions(const Args& args, Command& command, bool& sawDays) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      if (i + 1 < args.size()) return "unexpected argument '" + args[i + 1] + "'";
      break;
    }
    if (auto error = TakeOption(args, i, command, sawDays)) return error;
  }
  return std::nullopt;
}

// What is wrong with the options taken together.
std::optional<std::string> CheckUsage(const Command& command, bool sawDays) {
  const auto& o = command.options;
  const bool exchange = !o.exchangeServer.empty() || !o.mailbox.empty();
  if (o.pstFiles.empty() && !exchange) return "give --pst FILE, or --exchange SERVER with --mailbox NAME";
  if (!o.pstFiles.empty() && exchange) return "give either --pst or --exchange, not both";
  if (exchange && (o.exchangeServer.empty() || o.mailbox.empty())) return "--exchange and --mailbox go together";
  if (!o.user.empty() && !exchange) return "--user goes with --exchange";
  if (o.outFolder.empty()) return "give --out DIR, the folder for the database";
  if (sawDays && !o.dateRanges.empty()) return "give either --days or --range, not both";
  const std::string name = win32::Utf16ToUtf8(o.databaseName);
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
    return "--name is a file name without folders, not '" + name + "'";
  return std::nullopt;
}

// Why the report cannot be written where it is asked for, or nothing. A
// file that is not there yet is made and removed again, so that a run never
// ends without the report it was asked for.
std::optional<std::string> ReportProblem(const fs::path& report, const controller::MigrateOptions& options) {
  std::error_code ec;
  const auto normal = [](const fs::path& p) { return (fs::absolute(p) / "").lexically_normal(); };
  if (fs::is_directory(report, ec) || normal(report) == normal(options.outFolder))
    return "--report " + report.string() + " is a folder, not a file";
  const fs::path folder = fs::absolute(report).parent_path();
  if (!fs::is_directory(folder, ec)) return "--report: no folder " + folder.string();
  for (const fs::path& pst : options.pstFiles)
    if (fs::equivalent(report, pst, ec)) return "--report " + report.string() + " is a PST file to migrate";
  const bool existed = fs::exists(report, ec);
  const int fd = ::open(report.c_str(), O_WRONLY | O_CLOEXEC | (existed ? 0 : O_CREAT | O_EXCL), 0666);
  if (fd < 0) return "--report " + report.string() + " cannot be written: " + std::strerror(errno);
  ::close(fd);
  if (!existed) ::unlink(report.c_str());
  return std::nullopt;
}

// What stands in the way of a well-formed command.
std::optional<std::string> CheckFiles(const Command& command) {
  for (const fs::path& pst : command.options.pstFiles) {
    std::error_code ec;
    if (!fs::exists(pst, ec)) return pst.string() + ": no such file";
    if (!fs::is_regular_file(pst, ec) || ::access(pst.c_str(), R_OK) != 0) return pst.string() + ": cannot be read";
  }
  if (!command.report.empty()) return ReportProblem(command.report, command.options);
  return std::nullopt;
}

// The importer names the database otherwise than asked when the name is
// taken (it adds a number) or the Notes library refuses it.
void TellDatabaseName(const controller::MigrationReport& report) {
  if (report.database.empty() || report.databaseAsked.empty() || report.database == report.databaseAsked) return;
  const std::string got = report.database.filename().string(), asked = report.databaseAsked.filename().string();
  const bool refused = got.rfind("Mail_Unicode", 0) == 0 && asked.rfind("Mail_Unicode", 0) != 0;
  std::cerr << "brackenford migrate: the database is " << got << ", not " << asked
            << (refused ? ": the Notes library refuses that name\n" : ": that name is taken\n");
}

// Only counts: the road says what it does about it, on a line of its own.
void OnSignal(int) { controller::RequestStop(); }

void CatchSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

// What did not arrive, briefly, on standard error.
void TellProblems(const controller::MigrationReport& report, bool reportWritten) {
  constexpr std::size_t kShown = 10;
  for (const auto& problem : report.problems) std::cerr << "brackenford migrate: " << problem << "\n";
  for (std::size_t i = 0; i < report.failures.size() && i < kShown; ++i) {
    const auto& f = report.failures[i];
    std::cerr << "not arrived: " << win32::Utf16ToUtf8(f.folder) << ", item " << f.itemNumber << " \""
              << win32::Utf16ToUtf8(f.subject) << "\": " << f.reason << "\n";
  }
  for (std::size_t i = 0; i < report.messages.size() && i < kShown; ++i)
    std::cerr << report.messages[i].engine << " " << report.messages[i].kind << ": "
              << win32::Utf16ToUtf8(report.messages[i].text) << "\n";
  if (!report.keptFolder.empty())
    std::cerr << "The files of the items that did not arrive are in " << report.keptFolder.string() << "\n";
  if (!reportWritten && report.failures.size() + report.messages.size() > 2 * kShown)
    std::cerr << "Run with --report FILE.json for all of them.\n";
}

// What went wrong at no cost to the items: said whatever the status.
void TellWarnings(const controller::MigrationReport& report) {
  for (const auto& warning : report.warnings) std::cerr << "brackenford migrate: " << warning << "\n";
}

bool WriteReport(const fs::path& file, const controller::MigrationReport& report,
                 const controller::MigrateOptions& options) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << controller::ReportJson(report, options);
  if (out.flush()) return true;
  std::cerr << "brackenford migrate: cannot write " << file.string() << "\n";
  return false;
}

}  // namespace

int MigrateCommand(const Args& args) {
  Command command;
  bool sawDays = false;
  const std::optional<std::string> usage = TakeOptions(args, command, sawDays);
  if (command.help) {
    std::cout << kUsage;
    return 0;
  }
  if (usage) return UsageError("migrate", *usage);
  if (auto error = CheckUsage(command, sawDays)) return UsageError("migrate", *error);
  if (auto error = CheckFiles(command)) return Refuse(*error);
  if (auto problem = MachineProblem()) return Refuse(*problem);
  command.options.engineFolder = fs::canonical("/proc/self/exe").parent_path();
  // The engines inherit it and read it ahead of the machine's.
  if (command.codePage) ::setenv(win32::kCodePageVariable, std::to_string(*command.codePage).c_str(), 1);

  CatchSignals();
  const Progress::Mode mode = command.quiet                  ? Progress::Mode::kQuiet
                              : ::isatty(STDERR_FILENO) != 0 ? Progress::Mode::kTerminal
                                                             : Progress::Mode::kPlain;
  controller::MigrationReport report;
  {
    Progress progress(mode);
    report = controller::Migrate(command.options, progress);
  }
  TellDatabaseName(report);
  const bool written = !command.report.empty() && WriteReport(command.report, report, command.options);
  const int status = report.ExitStatus();
  if (status == 2) {
    std::cerr << "brackenford migrate: " << report.fatal << "\n";
    TellWarnings(report);
    return 2;
  }
  if (!command.quiet) std::cout << "\n" << controller::SummaryTable(report);
  for (const std::string& line : controller::TopFolderLines(report)) {
    if (!command.quiet) std::cout << line << "\n";
    std::cerr << "brackenford migrate: " << line << "\n";
  }
  if (!report.fatal.empty()) std::cerr << "brackenford migrate: " << report.fatal << "\n";
  if (status != 0) TellProblems(report, written);
  TellWarnings(report);
  return command.report.empty() || written ? status : std::max(status, 1);
}

}  // namespace brackenford_cli
