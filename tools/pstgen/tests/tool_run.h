// Runs a command line and collects its exit status and combined output.
#pragma once

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

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace pstgen_test
