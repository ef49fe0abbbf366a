#include "bench_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "mapi/holders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/profiles.h"
#include "mapi/props.h"
#include "pstgen/synthetic.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace bench {
namespace {

constexpr char kProfile[] = "Bench";

double SecondsOf(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

mapi::Buffer<SPropTagArray> Columns(std::initializer_list<ULONG> tags) {
  mapi::Buffer<SPropTagArray> cols = mapi::NewTagArray({tags.begin(), tags.size()});
  if (!cols) throw std::bad_alloc();
  return cols;
}

template <class T>
ComPtr<T> OpenEntry(IMsgStore* store, const SBinary* eid) {
  ComPtr<T> out;
  ULONG type = 0;
  HRESULT hr = store->OpenEntry(eid ? eid->cb : 0, eid ? reinterpret_cast<LPENTRYID>(eid->lpb) : nullptr, &IidOf<T>(),
                                0, &type, reinterpret_cast<LPUNKNOWN*>(out.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) out.Reset();
  return out;
}

// The entry ids of a table's rows, a batch at a time, so that a big folder
// is never held whole.
template <class Visit>
bool ForEachEntryId(IMAPITable* table, Visit&& visit) {
  auto cols = Columns({PR_ENTRYID});
  if (FAILED(table->SetColumns(cols.get(), 0))) return true;
  for (;;) {
    mapi::RowSet rows;
    // Out() hands the rows over at the end of the statement.
    const HRESULT hr = table->QueryRows(200, 0, mapi::Out(rows));
    if (FAILED(hr) || !rows || rows->cRows == 0) return true;
    for (ULONG i = 0; i < rows->cRows; ++i) {
      const SPropValue& v = rows->aRow[i].lpProps[0];
      if (PROP_TYPE(v.ulPropTag) == PT_BINARY && !visit(v.Value.bin)) return false;
    }
  }
}

bool WalkFolder(IMsgStore* store, IMAPIFolder* folder, const std::function<bool(IMessage*)>& visit,
                std::uint64_t* failures) {
  ComPtr<IMAPITable> contents;
  if (SUCCEEDED(folder->GetContentsTable(0, contents.ReleaseAndGetAddressOf()))) {
    bool go = ForEachEntryId(contents.Get(), [&](const SBinary& eid) {
      ComPtr<IMessage> message = OpenEntry<IMessage>(store, &eid);
      if (!message) {
        ++*failures;
        return true;
      }
      return visit(message.Get());
    });
    if (!go) return false;
  }
  ComPtr<IMAPITable> children;
  if (FAILED(folder->GetHierarchyTable(0, children.ReleaseAndGetAddressOf()))) return true;
  return ForEachEntryId(children.Get(), [&](const SBinary& eid) {
    ComPtr<IMAPIFolder> child = OpenEntry<IMAPIFolder>(store, &eid);
    return !child || WalkFolder(store, child.Get(), visit, failures);
  });
}

}  // namespace

std::optional<std::uint64_t> ParseNumber(const char* text) {
  if (!text || !*text) return std::nullopt;
  std::uint64_t n = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9' || n > (UINT64_MAX - 9) / 10) return std::nullopt;
    n = n * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  return n;
}

int PstBenchMain(int argc, char** argv, const char* name, const char* usage, int (*run)(const PstArgs&)) {
  PstArgs args;
  bool help = false;
  if (!ParsePstArgs(argc, argv, &args, &help)) {
    std::fputs(usage, stderr);
    return 2;
  }
  if (help) {
    std::fputs(usage, stdout);
    return 0;
  }
  try {
    return run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return 1;
  }
}

bool ParsePstArgs(int argc, char** argv, PstArgs* args, bool* help) {
  *help = false;
  bool havePath = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      *help = true;
      return true;
    }
    std::uint64_t* value = std::strcmp(a, "--items") == 0  ? &args->items
                           : std::strcmp(a, "--seed") == 0 ? &args->seed
                           : std::strcmp(a, "--big-every") == 0 ? &args->bigEvery
                                                           : nullptr;
    if (value) {
      auto n = i + 1 < argc ? ParseNumber(argv[++i]) : std::nullopt;
      if (!n || (value != &args->seed && *n == 0)) return false;
      *value = *n;
    } else if (a[0] == '-' || havePath) {
      return false;
    } else {
      args->keep = a;
      havePath = true;
    }
  }
  return true;
}

fs::path MakeSyntheticPst(const PstArgs& args, const fs::path& scratch) {
  const fs::path path = args.keep.empty() ? scratch / "synthetic.pst" : fs::absolute(args.keep);
  Stopwatch watch;
  pstgen::WriteSynthetic({args.items, args.seed, args.bigEvery}, path);
  std::printf("synthetic PST: %llu items, seed %llu, %.1f MB, written in %.2f s: %s\n",
              static_cast<unsigned long long>(args.items), static_cast<unsigned long long>(args.seed),
              static_cast<double>(fs::file_size(path)) / (1024.0 * 1024.0), watch.Seconds(), path.c_str());
  return path;
}

PstLogon::PstLogon(const fs::path& pst) {
  if (FAILED(MAPIInitialize(nullptr))) throw std::runtime_error("MAPIInitialize failed");
  mapi::profiles::Profile profile;
  profile.name = win32::Utf8ToUtf16(kProfile);
  profile.services.push_back(mapi::profiles::PstService(win32::Utf8ToUtf16(pst.string())));
  if (FAILED(mapi::profiles::Create(profile))) throw std::runtime_error("cannot create the profile");
  if (FAILED(MAPILogonEx(0, const_cast<LPSTR>(kProfile), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION | MAPI_NO_MAIL,
                         session_.ReleaseAndGetAddressOf())))
    throw std::runtime_error("the logon failed");
  ComPtr<IMAPITable> stores;
  mapi::RowSet rows;
  auto cols = Columns({PR_ENTRYID});
  HRESULT hr = session_->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr)) hr = HrQueryAllRows(stores.Get(), cols.get(), nullptr, nullptr, 0, mapi::Out(rows));
  if (FAILED(hr) || !rows || rows->cRows != 1) throw std::runtime_error("no store in the profile");
  const SBinary& eid = rows->aRow[0].lpProps[0].Value.bin;
  if (FAILED(session_->OpenMsgStore(0, eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, 0,
                                    store_.ReleaseAndGetAddressOf())))
    throw std::runtime_error("cannot open the store");
}

PstLogon::~PstLogon() {
  store_.Reset();
  if (session_) session_->Logoff(0, 0, 0);
  session_.Reset();
  MAPIUninitialize();
}

void ForEachMessage(IMsgStore* store, const std::function<bool(IMessage*)>& visit, std::uint64_t* failures) {
  ComPtr<IMAPIFolder> root = OpenEntry<IMAPIFolder>(store, nullptr);
  if (!root) throw std::runtime_error("cannot open the root folder");
  WalkFolder(store, root.Get(), visit, failures);
}

std::optional<RunTimes> RunTimed(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  Stopwatch watch;
  const pid_t pid = ::fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return RunTimes{watch.Seconds(), SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime)};
}

std::uint64_t CountFiles(const fs::path& dir) {
  std::uint64_t n = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) ++n;
  return n;
}

double Rate(std::uint64_t items, double seconds) { return seconds > 0 ? static_cast<double>(items) / seconds : 0; }

std::optional<ReadpstRun> RunReadpst(const fs::path& scratch, const fs::path& pst, const char* who) {
  const fs::path out = scratch / "readpst";
  fs::create_directories(out);
  const auto times = RunTimed({"readpst", "-j", "0", "-e", "-o", out.string(), pst.string()});
  if (!times) {
    std::fprintf(stderr, "%s: readpst did not run to success (is pst-utils installed?)\n", who);
    return std::nullopt;
  }
  const std::uint64_t files = CountFiles(out);
  return ReadpstRun{*times, files, Rate(files, times->wall)};
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

double Stopwatch::Seconds() const { return static_cast<double>(NowNs() - startNs_) / 1e9; }
double Stopwatch::CpuSeconds() const { return CpuNow() - startCpu_; }

double Stopwatch::CpuNow() {
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return SecondsOf(usage.ru_utime) + SecondsOf(usage.ru_stime);
}

std::int64_t Stopwatch::NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace bench
