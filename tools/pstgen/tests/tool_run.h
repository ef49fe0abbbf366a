// Runs a command line and collects its exit status and combined output.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace pstgen_test {

struct ToolResult {
  int status = -1;
  std::string output;
};

inline ToolResult RunTool(const std::string& command) {
  ToolResult r;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// Lines of a reader's output that report a problem; libpff's note that it
// cannot classify attachments of methods other than 1, 2, 5 and 6 aside.
inline std::string Complaints(const std::string& output) {
  std::string out, line;
  auto lower = [](std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  for (std::size_t at = 0; at < output.size();) {
    std::size_t nl = output.find('\n', at);
    if (nl == std::string::npos) nl = output.size();
    line = lower(output.substr(at, nl - at));
    at = nl + 1;
    bool bad = line.find("unable") != std::string::npos || line.find("error") != std::string::npos ||
               line.find("corrupt") != std::string::npos;
    bool methodNote = line.find("unsupported attachment method") != std::string::npos ||
                      line.find("unable to retrieve attachment type") != std::string::npos;
    if (bad && !methodNote) out += line + "\n";
  }
  return out;
}

// Folders where readpst skipped items, from its '"Inbox" - 3 items done, 0
// items skipped.' lines. readpst writes mail, appointments, journal entries
// and contacts only: it skips tasks, sticky notes and distribution lists
// (in Outlook's own files too), so the folders holding those are left out.
inline std::string ReadpstSkips(const std::string& output) {
  std::string out;
  for (std::size_t at = output.find(" items skipped."); at != std::string::npos;
       at = output.find(" items skipped.", at + 1)) {
    std::size_t lineStart = output.rfind('\n', at);
    std::string line = output.substr(lineStart == std::string::npos ? 0 : lineStart + 1, at - lineStart);
    std::size_t q1 = line.find('"'), q2 = line.find('"', q1 + 1);
    std::string folder = line.substr(q1 + 1, q2 - q1 - 1);
    std::size_t comma = line.rfind(", ");
    std::string skipped = line.substr(comma + 2, line.find(' ', comma + 2) - comma - 2);
    if (skipped != "0" && folder != "Tasks" && folder != "Notes" && folder != "Contacts")
      out += folder + ": " + skipped + " skipped\n";
  }
  return out;
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace pstgen_test
