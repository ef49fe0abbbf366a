// libFuzzer target: Fennick's request dispatch, in process. Each input is a
// short sequence of steps against a fresh dialog: WM_COPYDATA with any
// dwData, sender and bytes (in a buffer of exactly cbData bytes, as the
// message layer hands it over); the four request records whole, their text
// fields short strings of the input, so that a request can name what an
// earlier one made; and files written into the work folder (the engine's
// current folder) for an insert to read: a MIME file, an item text, an
// attachment list and a stored file. The machine has the mail templates and
// the CDO classes registered. Replies to the in-process requester must be
// whole records of their kind. The file-system fence keeps every change
// inside the fuzz machine, whatever folder a request names, and what an
// input made there is removed after it (a relative database path lies in
// the Notes data folder), so that each input starts from the same machine.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "FennickDlg.h"
#include "cdo/ado.h"
#include "cdo/cdo.h"
#include "com/com.h"
#include "controller/Requester.h"
#include "fennick/FennickRecords.h"
#include "notes/templates.h"
#include "testing/fuzz.h"
#include "testing/fuzz_fence.h"
#include "win32/window.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FuzzInput;

constexpr int kMaxSteps = 8;

class FuzzDlg : public CFennickDlg {
 public:
  using CFennickDlg::OnCopyData;
};

// The codes a requester uses, Fennick's replies, and one it knows nothing of.
constexpr DWORD kCodes[] = {
    CD_SET_MAILFILE_DIR, CD_CREATE_NSF, CD_CREATE_FOLDER, CD_INSERT_ITEM, CD_NOTES_ERROR, CD_FOLDER_NAME, 0};

// The files a step may write into the work folder (a stored file as
// Cressing names them).
constexpr const char* kFiles[] = {"m.eml", "i.txt", "AttachmentList.txt", "{G1}", "DistListInfo.txt"};

fs::path g_work;
controller::Requester* g_requester = nullptr;
std::set<fs::path> g_machineFiles;  // the machine's files before the first input

std::set<fs::path> MachineFiles() {
  std::set<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(testing_support::FuzzMachine().root().parent_path(), ec))
    files.insert(entry.path());
  return files;
}

// Removes what inputs added to the machine (a folder with all it holds).
void RemoveNewFiles() {
  std::error_code ec;
  for (const fs::path& file : MachineFiles())
    if (!g_machineFiles.count(file)) fs::remove_all(file, ec);
}

// The sender: none, the requester, or any handle.
HWND Sender(FuzzInput& in) {
  const auto pick = in.Number(1);
  if (pick % 4 == 0) return nullptr;
  if (pick % 4 == 1) return g_requester->Window();
  return win32::HandleFromValue(in.Number(4));
}

BOOL Deliver(FuzzDlg& dlg, HWND sender, COPYDATASTRUCT& cds) {
  // As the framework hands a handler another window.
  CWnd senderWnd;
  senderWnd.m_hWnd = sender;
  const BOOL result = dlg.OnCopyData(sender ? &senderWnd : nullptr, &cds);
  senderWnd.m_hWnd = nullptr;
  return result;
}

void RawCopyData(FuzzDlg& dlg, ULONG_PTR code, FuzzInput& in) {
  const HWND sender = Sender(in);
  DWORD size = 0;
  const auto bytes = in.Bytes(in.Number(2), size);
  COPYDATASTRUCT cds{code, size, bytes.get()};
  Deliver(dlg, sender, cds);
}

// A text field: up to a length byte's count of UTF-16 units of the input.
template <std::size_t N>
void Field(WCHAR (&field)[N], FuzzInput& in) {
  const std::size_t count = std::min<std::size_t>(in.Number(1), N);
  for (std::size_t i = 0; i < count; ++i) field[i] = static_cast<WCHAR>(in.Number(2));
}

template <class Record>
void SendRecord(FuzzDlg& dlg, DWORD code, const Record& record, HWND sender) {
  COPYDATASTRUCT cds{code, sizeof record, const_cast<Record*>(&record)};
  Deliver(dlg, sender, cds);
}

void Record(FuzzDlg& dlg, FuzzInput& in) {
  const auto kind = in.Number(1) % 4;
  const HWND sender = Sender(in);
  switch (kind) {
    case 0: {
      auto record = std::make_unique<MailFileDirRecord>();
      Field(record->folder, in);
      SendRecord(dlg, CD_SET_MAILFILE_DIR, *record, sender);
      break;
    }
    case 1: {
      auto record = std::make_unique<CREATE_FILE_INFO>();
      Field(record->targetFolder, in);
      Field(record->databaseName, in);
      SendRecord(dlg, CD_CREATE_NSF, *record, sender);
      break;
    }
    case 2: {
      auto record = std::make_unique<CREATE_FOLDER_INFO>();
      Field(record->folderPath, in);
      SendRecord(dlg, CD_CREATE_FOLDER, *record, sender);
      break;
    }
    default: {
      auto record = std::make_unique<MIME_FILE_INFO>();
      Field(record->folderPath, in);
      Field(record->emlFile, in);
      Field(record->itemTextFile, in);
      Field(record->attachmentList, in);
      record->plainBody = static_cast<std::uint8_t>(in.Number(1));
      Field(record->membersFile, in);
      SendRecord(dlg, CD_INSERT_ITEM, *record, sender);
      break;
    }
  }
}

void WriteFile(FuzzInput& in) {
  const char* name = kFiles[in.Number(1) % std::size(kFiles)];
  DWORD size = 0;
  const auto bytes = in.Bytes(in.Number(2), size);
  std::ofstream out(g_work / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.get()), size);
}

void Step(FuzzDlg& dlg, FuzzInput& in) {
  switch (in.Number(1) % 5) {
    case 0:
      RawCopyData(dlg, kCodes[in.Number(1) % std::size(kCodes)], in);
      break;
    case 1:
      RawCopyData(dlg, static_cast<ULONG_PTR>(in.Number(8)), in);
      break;
    case 2:
      Record(dlg, in);
      break;
    case 3:
      WriteFile(in);
      break;
    default:
      dlg.OnCopyData(nullptr, nullptr);
      break;
  }
}

// Every reply is a whole record of its kind.
void CheckReplies() {
  for (const controller::CopyDataReply& reply : g_requester->TakeReplies()) {
    if (reply.code == CD_NOTES_ERROR) {
      FUZZ_CHECK(reply.bytes.size() == sizeof(NotesErrorReply));
      FUZZ_CHECK(reply.bytes[sizeof(NotesErrorReply) - 2] == 0 && reply.bytes[sizeof(NotesErrorReply) - 1] == 0);
    } else {
      FUZZ_CHECK(reply.code == CD_FOLDER_NAME);
      FUZZ_CHECK(reply.bytes.size() == sizeof(FolderNameReply));
    }
  }
}

void RegisterCdo() {
  const fs::path library =
      fs::canonical("/proc/self/exe").parent_path().parent_path() / "lib" / "libbrackenford_cdo.so";
  FUZZ_CHECK(com::RegisterInprocServer(ADODB::CLSID_Stream, u"", library) == S_OK);
  FUZZ_CHECK(com::RegisterInprocServer(CDO::CLSID_Message, u"", library) == S_OK);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const auto& machine = testing_support::FuzzMachine();
  std::string error;
  if (!notes::InstallMailTemplates(&error)) testing_support::FuzzFailure(error.c_str());
  RegisterCdo();
  g_work = machine.scratch() / "work";
  fs::create_directories(g_work);
  static controller::Requester requester;
  FUZZ_CHECK(requester.Window() != nullptr);
  g_requester = &requester;
  testing_support::fence::SetUp(*argc, *argv);
  g_machineFiles = MachineFiles();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The engine's current folder only while it serves: the fuzzer reads and
  // writes its corpus by relative paths.
  const fs::path previous = fs::current_path();
  fs::current_path(g_work);
  {
    testing_support::fence::Raised fence;
    FuzzInput in(data, size);
    FuzzDlg dlg;
    for (int i = 0; i < kMaxSteps && !in.empty(); ++i) Step(dlg, in);
  }
  fs::current_path(previous);
  CheckReplies();
  RemoveNewFiles();
  return 0;
}
