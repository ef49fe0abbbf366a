// The whole road against pffexport: `brackenford migrate`'s road (the three
// engines, every item exported and inserted into a Notes database) over a
// synthetic PST, the resident memory of each engine as it goes, then
// `pffexport -f all -m items` and `readpst -j 0 -e` on the same file.
//
//   road_bench [--items N] [--seed S] [--big-every K] [--timeout SECONDS] [PST]
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_support.h"
#include "controller/Migration.h"
#include "testing/temp_machine.h"

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] =
    "usage: road_bench [--items N] [--seed S] [--big-every K] [--timeout SECONDS] [PST]\n"
    "Writes a synthetic PST of N items (default 10000, seed 1;\n"
    "one more 9 MB attachment every K items) to PST, or to a\n"
    "temporary file that is removed afterwards, migrates it into a Notes database\n"
    "through the three engines as `brackenford migrate` does, then times\n"
    "`pffexport -f all -m items` and `readpst -j 0 -e -o <tmp>` on the same\n"
    "file. --timeout is migrate's\n"
    "(default 120): how long an engine may be silent before it is stopped.\n";

constexpr std::uint64_t kMemoryEvery = 1000;

fs::path BuildDir() { return fs::canonical("/proc/self/exe").parent_path().parent_path(); }

long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

// Samples each engine's resident memory, and the controller's (this
// process), before the first item and after every kMemoryEvery items.
class MemoryWatch : public controller::MigrationObserver {
 public:
  struct Sample {
    std::uint64_t items;
    long kb[4];  // tallowby, cressing, fennick, the controller
    double seconds;  // from the start of the road
  };
  std::vector<Sample> samples;

  void Engines(pid_t tallowby, pid_t cressing, pid_t fennick) override { pids_ = {tallowby, cressing, fennick}; }
  void Planned(const std::vector<controller::FolderOutcome>&) override { Take(); }
  void ItemDone(std::size_t, const controller::FolderOutcome&) override {
    if (++items_ % kMemoryEvery == 0) Take();
  }

 private:
  // Printed as taken too, so a long run shows how it goes.
  void Take() {
    samples.push_back(
        {items_,
         {ResidentKb(pids_[0]), ResidentKb(pids_[1]), ResidentKb(pids_[2]), ResidentKb(::getpid())},
         stopwatch_.Seconds()});
    const Sample& s = samples.back();
    std::fprintf(stderr, "  %7llu items %9.1f s %8ld %8ld %8ld %8ld KB\n", static_cast<unsigned long long>(s.items),
                 s.seconds, s.kb[0], s.kb[1], s.kb[2], s.kb[3]);
  }
  bench::Stopwatch stopwatch_;
  std::vector<pid_t> pids_{-1, -1, -1};
  std::uint64_t items_ = 0;
};

// `brackenford migrate --timeout`: how long an engine may be silent, in
// seconds; 0 keeps the controller's default. Set before the run starts.
double g_timeout = 0;

int Run(const bench::PstArgs& args) {
  testing_support::TempMachine machine;
  const std::string init = (BuildDir() / "bin" / "brackenford").string() + " machine init > /dev/null";
  if (std::system(init.c_str()) != 0) throw std::runtime_error("failed: " + init);
  const fs::path temp = machine.scratch() / "temp";
  fs::create_directories(temp);
  ::setenv("TMPDIR", (temp.string() + "/").c_str(), 1);
  const fs::path pst = bench::MakeSyntheticPst(args, machine.scratch());
  const double megabytes = static_cast<double>(fs::file_size(pst)) / (1024.0 * 1024.0);

  controller::MigrateOptions options;
  options.pstFiles = {pst};
  options.outFolder = machine.scratch() / "out";
  options.engineFolder = BuildDir() / "bin";
  if (g_timeout > 0) options.answerLimit = std::chrono::milliseconds(static_cast<long long>(g_timeout * 1000));
  MemoryWatch watch;
  bench::Stopwatch stopwatch;
  const controller::MigrationReport report = controller::Migrate(options, watch);
  const double ours = stopwatch.Seconds();
  const auto announced = static_cast<std::uint64_t>(report.Total(&controller::FolderOutcome::announced));
  const auto inserted = report.Total(&controller::FolderOutcome::inserted);
  if (!report.fatal.empty()) std::fprintf(stderr, "road_bench: %s\n", report.fatal.c_str());
  for (const std::string& problem : report.problems) std::fprintf(stderr, "road_bench: %s\n", problem.c_str());

  std::printf("road: %llu items announced, %lld inserted, %lld failed, %zu engine messages, in %zu folders\n",
              static_cast<unsigned long long>(announced), static_cast<long long>(inserted),
              static_cast<long long>(report.Total(&controller::FolderOutcome::failed)), report.messages.size(),
              report.folders.size());
  std::printf("resident memory (VmRSS, KB) and time: items seconds tallowby cressing fennick controller\n");
  for (const MemoryWatch::Sample& s : watch.samples)
    std::printf("  %7llu %9.1f %8ld %8ld %8ld %8ld\n", static_cast<unsigned long long>(s.items), s.seconds, s.kb[0],
                s.kb[1], s.kb[2], s.kb[3]);
  std::printf("whole road: %.2f s, %.0f items/s, %.0f MB of PST per hour\n", ours, bench::Rate(announced, ours),
              ours > 0 ? megabytes * 3600 / ours : 0.0);

  const std::string target = (machine.scratch() / "pffexport").string();
  const auto theirs = bench::RunTimed({"pffexport", "-f", "all", "-m", "items", "-t", target, pst.string()});
  if (!theirs) {
    std::fprintf(stderr, "road_bench: pffexport did not run to success (is pff-tools installed?)\n");
    return 1;
  }
  const double theirRate = bench::Rate(args.items, theirs->wall);
  std::printf("pffexport -f all -m items: %.2f s (%.2f s of CPU), %.0f items/s, %.0f MB of PST per hour\n",
              theirs->wall, theirs->cpu, theirRate, theirs->wall > 0 ? megabytes * 3600 / theirs->wall : 0.0);
  std::printf("ratio (items/s, road / pffexport): %.2f (goal: at least 2.5)\n",
              theirRate > 0 ? bench::Rate(announced, ours) / theirRate : 0.0);

  // readpst writes one file per message, so its files count as its items.
  const auto readpst = bench::RunReadpst(machine.scratch(), pst, "road_bench");
  if (!readpst) return 1;
  std::printf("readpst -j 0 -e: %.2f s (%.2f s of CPU), %llu files, %.0f files/s\n", readpst->times.wall,
              readpst->times.cpu, static_cast<unsigned long long>(readpst->files), readpst->rate);
  std::printf("ratio (items/s, road / readpst -j 0 -e): %.2f (goal: at least 1)\n",
              readpst->rate > 0 ? bench::Rate(announced, ours) / readpst->rate : 0.0);
  return report.ExitStatus() == 0 && announced == args.items ? 0 : 1;
}

}  // namespace

// Takes --timeout off the arguments and hands the rest to the shared parser.
int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (i > 0 && std::strcmp(argv[i], "--timeout") == 0) {
      const auto seconds = i + 1 < argc ? bench::ParseNumber(argv[++i]) : std::nullopt;
      if (!seconds || *seconds == 0 || *seconds > 86400) {
        std::fputs(kUsage, stderr);
        return 2;
      }
      g_timeout = static_cast<double>(*seconds);
    } else {
      rest.push_back(argv[i]);
    }
  }
  return bench::PstBenchMain(static_cast<int>(rest.size()), rest.data(), "road_bench", kUsage, Run);
}
