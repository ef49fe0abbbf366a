// The first export mode of the real Cressing engine over every folder of a
// synthetic PST, driven by a requester that answers every item with 1 (and,
// as the importer would, deletes the attachment files it was handed), against
// readpst writing one .eml per message of the same file in one process.
//
//   export_bench [--items N] [--seed S] [--big-every K] [PST]
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "com/com.h"
#include "controller/Requester.h"
#include "cressing/CressingRecords.h"
#include "mapi/install.h"
#include "mapi/mimeconv.h"
#include "mapi/profiles.h"
#include "testing/temp_machine.h"
#include "win32/text.h"
#include "win32/window.h"

namespace fs = std::filesystem;

namespace {

constexpr char kUsage[] =
    "usage: export_bench [--items N] [--seed S] [--big-every K] [PST]\n"
    "Writes a synthetic PST of N items (default 10000, seed 1;\n"
    "one more 9 MB attachment every K items) to PST, or to a\n"
    "temporary file that is removed afterwards, exports every folder of it with the\n"
    "cressing engine's first export mode (a requester answering 1 to every item),\n"
    "then times `readpst -j 0 -e` on the same file.\n";

constexpr auto kLimit = std::chrono::seconds(30);
constexpr std::uint64_t kMemoryEvery = 1000;

fs::path BuildDir() { return fs::canonical("/proc/self/exe").parent_path().parent_path(); }

// A field of /proc/<pid>/status in KB.
long StatusKb(pid_t pid, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  const std::size_t length = std::strlen(field);
  for (std::string line; std::getline(status, line);)
    if (line.compare(0, length, field) == 0) return std::strtol(line.c_str() + length, nullptr, 10);
  return 0;
}

// User and system seconds of a process so far.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string skip;
  for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
  double user = 0, system = 0;
  fields >> user >> system;
  return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

fs::path PosixPath(std::u16string path) {
  std::replace(path.begin(), path.end(), u'\\', u'/');
  return fs::path(win32::Utf16ToUtf8(path));
}

// What the importer does with an item's attachment files: uses and deletes
// each one the list names.
std::uint64_t DeleteListedFiles(const std::u16string& listPath) {
  std::ifstream in(PosixPath(listPath), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // UTF-16LE, as this machine holds it: one line each of name, display name, folder.
  const std::u16string list(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
  std::vector<std::u16string> lines;
  for (std::size_t at = 0, end; at < list.size(); at = end + 2) {
    end = std::min(list.find(u"\r\n", at), list.size());
    lines.push_back(list.substr(at, end - at));
  }
  std::uint64_t deleted = 0;
  for (std::size_t i = 0; i + 2 < lines.size(); i += 3) {
    std::error_code ec;
    deleted += fs::remove(PosixPath(lines[i + 2] + lines[i]), ec);
  }
  return deleted;
}

struct Totals {
  std::uint64_t items = 0;
  std::uint64_t attachments = 0;
  std::uint64_t errors = 0;
  std::uint64_t emlBytes = 0;
  std::uint64_t folders = 0;
  std::vector<std::pair<std::uint64_t, long>> memory;  // items, engine VmRSS in KB
};

class Exporter {
 public:
  Exporter(const fs::path& pst, const fs::path& work) {
    std::string error;
    if (!mapi::InstallMapi(&error)) throw std::runtime_error(error);
    if (FAILED(com::RegisterInprocServer(CLSID_IConverterSession, u"", BuildDir() / "lib" / "brackenford_mimeconv.so")))
      throw std::runtime_error("cannot register the MIME converter");
    mapi::profiles::Profile profile;
    profile.name = u"Bench";
    profile.services.push_back(mapi::profiles::PstService(win32::Utf8ToUtf16(pst.string()), u"Synthetic"));
    if (FAILED(mapi::profiles::Create(profile))) throw std::runtime_error("cannot create the profile");

    // The engine writes into its current folder.
    const fs::path previous = fs::current_path();
    fs::current_path(work);
    engine_ = controller::EngineProcess::Start(BuildDir() / "bin" / "cressing", {"<GUID>export-bench"}, &error);
    fs::current_path(previous);
    if (!engine_) throw std::runtime_error(error);
    window_ = controller::WaitForWindow(u"<GUID>export-bench", kLimit, &*engine_);
    if (!window_) throw std::runtime_error("the engine's window did not come up");

    LOGON_INFO logon{};
    logon.hwnd = win32::HandleValue(requester_.Window());
    std::strcpy(logon.profile, "Bench");
    if (requester_.SendRecord(window_, CD_LOGON, logon).value != 1) throw std::runtime_error("the logon failed");
    if (requester_.Send(window_, WM_LIST_STORES).value != 0) throw std::runtime_error("no store list");
    if (requester_.Send(window_, WM_LIST_STORE_FOLDERS, 1).value != 0) throw std::runtime_error("no folder walk");
    requester_.TakeReplies();
  }
  ~Exporter() {
    if (engine_ && window_) engine_->Close(window_, kLimit);
  }

  pid_t Pid() const { return engine_->Pid(); }
  long ResidentKb() const { return StatusKb(engine_->Pid(), "VmRSS:"); }

  // Every folder entry from 2 on, until one that is no entry.
  void ExportAll(Totals* totals) {
    // One record for every answer: zeroing 40 KB an item shows in the figures.
    auto info = std::make_unique<ITEM_INFO>();
    requester_.SetAnswer([&](const controller::CopyDataReply& reply) -> LRESULT {
      if (reply.code == CD_ERROR_TEXT) {
        ++totals->errors;
        ERROR_TEXT_INFO info{};
        std::memcpy(&info, reply.bytes.data(), std::min(reply.bytes.size(), sizeof info));
        std::fprintf(stderr, "error text: %s\n",
                     win32::Utf16ToUtf8(std::u16string(win32::WideField(info.message, kErrorTextUnits))).c_str());
      }
      if (reply.code != CD_ITEM_INFO) return 1;
      if (reply.bytes.size() < sizeof *info) std::memset(info.get(), 0, sizeof *info);
      std::memcpy(info.get(), reply.bytes.data(), std::min(reply.bytes.size(), sizeof *info));
      const std::u16string eml(win32::WideField(info->emlFile, 5000));
      std::error_code ec;
      if (!eml.empty()) totals->emlBytes += fs::file_size(PosixPath(eml), ec);
      totals->attachments += DeleteListedFiles(std::u16string(win32::WideField(info->attachmentList, 5000)));
      if (++totals->items % kMemoryEvery == 0) totals->memory.emplace_back(totals->items, ResidentKb());
      return 1;
    });
    auto request = std::make_unique<EXPORT_FOLDER_INFO>();
    for (std::int32_t entry = 2;; ++entry) {
      std::memset(request.get(), 0, sizeof *request);
      request->entryIndex = entry;
      std::fill(std::begin(request->typeEnabled), std::end(request->typeEnabled), 1);
      const controller::SendResult sent = requester_.SendRecord(window_, CD_EXPORT_FOLDER, *request);
      if (!sent.delivered) throw std::runtime_error("the engine went away");
      if (sent.value != 1) break;
      ++totals->folders;
    }
    requester_.SetAnswer({});
  }

 private:
  controller::Requester requester_;
  std::optional<controller::EngineProcess> engine_;
  HWND window_ = nullptr;
};

int Run(const bench::PstArgs& args) {
  testing_support::TempMachine machine;
  const fs::path pst = bench::MakeSyntheticPst(args, machine.scratch());
  const fs::path work = machine.scratch() / "work";
  fs::create_directories(work);

  Totals totals;
  double ours = 0, oursCpu = 0;
  long atStart = 0, atEnd = 0;
  {
    Exporter exporter(pst, work);
    atStart = exporter.ResidentKb();
    const double cpuBefore = CpuSeconds(exporter.Pid());
    bench::Stopwatch watch;
    exporter.ExportAll(&totals);
    ours = watch.Seconds();
    oursCpu = CpuSeconds(exporter.Pid()) - cpuBefore;
    atEnd = exporter.ResidentKb();
  }
  std::printf("exported: %llu items in %llu folders, %.1f MB of MIME, %llu attachment files, %llu error texts\n",
              static_cast<unsigned long long>(totals.items), static_cast<unsigned long long>(totals.folders),
              static_cast<double>(totals.emlBytes) / (1024.0 * 1024.0),
              static_cast<unsigned long long>(totals.attachments), static_cast<unsigned long long>(totals.errors));
  std::printf("engine resident memory (VmRSS): %ld KB after the logon and walk", atStart);
  for (const auto& [items, kb] : totals.memory)
    std::printf(", %ld KB at %llu", kb, static_cast<unsigned long long>(items));
  std::printf(", %ld KB at the end\n", atEnd);
  std::printf("first export mode: %.2f s (%.2f s of engine CPU), %.0f items/s\n", ours, oursCpu,
              bench::Rate(totals.items, ours));

  const auto theirs = bench::RunReadpst(machine.scratch(), pst, "export_bench");
  if (!theirs) return 1;
  std::printf("readpst -j 0 -e: %.2f s (%.2f s of CPU), %llu files, %.0f messages/s\n", theirs->times.wall,
              theirs->times.cpu, static_cast<unsigned long long>(theirs->files), theirs->rate);
  std::printf("ratio (items/s, export / readpst -j 0 -e): %.2f (goal: at least 1)\n",
              theirs->rate > 0 ? bench::Rate(totals.items, ours) / theirs->rate : 0.0);
  return totals.errors == 0 && totals.items == args.items ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) { return bench::PstBenchMain(argc, argv, "export_bench", kUsage, Run); }
