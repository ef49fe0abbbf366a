#include "win32/process.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

#include "win32/text.h"

namespace win32 {

namespace {

// One argument as Windows' parsing rules would read it back: backslashes
// before a quote are doubled, quotes escaped, the whole quoted when it holds
// a blank or is empty.
std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') out.append(backslashes * 2 + 1, '\\');
    else out.append(backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

std::vector<std::string> ProcessArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string raw(std::istreambuf_iterator<char>(in), {});
  std::vector<std::string> args;
  std::size_t start = 0;
  while (start < raw.size()) {
    std::size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    args.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

}  // namespace

std::u16string JoinCommandLine(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& a : args) {
    if (!line.empty()) line += ' ';
    line += QuoteArgument(a);
  }
  return Utf8ToUtf16(line);
}

}  // namespace win32

LPWSTR GetCommandLineW() {
  static std::u16string line = win32::JoinCommandLine(win32::ProcessArguments());
  return line.data();
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
DWORD GetCurrentThreadId() { return static_cast<DWORD>(::gettid()); }
