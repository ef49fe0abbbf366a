// Reading a whole PST through the MAPI stand-in against libpff's own export
// of it: every folder, every property of every message, its recipients and
// its attachments (data through a stream, embedded messages in full).
//
//   pstread_bench [--items N] [--seed S] [--big-every K] [PST]
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "mapi/holders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "testing/temp_machine.h"

namespace {

constexpr char kUsage[] =
    "usage: pstread_bench [--items N] [--seed S] [--big-every K] [PST]\n"
    "Writes a synthetic PST of N items (default 10000, seed 1;\n"
    "one more 9 MB attachment every K items) to PST, or to a\n"
    "temporary file that is removed afterwards, reads all of it through the MAPI\n"
    "stand-in, then times `pffexport -f all -m items` on the same file.\n";

constexpr std::uint64_t kMemoryEvery = 1000;

struct Totals {
  std::uint64_t messages = 0;  // of the folders
  std::uint64_t embedded = 0;
  std::uint64_t properties = 0;
  std::uint64_t recipients = 0;
  std::uint64_t attachments = 0;
  std::uint64_t attachmentBytes = 0;
  std::uint64_t errors = 0;
};

ULONG Rows(IMAPITable* table, mapi::RowSet* rows) {
  const HRESULT hr = HrQueryAllRows(table, nullptr, nullptr, nullptr, 0, mapi::Out(*rows));
  if (FAILED(hr) || !*rows) return 0;
  return (*rows)->cRows;
}

std::uint64_t Drain(IStream* stream) {
  static std::vector<char> buf(64 * 1024);
  std::uint64_t total = 0;
  ULONG got = 0;
  while (SUCCEEDED(stream->Read(buf.data(), static_cast<ULONG>(buf.size()), &got)) && got > 0) total += got;
  return total;
}

template <class T>
ComPtr<T> OpenProperty(IMAPIProp* obj, ULONG tag) {
  ComPtr<T> out;
  if (FAILED(obj->OpenProperty(tag, &IidOf<T>(), 0, 0, reinterpret_cast<LPUNKNOWN*>(out.ReleaseAndGetAddressOf()))))
    out.Reset();
  return out;
}

void ReadMessage(IMessage* message, Totals* totals);

void ReadAttachment(IMessage* message, const SRow& row, Totals* totals) {
  const SPropValue* num = PpropFindProp(row.lpProps, row.cValues, PR_ATTACH_NUM);
  const SPropValue* method = PpropFindProp(row.lpProps, row.cValues, PR_ATTACH_METHOD);
  ComPtr<IAttach> attach;
  if (!num ||
      FAILED(message->OpenAttach(static_cast<ULONG>(num->Value.l), nullptr, 0, attach.ReleaseAndGetAddressOf()))) {
    ++totals->errors;
    return;
  }
  ++totals->attachments;
  const LONG how = method ? method->Value.l : ATTACH_BY_VALUE;
  if (how == ATTACH_EMBEDDED_MSG) {
    if (auto inner = OpenProperty<IMessage>(attach.Get(), PR_ATTACH_DATA_OBJ)) {
      ++totals->embedded;
      ReadMessage(inner.Get(), totals);
    } else {
      ++totals->errors;
    }
  } else if (how == ATTACH_BY_VALUE || how == ATTACH_OLE) {
    auto data = OpenProperty<IStream>(attach.Get(), how == ATTACH_OLE ? PR_ATTACH_DATA_OBJ : PR_ATTACH_DATA_BIN);
    if (data) totals->attachmentBytes += Drain(data.Get());
  }
}

void ReadMessage(IMessage* message, Totals* totals) {
  ULONG count = 0;
  mapi::Buffer<SPropValue> props;
  if (FAILED(message->GetProps(nullptr, MAPI_UNICODE, &count, mapi::Out(props)))) ++totals->errors;
  totals->properties += count;

  ComPtr<IMAPITable> table;
  mapi::RowSet rows;
  if (SUCCEEDED(message->GetRecipientTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf())))
    totals->recipients += Rows(table.Get(), &rows);
  if (FAILED(message->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()))) return;
  const ULONG n = Rows(table.Get(), &rows);
  for (ULONG i = 0; i < n; ++i) ReadAttachment(message, rows->aRow[i], totals);
}

// Lists the folder tree as a migration starts: every hierarchy table from
// the root down, with each folder's name and counts. Returns the folders.
int ListTree(IMAPIFolder* folder, IMsgStore* store) {
  ComPtr<IMAPITable> table;
  if (FAILED(folder->GetHierarchyTable(0, table.ReleaseAndGetAddressOf()))) return 0;
  LPSRowSet raw = nullptr;
  SizedSPropTagArray(3, cols) = {3, {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_CONTENT_COUNT}};
  if (FAILED(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0)) ||
      FAILED(table->QueryRows(1000000, 0, &raw)))
    return 0;
  mapi::RowSet rows(raw);
  int folders = 0;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const SBinary& id = rows->aRow[i].lpProps[0].Value.bin;
    ComPtr<IMAPIFolder> sub;
    ULONG type = 0;
    if (FAILED(store->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), &IID_IMAPIFolder, 0, &type,
                                reinterpret_cast<LPUNKNOWN*>(sub.ReleaseAndGetAddressOf()))))
      continue;
    folders += 1 + ListTree(sub.Get(), store);
  }
  return folders;
}

double Rate(std::uint64_t items, double seconds) { return seconds > 0 ? static_cast<double>(items) / seconds : 0; }

int Run(const bench::PstArgs& args) {
  testing_support::TempMachine machine;
  const auto pst = bench::MakeSyntheticPst(args, machine.scratch());

  Totals totals;
  std::uint64_t failures = 0;
  double ours = 0, oursCpu = 0;
  {
    bench::Stopwatch tree;
    bench::PstLogon logon(pst);
    ComPtr<IMAPIFolder> root;
    ULONG type = 0;
    int folders = 0;
    if (SUCCEEDED(logon.store()->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type,
                                           reinterpret_cast<LPUNKNOWN*>(root.ReleaseAndGetAddressOf()))))
      folders = ListTree(root.Get(), logon.store());
    std::printf("logon to the listed folder tree: %.3f s (%d folders)\n", tree.Seconds(), folders);
    std::printf("resident memory after logon: %ld KB\n", bench::ResidentKb());
    bench::Stopwatch watch;
    bench::ForEachMessage(
        logon.store(),
        [&](IMessage* message) {
          ReadMessage(message, &totals);
          if (++totals.messages % kMemoryEvery == 0)
            std::printf("  %6llu messages: resident %ld KB\n", static_cast<unsigned long long>(totals.messages),
                        bench::ResidentKb());
          return true;
        },
        &failures);
    ours = watch.Seconds();
    oursCpu = watch.CpuSeconds();
  }
  std::printf("resident memory at the end: %ld KB\n", bench::ResidentKb());
  std::printf(
      "read: %llu messages (%llu embedded), %llu properties, %llu recipients, %llu attachments, "
      "%.1f MB of attachment data; %llu failed to open, %llu other errors\n",
      static_cast<unsigned long long>(totals.messages), static_cast<unsigned long long>(totals.embedded),
      static_cast<unsigned long long>(totals.properties), static_cast<unsigned long long>(totals.recipients),
      static_cast<unsigned long long>(totals.attachments),
      static_cast<double>(totals.attachmentBytes) / (1024.0 * 1024.0), static_cast<unsigned long long>(failures),
      static_cast<unsigned long long>(totals.errors));

  const std::string target = (machine.scratch() / "pffexport").string();
  const auto theirs = bench::RunTimed({"pffexport", "-f", "all", "-m", "items", "-t", target, pst.string()});

  std::printf("MAPI stand-in: %.2f s (%.2f s of CPU), %.0f items/s\n", ours, oursCpu, Rate(totals.messages, ours));
  if (!theirs) {
    std::fprintf(stderr, "pstread_bench: pffexport did not run to success (is pff-tools installed?)\n");
    return 1;
  }
  std::printf("pffexport -f all -m items: %.2f s (%.2f s of CPU), %.0f items/s\n", theirs->wall, theirs->cpu,
              Rate(totals.messages, theirs->wall));
  std::printf("ratio (pffexport time / stand-in time): %.2f (goal: at least 1)\n", theirs->wall / ours);
  return failures == 0 && totals.errors == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) { return bench::PstBenchMain(argc, argv, "pstread_bench", kUsage, Run); }
