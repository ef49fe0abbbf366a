// What the PST benchmarks share: a synthetic PST in a temporary machine, a
// logon to it through a PST profile, a walk over every message, timed runs
// of other programs, and the process's resident memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mapi/interfaces.h"

namespace bench {

// A command-line number: nullopt unless the whole text is decimal digits
// that fit.
std::optional<std::uint64_t> ParseNumber(const char* text);

// What the PST benchmarks take on their command line.
struct PstArgs {
  std::uint64_t items = 10000;
  std::uint64_t seed = 1;
  std::uint64_t bigEvery = 0;  // a 9 MB attachment every this many items besides the usual one
  std::filesystem::path keep;  // where to write the synthetic PST and keep it; empty: a scratch file
};
// False on anything it does not know; "--help" sets help.
bool ParsePstArgs(int argc, char** argv, PstArgs* args, bool* help);
// A benchmark's main: parses the arguments (usage and 2 on bad ones), runs
// it, and turns an escaping exception into a message and 1.
int PstBenchMain(int argc, char** argv, const char* name, const char* usage, int (*run)(const PstArgs&));

// Writes the synthetic PST the arguments ask for, into `scratch` unless a
// path to keep it at was given; prints what it made.
std::filesystem::path MakeSyntheticPst(const PstArgs& args, const std::filesystem::path& scratch);

// A MAPI session on one PST through a profile of the current machine root.
class PstLogon {
 public:
  explicit PstLogon(const std::filesystem::path& pst);  // throws std::runtime_error on failure
  ~PstLogon();
  PstLogon(const PstLogon&) = delete;
  PstLogon& operator=(const PstLogon&) = delete;
  IMsgStore* store() const { return store_.Get(); }

 private:
  ComPtr<IMAPISession> session_;
  ComPtr<IMsgStore> store_;
};

// Calls visit for every message of every folder under the store's root,
// folder by folder, depth first; stops at the first false. Counts messages
// that failed to open in *failures.
void ForEachMessage(IMsgStore* store, const std::function<bool(IMessage*)>& visit, std::uint64_t* failures);

// Seconds a program took: wall time, and CPU time (user and system) of
// it and of the processes it started and waited for.
struct RunTimes {
  double wall = 0;
  double cpu = 0;
};
// Runs argv with its output thrown away; nullopt when it could not start
// or did not exit with status 0.
std::optional<RunTimes> RunTimed(const std::vector<std::string>& argv);

// readpst -j 0 -e -o scratch/readpst PST (one .eml per message, one
// process): its times, the files it wrote (its items) and their rate.
// Nothing when it did not run to success, which `who` says on standard error.
struct ReadpstRun {
  RunTimes times;
  std::uint64_t files = 0;
  double rate = 0;
};
std::optional<ReadpstRun> RunReadpst(const std::filesystem::path& scratch, const std::filesystem::path& pst,
                                     const char* who);

// The regular files below a folder, at any depth.
std::uint64_t CountFiles(const std::filesystem::path& dir);
// Items per second; 0 for no time.
double Rate(std::uint64_t items, double seconds);

// VmRSS of this process in KB (0 when it cannot be read).
long ResidentKb();

// Wall time and this process's CPU time (user and system) from construction.
class Stopwatch {
 public:
  double Seconds() const;
  double CpuSeconds() const;

 private:
  static std::int64_t NowNs();
  static double CpuNow();
  std::int64_t startNs_ = NowNs();
  double startCpu_ = CpuNow();
};

}  // namespace bench
