// libFuzzer target: a PST file through Cressing, in process, as the
// controlling program drives it: a logon to a profile over the file, the
// store listing, each store's folder listing and the first export mode of
// each listed folder, announced to a requester window of this process.
// The input is the file's bytes, zero-padded to the size of a new store
// (seeds may leave out the empty tail). Each announced file exists in the
// working folder when it is announced; after the dialog is gone every MAPI
// buffer is freed. The work per input is bounded: the requester stops an
// export once enough items came.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "CressingDlg.h"
#include "cressing/CressingRecords.h"
#include "controller/Requester.h"
#include "dispatch_machine.h"
#include "testing/fuzz.h"
#include "win32/machine.h"
#include "win32/text.h"
#include "win32/window.h"

namespace {

namespace fs = std::filesystem;

// The size of a new store's file: what a shorter input is padded to.
constexpr std::size_t kNewStoreSize = 271360;
constexpr std::size_t kMaxStores = 2;
constexpr std::size_t kMaxFolders = 24;
constexpr int kMaxItems = 32;  // per input, over all folders

class FuzzDlg : public CCressingDlg {
 public:
  using CCressingDlg::OnCopyData;
  using CCressingDlg::OnCopyDisplayName;
  using CCressingDlg::OnCopyFolderName;
};

fs::path g_pst;
fs::path g_work;  // the engine's current folder: where exports write
fs::path g_temp;  // TMPDIR: where the list files go
controller::Requester* g_requester = nullptr;
int g_items = 0;

// The engine's path of a file ("/x\y.eml") as a POSIX one.
fs::path PosixPath(std::u16string path) {
  for (char16_t& c : path)
    if (c == u'\\') c = u'/';
  return fs::path(win32::Utf16ToUtf8(path));
}

void CheckAnnounced(const WCHAR* field, std::size_t units) {
  const std::u16string path(win32::WideField(field, units));
  if (path.empty()) return;
  const fs::path file = PosixPath(path);
  FUZZ_CHECK(fs::is_regular_file(file));
  FUZZ_CHECK(fs::equivalent(file.parent_path(), g_work));
}

// CD_ITEM_INFO: its files are there; 0 stops the export once enough came.
LRESULT Answer(const controller::CopyDataReply& reply) {
  if (reply.code != CD_ITEM_INFO) return 1;
  FUZZ_CHECK(reply.bytes.size() == sizeof(ITEM_INFO));
  auto info = std::make_unique<ITEM_INFO>();
  std::memcpy(info.get(), reply.bytes.data(), sizeof *info);
  CheckAnnounced(info->emlFile, std::size(info->emlFile));
  CheckAnnounced(info->itemTextFile, std::size(info->itemTextFile));
  CheckAnnounced(info->attachmentList, std::size(info->attachmentList));
  CheckAnnounced(info->membersFile, std::size(info->membersFile));
  return ++g_items < kMaxItems ? 1 : 0;
}

template <class Record>
BOOL Send(FuzzDlg& dlg, DWORD code, const Record& record) {
  COPYDATASTRUCT cds{code, sizeof record, const_cast<Record*>(&record)};
  CWnd sender;
  sender.m_hWnd = g_requester->Window();
  const BOOL result = dlg.OnCopyData(&sender, &cds);
  sender.m_hWnd = nullptr;
  return result;
}

bool Logon(FuzzDlg& dlg) {
  auto info = std::make_unique<PROFILE_LOGON_INFO>();
  const std::u16string profile = u"PST";
  std::copy(profile.begin(), profile.end(), info->profile);
  return Send(dlg, CD_LOGON_PROFILE, *info);
}

// The entries of the list that name folders: index and path. Each store's
// listing numbers its folders afresh, and an export takes the first entry
// of its index: the later ones of an index are left out.
std::vector<std::pair<std::int32_t, CString>> FolderEntries(const FuzzDlg& dlg) {
  std::vector<std::pair<std::int32_t, CString>> folders;
  std::set<std::int32_t> indices;
  for (const auto& entry : dlg.m_pDisplayNameList)
    if (entry && entry->m_lpMDB && folders.size() < kMaxFolders && indices.insert(entry->m_index).second)
      folders.emplace_back(entry->m_index, entry->m_name);
  return folders;
}

void Export(FuzzDlg& dlg, std::int32_t index, const CString& path) {
  auto info = std::make_unique<EXPORT_FOLDER_INFO>();
  const std::size_t n = std::min(path.size(), std::size(info->folderPath) - 1);
  std::copy_n(path.begin(), n, info->folderPath);
  info->entryIndex = index;
  info->target = 0;
  std::fill(std::begin(info->typeEnabled), std::end(info->typeEnabled), 1);
  Send(dlg, CD_EXPORT_FOLDER, *info);
}

void Serve() {
  FuzzDlg dlg;
  if (!Logon(dlg)) return;
  const WPARAM self = win32::HandleValue(g_requester->Window());
  dlg.OnCopyDisplayName(self, 0);
  std::vector<std::int32_t> stores;
  for (const auto& entry : dlg.m_pDisplayNameList)
    if (entry && stores.size() < kMaxStores) stores.push_back(entry->m_index);
  for (std::int32_t store : stores) dlg.OnCopyFolderName(self, store);
  for (const auto& [index, path] : FolderEntries(dlg)) {
    if (g_items >= kMaxItems) break;
    Export(dlg, index, path);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto& machine = testing_support::FuzzMachine();
  g_pst = machine.scratch() / "input.pst";
  dispatch_fuzz::SetUpPstMachine(g_pst);
  g_work = machine.scratch() / "work";
  g_temp = machine.scratch() / "temp";
  fs::create_directories(g_work);
  fs::create_directories(g_temp);
  ::setenv("TMPDIR", g_temp.c_str(), 1);
  static controller::Requester requester;
  FUZZ_CHECK(requester.Window() != nullptr);
  requester.SetAnswer(Answer);
  g_requester = &requester;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(g_pst, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  if (size < kNewStoreSize) fs::resize_file(g_pst, kNewStoreSize);
  const long buffers = dispatch_fuzz::LiveMapiBuffers();
  g_items = 0;
  // The engine's current folder only while it serves: the fuzzer reads and
  // writes its corpus by relative paths.
  const fs::path previous = fs::current_path();
  fs::current_path(g_work);
  Serve();
  fs::current_path(previous);
  FUZZ_CHECK(dispatch_fuzz::LiveMapiBuffers() == buffers);
  g_requester->TakeReplies();
  testing_support::EmptyFolder(g_work);
  testing_support::EmptyFolder(g_temp);
  std::error_code ec;
  fs::remove(win32::DesktopFolder() / "messageboxes.log", ec);
  return 0;
}
