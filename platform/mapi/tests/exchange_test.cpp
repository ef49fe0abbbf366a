// The simulated Exchange server: the user's mailbox in the stores table,
// the mailbox table, other users' mailboxes, denied and unknown cases.
#include <gtest/gtest.h>

#include <fstream>

#include "mapi/exchange.h"
#include "mapi_test_util.h"
#include "session_fixture.h"

namespace {

using mapi_test::Tags;
using mapi_test::W;
namespace exchange = mapi::exchange;
namespace profiles = mapi::profiles;

struct ExchangeFixture : mapi_test::SessionFixture {
  ExchangeFixture() {
    for (const char* alias : {"ann", "bob", "cy"}) {
      const std::u16string file = Scratch(alias);
      std::ofstream(win32::Utf16ToUtf8(file)) << "stands for a PST";
      const std::vector<std::u16string> denied = std::string(alias) == "cy" ? std::vector<std::u16string>{u"ann"}
                                                                            : std::vector<std::u16string>{};
      const std::u16string a = win32::Utf8ToUtf16(alias);
      EXPECT_EQ(exchange::AddMailbox(u"EXSRV", a, u"User " + a, file, denied), S_OK);
      // The server keeps its own copy; serve that path from memory.
      AddPst(exchange::FindMailbox(u"EXSRV", a)->pstPath);
    }
    profiles::Profile p;
    p.name = u"Exchange";
    p.user = u"ann";
    p.services.push_back(profiles::ExchangeService(u"EXSRV", u"ann"));
    EXPECT_EQ(profiles::Create(p), S_OK);
  }
  // The primary store, as the stores table names it.
  ComPtr<IMsgStore> Primary(IMAPISession* session) {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(session->GetMsgStoresTable(0, table.ReleaseAndGetAddressOf()), S_OK);
    auto cols = Tags({PR_ENTRYID, PR_MDB_PROVIDER});
    LPSRowSet raw = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.Get(), cols.get(), nullptr, nullptr, 0, &raw), S_OK);
    mapi::RowSet rows(raw);
    EXPECT_EQ(rows->cRows, 1u);
    EXPECT_EQ(mapi_test::Bin(rows->aRow[0].lpProps[1]),
              std::string(reinterpret_cast<const char*>(mapi::kExchangePrivateStoreUid.ab), 16));
    const SBinary& eid = rows->aRow[0].lpProps[0].Value.bin;
    ComPtr<IMsgStore> store;
    EXPECT_EQ(session->OpenMsgStore(0, eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, MDB_WRITE,
                                    store.ReleaseAndGetAddressOf()),
              S_OK);
    return store;
  }
};

TEST(Exchange, MailboxTableListsEveryMailboxAndTheSystemOne) {
  ExchangeFixture f;
  auto session = f.Logon("Exchange");
  ASSERT_TRUE(session);
  auto manage = f.Primary(session.Get()).As<IExchangeManageStore>();
  ASSERT_TRUE(manage);
  std::u16string server = exchange::ServerDn(u"EXSRV");
  ComPtr<IMAPITable> table;
  ASSERT_EQ(manage->GetMailboxTable(reinterpret_cast<LPSTR>(server.data()), table.ReleaseAndGetAddressOf(),
                                    MAPI_UNICODE),
            S_OK);
  auto cols = Tags({PR_DISPLAY_NAME_W, PR_INSTANCE_KEY, PR_EMAIL_ADDRESS_W});
  table->SetColumns(cols.get(), TBL_BATCH);
  ASSERT_EQ(table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr), S_OK);
  LPSRowSet raw = nullptr;
  ASSERT_EQ(HrQueryAllRows(table.Get(), cols.get(), nullptr, nullptr, 0, &raw), S_OK);
  mapi::RowSet rows(raw);
  ASSERT_EQ(rows->cRows, 4u);
  EXPECT_EQ(W(rows->aRow[1].lpProps[0]), u"User bob");
  EXPECT_EQ(W(rows->aRow[1].lpProps[2]), exchange::MailboxDn(u"bob"));
  EXPECT_EQ(rows->aRow[3].lpProps[2].ulPropTag, CHANGE_PROP_TYPE(PR_EMAIL_ADDRESS_W, PT_ERROR));

  std::u16string unknown = exchange::ServerDn(u"NOSUCH");
  EXPECT_EQ(manage->GetMailboxTable(reinterpret_cast<LPSTR>(unknown.data()), table.ReleaseAndGetAddressOf(),
                                    MAPI_UNICODE),
            MAPI_E_NOT_FOUND);
}

TEST(Exchange, OtherUsersMailboxesOpenUnlessDeniedOrUnknown) {
  ExchangeFixture f;
  auto session = f.Logon("Exchange");
  auto manage = f.Primary(session.Get()).As<IExchangeManageStore>();
  const std::string mdb = win32::Utf16ToUtf8(exchange::PrivateMdbDn(u"EXSRV"));
  struct Case {
    std::string server, mailbox;
    HRESULT create, open;
  } cases[] = {
      {mdb, win32::Utf16ToUtf8(exchange::MailboxDn(u"bob")), S_OK, S_OK},
      {mdb, win32::Utf16ToUtf8(exchange::MailboxDn(u"cy")), S_OK, MAPI_E_FAILONEPROVIDER},
      {mdb, "/o=Brackenford/cn=nobody", MAPI_E_NOT_FOUND, S_OK},
      {"/cn=Configuration/cn=Servers/cn=NOSUCH/cn=Microsoft Private MDB",
       win32::Utf16ToUtf8(exchange::MailboxDn(u"bob")), MAPI_E_NOT_FOUND, S_OK},
      {mdb, "", MAPI_E_NOT_FOUND, S_OK},  // the public store is not simulated
  };
  for (auto& c : cases) {
    ULONG cb = 0;
    LPENTRYID raw = nullptr;
    const ULONG flags = c.mailbox.empty() ? 11 : 9;
    ASSERT_EQ(manage->CreateStoreEntryID(c.server.data(), c.mailbox.data(), flags, &cb, &raw), c.create) << c.mailbox;
    if (FAILED(c.create)) continue;
    mapi::Buffer<ENTRYID> eid(raw);
    ComPtr<IMsgStore> other;
    ASSERT_EQ(session->OpenMsgStore(0, cb, eid.get(), nullptr, 0xB1, other.ReleaseAndGetAddressOf()), c.open)
        << c.mailbox;
    if (FAILED(c.open)) continue;
    LPSPropValue v = nullptr;
    ASSERT_EQ(HrGetOneProp(other.Get(), PR_DISPLAY_NAME_W, &v), S_OK);
    mapi::Buffer<SPropValue> name(v);
    EXPECT_EQ(W(*name), u"Mailbox - User bob");
  }
}

}  // namespace
