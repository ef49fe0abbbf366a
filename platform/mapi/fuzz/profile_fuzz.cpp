// libFuzzer target: the machine's JSON files behind MAPI logons. The input
// is a profile file's text, optionally followed by a line "===" and the
// text of the simulated server "exsrv"'s mailboxes.json. Each file either
// reads or is reported damaged, the same way by every reader; a profile
// that reads is logged on to, its stores opened, and through an Exchange
// store every mailbox of the server listed and opened. A mailbox added to
// a list that reads keeps every other mailbox in it. PST files are served
// from memory, so that no path in the input is ever opened.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_session.h"
#include "mapi/exchange.h"
#include "mapi/holders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/mapix.h"
#include "mapi/memory_store.h"
#include "mapi/profiles.h"
#include "mapi/props.h"
#include "mapi/provider.h"
#include "testing/fuzz.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;
namespace exchange = mapi::exchange;
namespace profiles = mapi::profiles;

constexpr std::string_view kSeparator = "\n===\n";
constexpr char16_t kServer[] = u"exsrv";
// Mailboxes opened through the server's table, at most.
constexpr ULONG kMaxMailboxes = 8;

fs::path g_boxPst;  // the file AddMailbox copies

void WriteFile(const fs::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Every mailbox the server's table lists, opened as Cressing opens them.
void OpenServerMailboxes(IMAPISession* session, IMsgStore* primary) {
  ComPtr<IExchangeManageStore> manage;
  if (FAILED(primary->QueryInterface(IID_IExchangeManageStore, manage.ReleaseAndGetAddressOfVoid()))) return;
  const std::u16string serverDn = exchange::ServerDn(kServer);
  const std::u16string mdbDn = exchange::PrivateMdbDn(kServer);
  ComPtr<IMAPITable> table;
  if (FAILED(manage->GetMailboxTable(reinterpret_cast<LPSTR>(const_cast<char16_t*>(serverDn.c_str())),
                                     table.ReleaseAndGetAddressOf(), MAPI_UNICODE)))
    return;
  mapi::RowSet rows = mapi_fuzz::AllRows(table.Get(), {PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W});
  for (ULONG r = 0; rows && r < rows->cRows && r < kMaxMailboxes; ++r) {
    const SPropValue& dn = rows->aRow[r].lpProps[1];
    if (PROP_TYPE(dn.ulPropTag) != PT_UNICODE) continue;
    ULONG cb = 0;
    LPENTRYID raw = nullptr;
    if (FAILED(manage->CreateStoreEntryID(reinterpret_cast<LPSTR>(const_cast<char16_t*>(mdbDn.c_str())),
                                          reinterpret_cast<LPSTR>(dn.Value.lpszW), MAPI_UNICODE, &cb, &raw)))
      continue;
    mapi::Buffer<ENTRYID> id(raw);
    ComPtr<IMsgStore> store;
    session->OpenMsgStore(0, cb, id.get(), nullptr, MDB_NO_MAIL, store.ReleaseAndGetAddressOf());
  }
}

void CheckProfile() {
  profiles::Profile profile;
  std::string error;
  const HRESULT hr = profiles::Read(u"fuzz", &profile, &error);
  FUZZ_CHECK(hr == S_OK || (hr == MAPI_E_CORRUPT_DATA && !error.empty()));
  std::vector<std::string> damaged;
  const std::vector<profiles::Profile> listed = profiles::List(&damaged);
  FUZZ_CHECK(listed.size() == (hr == S_OK ? 1u : 0u) && damaged.size() == (hr == S_OK ? 0u : 1u));
  if (hr == S_OK) mapi_fuzz::ForEachStore("fuzz", OpenServerMailboxes);
}

std::set<std::string> Aliases(const std::vector<exchange::Mailbox>& boxes) {
  std::set<std::string> out;
  for (const auto& b : boxes) out.insert(Lower(win32::Utf16ToUtf8(b.alias)));
  return out;
}

void CheckMailboxes() {
  std::vector<exchange::Mailbox> boxes;
  std::string error;
  const HRESULT hr = exchange::ReadMailboxes(kServer, &boxes, &error);
  FUZZ_CHECK(hr == S_OK || (hr == MAPI_E_CORRUPT_DATA && !error.empty()));
  if (hr != S_OK) {
    FUZZ_CHECK(exchange::Mailboxes(kServer).empty());
    FUZZ_CHECK(exchange::AddMailbox(kServer, u"added", u"Added", g_boxPst.u16string(), {}) == MAPI_E_CORRUPT_DATA);
    return;
  }
  for (const auto& b : boxes) {
    FUZZ_CHECK(exchange::FindMailbox(kServer, b.alias).has_value());
    FUZZ_CHECK(fs::path(win32::Utf16ToUtf8(b.pstPath)).parent_path().filename() == "exsrv");
  }
  FUZZ_CHECK(exchange::AddMailbox(kServer, u"added", u"Added", g_boxPst.u16string(), {u"someone"}) == S_OK);
  std::vector<exchange::Mailbox> after;
  FUZZ_CHECK(exchange::ReadMailboxes(kServer, &after, &error) == S_OK);
  std::set<std::string> want = Aliases(boxes);
  want.insert("added");
  FUZZ_CHECK(Aliases(after) == want);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto& machine = testing_support::FuzzMachine();
  MAPIInitialize(nullptr);
  auto data = std::make_shared<mapi::memory::StoreData>();
  auto& inbox = data->AddFolder(*data->ipmSubtree, u"Inbox", "IPF.Note");
  data->AddMessage(inbox).props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Hello"));
  mapi::SetPstOpener([data](const std::u16string&, const mapi::StoreIdentity& id, ULONG, IMsgStore** out) {
    return mapi::memory::OpenStore(data, id, out);
  });
  g_boxPst = machine.scratch() / "box.pst";
  WriteFile(g_boxPst, "served from memory");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const std::size_t cut = input.find(kSeparator);
  WriteFile(win32::ProfilesFolder() / "fuzz.json", input.substr(0, cut));
  const fs::path server = win32::ExchangeFolder() / "exsrv";
  std::error_code ec;
  fs::remove_all(server, ec);
  if (cut != std::string_view::npos) {
    fs::create_directories(server);
    WriteFile(server / "mailboxes.json", input.substr(cut + kSeparator.size()));
  }
  CheckProfile();
  if (cut != std::string_view::npos) CheckMailboxes();
  return 0;
}
