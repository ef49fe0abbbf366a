// The MIME converter over every message of a synthetic PST, each written to
// a memory stream of its own, against readpst writing one file per message
// of the same PST.
//
//   mime_bench [--items N] [--seed S] [--big-every K] [PST]
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "com/com.h"
#include "com/stream.h"
#include "mapi/mimeconv.h"
#include "testing/temp_machine.h"

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] =
    "usage: mime_bench [--items N] [--seed S] [--big-every K] [PST]\n"
    "Writes a synthetic PST of N items (default 10000, seed 1;\n"
    "one more 9 MB attachment every K items) to PST, or to a\n"
    "temporary file that is removed afterwards, converts every message with\n"
    "MAPIToMIMEStm into a memory stream, then times `readpst -e` on the same file, with its\n"
    "workers and in one process (`-j 0`).\n";

// As `brackenford machine init` registers it: the server in lib/ beside bin/.
void RegisterConverter() {
  const fs::path lib = fs::canonical("/proc/self/exe").parent_path().parent_path() / "lib";
  if (FAILED(com::RegisterInprocServer(CLSID_IConverterSession, u"", lib / "brackenford_mimeconv.so")))
    throw std::runtime_error("cannot register the MIME converter");
}

ComPtr<IConverterSession> NewConverter() {
  ComPtr<IConverterSession> converter;
  if (FAILED(CoCreateInstance(CLSID_IConverterSession, nullptr, CLSCTX_INPROC_SERVER, IID_IConverterSession,
                              converter.ReleaseAndGetAddressOfVoid())))
    throw std::runtime_error("cannot create the MIME converter");
  return converter;
}

struct Totals {
  std::uint64_t messages = 0;
  std::uint64_t failed = 0;
  std::uint64_t bytes = 0;
  double convertSeconds = 0;  // inside MAPIToMIMEStm alone
};

void Convert(IConverterSession* converter, IMessage* message, Totals* totals) {
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf())))
    throw std::runtime_error("cannot create a memory stream");
  bench::Stopwatch watch;
  const HRESULT hr = converter->MAPIToMIMEStm(message, stream.Get(), CCSF_SMTP);
  totals->convertSeconds += watch.Seconds();
  ++totals->messages;
  STATSTG st{};
  if (FAILED(hr) || FAILED(stream->Stat(&st, STATFLAG_NONAME)) || st.cbSize.QuadPart == 0) {
    ++totals->failed;
    return;
  }
  totals->bytes += st.cbSize.QuadPart;
}

// The files readpst wrote: one a message.
int Run(const bench::PstArgs& args) {
  testing_support::TempMachine machine;
  const auto pst = bench::MakeSyntheticPst(args, machine.scratch());
  if (FAILED(CoInitialize(nullptr))) throw std::runtime_error("CoInitialize failed");
  RegisterConverter();

  Totals totals;
  std::uint64_t failures = 0;
  double ours = 0, oursCpu = 0;
  {
    bench::PstLogon logon(pst);
    ComPtr<IConverterSession> converter = NewConverter();
    bench::Stopwatch watch;
    bench::ForEachMessage(
        logon.store(),
        [&](IMessage* message) {
          Convert(converter.Get(), message, &totals);
          return true;
        },
        &failures);
    ours = watch.Seconds();
    oursCpu = watch.CpuSeconds();
  }
  CoUninitialize();
  std::printf(
      "converted: %llu messages to %.1f MB of MIME in memory streams; %llu failed to open, "
      "%llu failed to convert\n",
      static_cast<unsigned long long>(totals.messages), static_cast<double>(totals.bytes) / (1024.0 * 1024.0),
      static_cast<unsigned long long>(failures), static_cast<unsigned long long>(totals.failed));

  std::printf(
      "MAPIToMIMEStm (open and convert, CCSF_SMTP): %.2f s (%.2f s of CPU; %.2f s inside the converter), "
      "%.0f messages/s\n",
      ours, oursCpu, totals.convertSeconds, bench::Rate(totals.messages, ours));

  // readpst forks workers by default; "-j 0" is the one-process run that
  // compares with our one converter.
  bool ran = true;
  for (const bool oneProcess : {false, true}) {
    const fs::path out = machine.scratch() / (oneProcess ? "readpst-j0" : "readpst");
    fs::create_directories(out);
    std::vector<std::string> command{"readpst", "-e", "-o", out.string(), pst.string()};
    if (oneProcess) command.insert(command.begin() + 1, {"-j", "0"});
    const auto theirs = bench::RunTimed(command);
    if (!theirs) {
      std::fprintf(stderr, "mime_bench: readpst did not run to success (is pst-utils installed?)\n");
      ran = false;
      break;
    }
    const std::uint64_t files = bench::CountFiles(out);
    const char* name = oneProcess ? "readpst -j 0 -e" : "readpst -e";
    std::printf("%s: %.2f s (%.2f s of CPU), %llu files, %.0f messages/s\n", name, theirs->wall, theirs->cpu,
                static_cast<unsigned long long>(files), bench::Rate(files, theirs->wall));
    std::printf("ratio (messages/s, converter / %s): %.2f (goal: at least 1)\n", name,
                bench::Rate(totals.messages, ours) / bench::Rate(files, theirs->wall));
  }
  if (!ran) return 1;
  return failures == 0 && totals.failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) { return bench::PstBenchMain(argc, argv, "mime_bench", kUsage, Run); }
