// libFuzzer target: Cressing's request dispatch, in process. Each input is
// a short sequence of requests to a fresh dialog, as other processes would
// send them: WM_COPYDATA with any dwData, sender and bytes (handed over in a
// buffer of exactly cbData bytes, as the message layer does), and the plain
// messages. The machine has memory-store profiles to log on to (see
// dispatch_machine.h); no window exists to answer, so replies and error
// texts go nowhere. After the dialog is gone every MAPI buffer is freed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>

#include "CressingDlg.h"
#include "cressing/CressingRecords.h"
#include "dispatch_machine.h"
#include "testing/fuzz.h"
#include "win32/machine.h"
#include "win32/window.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMaxRequests = 8;

class FuzzDlg : public CCressingDlg {
 public:
  using CCressingDlg::OnCopyData;
  using CCressingDlg::OnCopyDisplayName;
  using CCressingDlg::OnCopyFolderName;
  using CCressingDlg::OnStopExport;
};

// The codes a requester uses, and some it does not: picked by a byte.
constexpr DWORD kCodes[] = {CD_LOGON,
                            CD_LOGON_PROFILE,
                            CD_LIST_MAILBOXES,
                            CD_LIST_MAILBOX_FOLDERS,
                            CD_CHECK_STORE,
                            CD_CHECK_MAILBOX,
                            CD_EXPORT_FOLDER,
                            CD_ITEM_INFO,
                            CD_EXPORT_DONE,
                            CD_ERROR_TEXT,
                            0};

using Input = testing_support::FuzzInput;

void CopyData(FuzzDlg& dlg, ULONG_PTR code, Input& in) {
  const auto sender = static_cast<DWORD>(in.Number(4));
  DWORD size = 0;
  const auto bytes = in.Bytes(in.Number(2), size);
  COPYDATASTRUCT cds{code, size, bytes.get()};
  // As the framework hands a handler another process's window.
  CWnd senderWnd;
  senderWnd.m_hWnd = win32::HandleFromValue(sender);
  dlg.OnCopyData(sender ? &senderWnd : nullptr, &cds);
  senderWnd.m_hWnd = nullptr;
}

void Request(FuzzDlg& dlg, Input& in) {
  const auto kind = static_cast<std::uint8_t>(in.Number(1));
  switch (kind % 6) {
    case 0:
      CopyData(dlg, kCodes[in.Number(1) % std::size(kCodes)], in);
      break;
    case 1:
      CopyData(dlg, static_cast<ULONG_PTR>(in.Number(8)), in);
      break;
    case 2:
      dlg.OnCopyData(nullptr, nullptr);
      break;
    case 3: {
      const WPARAM wParam = in.Number(4);
      dlg.OnCopyDisplayName(wParam, static_cast<LPARAM>(static_cast<std::int32_t>(in.Number(4))));
      break;
    }
    case 4: {
      const WPARAM wParam = in.Number(4);
      dlg.OnCopyFolderName(wParam, static_cast<LPARAM>(static_cast<std::int32_t>(in.Number(4))));
      break;
    }
    default:
      dlg.OnStopExport(0, 0);
      break;
  }
}

fs::path g_work;  // the engine's current folder: where exports write
fs::path g_temp;  // TMPDIR: where the list files go

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto& machine = testing_support::FuzzMachine();
  dispatch_fuzz::SetUpMachine();
  g_work = machine.scratch() / "work";
  g_temp = machine.scratch() / "temp";
  fs::create_directories(g_work);
  fs::create_directories(g_temp);
  ::setenv("TMPDIR", g_temp.c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const long buffers = dispatch_fuzz::LiveMapiBuffers();
  // The engine's current folder only while it serves: the fuzzer reads and
  // writes its corpus by relative paths.
  const fs::path previous = fs::current_path();
  fs::current_path(g_work);
  {
    Input in(data, size);
    FuzzDlg dlg;
    for (int i = 0; i < kMaxRequests && !in.empty(); ++i) Request(dlg, in);
  }
  fs::current_path(previous);
  FUZZ_CHECK(dispatch_fuzz::LiveMapiBuffers() == buffers);
  testing_support::EmptyFolder(g_work);
  testing_support::EmptyFolder(g_temp);
  std::error_code ec;
  fs::remove(win32::DesktopFolder() / "messageboxes.log", ec);
  return 0;
}
