// brackenford send: one request to an engine window, found by its title,
// with the WM_COPYDATA replies it sends back shown and saved.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <type_traits>
#include <utility>

#include "commands.h"
#include "controller/Requester.h"
#include "win32/text.h"

namespace brackenford_cli {

namespace {

void Help(std::ostream& out) {
  out << "usage: brackenford send --title TITLE (--message N [--lparam V] |\n"
         "                        --copydata CODE --data FILE [--self-at OFFSET]...)\n"
         "                        [--replies DIR] [--answer CODE=VALUE]... [--wait SECONDS]\n"
         "       brackenford send --list\n"
         "\n"
         "Sends one request to the window with that title, wParam being our own window.\n";
  PrintColumns(out, {
                        {"--message N", "a plain window message; --lparam V its lParam (default 0)"},
                        {"--copydata CODE", "WM_COPYDATA with dwData CODE and the bytes of FILE (--data)"},
                        {"--self-at OFFSET", "also write our window handle (8 bytes, little-endian) at OFFSET"},
                        {"--replies DIR", "save each WM_COPYDATA received meanwhile as DIR/NNN-CODE.bin"},
                        {"--answer CODE=V", "answer received messages with that code by V (default 1)"},
                        {"--wait SECONDS", "wait that long for the window to appear (default 0, at most 86400)"},
                        {"--list", "print the titles of the desktop's windows"},
                    });
  out << "Prints 'result: N' and one 'reply NNN: code CODE, BYTES bytes' line per reply.\n"
         "Exit status: 0 delivered; 1 any other failure; 2 bad arguments; 3 no window has the title.\n";
}

// No window has the title: distinct from bad arguments, for scripts that wait for an engine.
constexpr int kNoWindow = 3;

struct Options {
  std::string title;
  bool list = false;
  std::optional<UINT> message;
  long long lParam = 0;
  std::optional<unsigned long long> copyCode;
  std::string dataFile;
  std::vector<std::size_t> selfAt;
  std::string repliesDir;
  std::map<unsigned long long, long long> answers;
  double waitSeconds = 0;
};

// Whole-string numbers, decimal or 0x-hex, that T holds.
template <class T>
bool ParseNumber(const std::string& text, T& out) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  if constexpr (std::is_signed_v<T>) {
    const long long n = std::strtoll(text.c_str(), &end, 0);
    if (!std::in_range<T>(n)) return false;
    out = static_cast<T>(n);
  } else {
    if (text[0] == '-') return false;
    const unsigned long long n = std::strtoull(text.c_str(), &end, 0);
    if (!std::in_range<T>(n)) return false;
    out = static_cast<T>(n);
  }
  return errno == 0 && end && *end == '\0';
}

// Seconds to wait: a plain decimal number up to a day.
constexpr double kMaxWaitSeconds = 86400;
bool ParseSeconds(const std::string& text, double& out) {
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end && *end == '\0' && std::isfinite(out) && out >= 0 && out <= kMaxWaitSeconds;
}

// Parses the arguments; an error text, or nothing when they are sound.
std::optional<std::string> Parse(const Args& args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    // "--name=value" stands for "--name value".
    const std::size_t eq = args[i].rfind("--", 0) == 0 ? args[i].find('=') : std::string::npos;
    const std::string a = args[i].substr(0, eq);
    auto value = [&](std::string& out) -> bool {
      if (eq != std::string::npos) return out = args[i].substr(eq + 1), true;
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--list" && eq != std::string::npos) {
      return "--list takes no value";
    } else if (a == "--list") {
      o.list = true;
    } else if (a == "--title") {
      if (!value(o.title)) return "--title needs a text";
    } else if (a == "--message") {
      UINT n;
      if (!value(v) || !ParseNumber(v, n)) return "--message needs a message number (0 to 0xFFFFFFFF)";
      o.message = n;
    } else if (a == "--lparam") {
      if (!value(v) || !ParseNumber(v, o.lParam)) return "--lparam needs a number";
    } else if (a == "--copydata") {
      unsigned long long n;
      if (!value(v) || !ParseNumber(v, n)) return "--copydata needs a code";
      o.copyCode = n;
    } else if (a == "--data") {
      if (!value(o.dataFile)) return "--data needs a file";
    } else if (a == "--self-at") {
      std::size_t n;
      if (!value(v) || !ParseNumber(v, n)) return "--self-at needs an offset";
      o.selfAt.push_back(n);
    } else if (a == "--replies") {
      if (!value(o.repliesDir)) return "--replies needs a folder";
    } else if (a == "--answer") {
      unsigned long long code;
      long long answer;
      const std::size_t eq = value(v) ? v.find('=') : std::string::npos;
      if (eq == std::string::npos || !ParseNumber(v.substr(0, eq), code) || !ParseNumber(v.substr(eq + 1), answer))
        return "--answer needs CODE=VALUE";
      o.answers[code] = answer;
    } else if (a == "--wait") {
      if (!value(v) || !ParseSeconds(v, o.waitSeconds)) return "--wait needs seconds (0 to 86400)";
    } else if (a == "--" && i + 1 < args.size()) {
      return "unexpected argument '" + args[i + 1] + "'";
    } else if (a != "--") {
      return (a.rfind("-", 0) == 0 ? "unknown option '" : "unexpected argument '") + args[i] + "'";
    }
  }
  if (o.list) return std::nullopt;
  if (o.title.empty()) return "--title is required";
  if (o.message.has_value() == o.copyCode.has_value()) return "give either --message or --copydata";
  if (o.copyCode && o.dataFile.empty()) return "--copydata needs --data FILE";
  if (o.message && (!o.dataFile.empty() || !o.selfAt.empty())) return "--data and --self-at go with --copydata";
  return std::nullopt;
}

int List() {
  std::vector<HWND> windows;
  EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  for (HWND h : windows) {
    WCHAR title[1024];
    GetWindowTextW(h, title, 1024);
    std::cout << win32::Utf16ToUtf8(title) << "\n";
  }
  return 0;
}

std::optional<std::vector<BYTE>> ReadData(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

// Saves and shows each reply as it arrives; answers it from --answer.
LRESULT OnReply(const Options& o, std::size_t number, const controller::CopyDataReply& r) {
  char name[64];
  std::snprintf(name, sizeof name, "%03zu-%llu.bin", number, static_cast<unsigned long long>(r.code));
  if (!o.repliesDir.empty()) {
    std::ofstream out(std::filesystem::path(o.repliesDir) / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(r.bytes.data()), static_cast<std::streamsize>(r.bytes.size()));
    if (!out) std::cerr << "brackenford: send: cannot save " << name << " in " << o.repliesDir << "\n";
  }
  std::printf("reply %03zu: code %llu, %s\n", number, static_cast<unsigned long long>(r.code),
              Counted(static_cast<std::int64_t>(r.bytes.size()), "byte", "bytes").c_str());
  std::fflush(stdout);
  auto it = o.answers.find(r.code);
  return it == o.answers.end() ? 1 : static_cast<LRESULT>(it->second);
}

}  // namespace

int SendCommand(const Args& args) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      Help(std::cout);
      return 0;
    }
  }
  Options o;
  if (auto error = Parse(args, o)) return UsageError("send", *error);
  if (auto problem = MachineProblem()) return Fail("send: " + *problem);
  if (o.list) return List();

  std::vector<BYTE> data;
  if (o.copyCode) {
    auto bytes = ReadData(o.dataFile);
    if (!bytes) return Fail("send: cannot read " + o.dataFile);
    data = std::move(*bytes);
    for (std::size_t at : o.selfAt)
      if (at > data.size() || data.size() - at < 8)
        return Fail("send: --self-at " + std::to_string(at) + " does not fit the " + std::to_string(data.size()) +
                    "-byte record");
  }
  if (!o.repliesDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o.repliesDir, ec);
    if (ec) return Fail("send: cannot create " + o.repliesDir + ": " + ec.message());
  }

  const auto wait = std::chrono::milliseconds(static_cast<long long>(o.waitSeconds * 1000));
  HWND target = controller::WaitForWindow(win32::Utf8ToUtf16(o.title), wait);
  if (!target) {
    std::cerr << "brackenford: send: no window has the title '" << o.title << "'\n";
    return kNoWindow;
  }
  controller::Requester requester;
  if (!requester.Window()) return Fail("send: cannot create the requester's window");
  std::size_t number = 0;
  requester.SetAnswer([&](const controller::CopyDataReply& r) { return OnReply(o, ++number, r); });

  controller::SendResult result;
  if (o.copyCode) {
    const ULONGLONG self = win32::HandleValue(requester.Window());
    for (std::size_t at : o.selfAt)
      for (int b = 0; b < 8; ++b) data[at + b] = static_cast<BYTE>(self >> (8 * b));
    result = requester.SendCopyData(target, static_cast<ULONG_PTR>(*o.copyCode), data.data(),
                                    static_cast<DWORD>(data.size()));
  } else {
    result = requester.Send(target, *o.message, static_cast<LPARAM>(o.lParam));
  }
  if (!result.delivered) return Fail("send: the window '" + o.title + "' went away before it answered");
  std::printf("result: %lld\n", static_cast<long long>(result.value));
  return 0;
}

}  // namespace brackenford_cli
