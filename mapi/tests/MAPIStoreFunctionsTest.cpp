// Store openers against a fake session: which store is opened, with which
// entry id and flags, and what comes back on each failure.
#include <gtest/gtest.h>

#include "mapisupport/MAPIFunctions.h"
#include "mapisupport/MAPIStoreFunctions.h"
#include "session_fakes.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

using session_fakes::Log;
using session_fakes::StoreRow;

const std::string kExchange = session_fakes::ExchangeProvider();
const std::string kPst = std::string(16, '\x11');

class StoreFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override { session_fakes::InstallSessionLibrary(log); }
  testing_support::TempMachine machine;
  std::shared_ptr<Log> log = std::make_shared<Log>();
  ComPtr<session_fakes::Session> session = com::Make<session_fakes::Session>(log);
};

struct GuidCase {
  const char* name;
  std::vector<StoreRow> rows;
  const char* opened;  // entry id opened, "" for none
  BOOL failed;
};

TEST_F(StoreFunctionsTest, OpenMessageStoreGUIDOpensTheFirstExchangePrivateStore) {
  const GuidCase cases[] = {
      {"exchange after pst",
       {{PR_ENTRYID, "PST", PR_MDB_PROVIDER, kPst}, {PR_ENTRYID, "PRIMARY", PR_MDB_PROVIDER, kExchange}},
       "PRIMARY",
       FALSE},
      {"first of two",
       {{PR_ENTRYID, "ONE", PR_MDB_PROVIDER, kExchange}, {PR_ENTRYID, "TWO", PR_MDB_PROVIDER, kExchange}},
       "ONE",
       FALSE},
      {"longer provider value", {{PR_ENTRYID, "LONG", PR_MDB_PROVIDER, kExchange + "xy"}}, "LONG", FALSE},
      {"no exchange store", {{PR_ENTRYID, "PST", PR_MDB_PROVIDER, kPst}}, "", TRUE},
      {"short provider value", {{PR_ENTRYID, "SHORT", PR_MDB_PROVIDER, kExchange.substr(0, 15)}}, "", TRUE},
      {"missing entry id", {{PROP_TAG(PT_ERROR, 0x0FFF), "", PR_MDB_PROVIDER, kExchange}}, "", TRUE},
      {"missing provider", {{PR_ENTRYID, "X", PROP_TAG(PT_ERROR, 0x3414), ""}}, "", TRUE},
      {"empty table", {}, "", TRUE},
  };
  for (const GuidCase& c : cases) {
    SCOPED_TRACE(c.name);
    *log = Log{};
    session->storeRows = c.rows;
    LPMDB store = nullptr;
    EXPECT_EQ(OpenMessageStoreGUID(session.Get(), &store), c.failed);
    EXPECT_EQ(store != nullptr, !c.failed);
    if (store) store->Release();
    EXPECT_EQ(log->queriedColumns, (std::vector<ULONG>{PR_ENTRYID, PR_MDB_PROVIDER}));
    if (*c.opened) {
      EXPECT_EQ(log->openedIds, std::vector<std::string>{c.opened});
      EXPECT_EQ(log->openFlags, std::vector<ULONG>{MDB_WRITE});
    } else {
      EXPECT_TRUE(log->openedIds.empty());
    }
    EXPECT_EQ(log->storesAlive, 0);
  }
}

TEST_F(StoreFunctionsTest, OpenMessageStoreGUIDFailures) {
  session->storeRows = {{PR_ENTRYID, "PRIMARY", PR_MDB_PROVIDER, kExchange}};
  LPMDB store = nullptr;
  session->openStatus = MAPI_E_NO_ACCESS;
  EXPECT_TRUE(OpenMessageStoreGUID(session.Get(), &store));
  EXPECT_EQ(store, nullptr);

  // A warning counts as a failure; the store it came with is not handed out.
  session->openStatus = MAPI_W_ERRORS_RETURNED;
  EXPECT_TRUE(OpenMessageStoreGUID(session.Get(), &store));
  EXPECT_EQ(store, nullptr);
  EXPECT_EQ(log->storesAlive, 0);

  // So does a warning with the stores table.
  session->openStatus = S_OK;
  session->tableStatus = MAPI_W_ERRORS_RETURNED;
  EXPECT_TRUE(OpenMessageStoreGUID(session.Get(), &store));
  EXPECT_EQ(store, nullptr);
  EXPECT_EQ(log->storesAlive, 0);

  session->tableStatus = MAPI_E_CALL_FAILED;
  EXPECT_TRUE(OpenMessageStoreGUID(session.Get(), &store));
  EXPECT_EQ(store, nullptr);
}

TEST_F(StoreFunctionsTest, ServerDNIsPrefixNameAndSuffix) {
  LPWSTR dn = nullptr;
  ASSERT_EQ(BuildServerDN(u"Ex-Srv.01 B", &dn), S_OK);
  EXPECT_EQ(win32::Utf16ToUtf8(dn), "/cn=Configuration/cn=Servers/cn=Ex-Srv.01 B/cn=Microsoft Private MDB");
  MAPIFreeBuffer(dn);
  EXPECT_EQ(BuildServerDN(nullptr, &dn), E_INVALIDARG);
}

TEST_F(StoreFunctionsTest, OtherUsersMailboxOpensTheEntryIdOfTheServerAndMailbox) {
  const ComPtr<session_fakes::Store> primary = com::Make<session_fakes::Store>(log, true);
  LPMDB store = nullptr;
  ASSERT_EQ(OpenOtherUsersMailbox(session.Get(), primary.Get(), u"EXSRV", u"/o=Org/cn=J\u00fcrgen", 9, &store), S_OK);
  ASSERT_NE(store, nullptr);
  store->Release();
  EXPECT_EQ(log->server, "/cn=Configuration/cn=Servers/cn=EXSRV/cn=Microsoft Private MDB");
  EXPECT_EQ(log->mailbox, "/o=Org/cn=J\xfcrgen");
  EXPECT_EQ(log->createFlags, 9u);
  EXPECT_EQ(log->openedIds, std::vector<std::string>{"EID:/o=Org/cn=J\xfcrgen"});
  EXPECT_EQ(log->openFlags, std::vector<ULONG>{0xB1});
}

TEST_F(StoreFunctionsTest, OtherUsersMailboxRefusalsAndEmptyServer) {
  const ComPtr<session_fakes::Store> primary = com::Make<session_fakes::Store>(log, true);
  const ComPtr<session_fakes::Store> pst = com::Make<session_fakes::Store>(log, false);
  LPMDB store = reinterpret_cast<LPMDB>(1);
  EXPECT_EQ(OpenOtherUsersMailbox(session.Get(), primary.Get(), u"", u"/o=Org/cn=a", 9, &store), S_OK);
  EXPECT_EQ(store, nullptr);
  EXPECT_EQ(OpenOtherUsersMailbox(session.Get(), primary.Get(), nullptr, u"/o=Org/cn=a", 9, &store), S_OK);
  EXPECT_EQ(OpenOtherUsersMailbox(session.Get(), pst.Get(), u"EXSRV", u"/o=Org/cn=a", 9, &store), E_INVALIDARG);
  EXPECT_EQ(OpenOtherUsersMailbox(session.Get(), primary.Get(), u"EXSRV", nullptr, 9, &store), E_INVALIDARG);
  EXPECT_EQ(OpenOtherUsersMailbox(nullptr, primary.Get(), u"EXSRV", u"/o=Org/cn=a", 9, &store), E_INVALIDARG);
  EXPECT_TRUE(log->openedIds.empty());

  // Access denied by the server comes back unchanged, with no store.
  session->openStatus = MAPI_E_NO_ACCESS;
  EXPECT_EQ(OpenOtherUsersMailbox(session.Get(), primary.Get(), u"EXSRV", u"/o=Org/cn=a", 9, &store), MAPI_E_NO_ACCESS);
  EXPECT_EQ(store, nullptr);
  primary->createStatus = MAPI_E_NOT_FOUND;
  EXPECT_EQ(OpenOtherUsersMailbox(session.Get(), primary.Get(), u"EXSRV", u"/o=Org/cn=a", 9, &store), MAPI_E_NOT_FOUND);
  EXPECT_EQ(log->openedIds.size(), 1u);
}

TEST_F(StoreFunctionsTest, MailboxLogonWithoutMailboxAsksForThePublicStore) {
  const ComPtr<session_fakes::Store> primary = com::Make<session_fakes::Store>(log, true);
  for (const char16_t* mailbox : {u"", static_cast<const char16_t*>(nullptr)}) {
    LPMDB store = nullptr;
    EXPECT_EQ(HrMailboxLogon(session.Get(), primary.Get(), u"/cn=Configuration/cn=Servers/cn=S", mailbox, &store),
              S_OK);
    EXPECT_EQ(log->createFlags, 11u);
    if (store) store->Release();
  }
  EXPECT_EQ(log->mailbox, "(null)");
  LPMDB store = nullptr;
  EXPECT_EQ(HrMailboxLogon(session.Get(), primary.Get(), nullptr, u"x", &store), E_INVALIDARG);
  EXPECT_FALSE(SupportsExchangeManageStore(nullptr));
  EXPECT_TRUE(SupportsExchangeManageStore(primary.Get()));
}

TEST_F(StoreFunctionsTest, CallOpenMsgStoreChecksItsArguments) {
  BYTE id[] = {1, 2};
  const SBinary eid{2, id};
  LPMDB store = nullptr;
  EXPECT_EQ(CallOpenMsgStore(nullptr, 0, &eid, 0, &store), E_INVALIDARG);
  EXPECT_EQ(CallOpenMsgStore(session.Get(), 0, nullptr, 0, &store), E_INVALIDARG);
  EXPECT_EQ(CallOpenMsgStore(session.Get(), 0, &eid, 0, nullptr), E_INVALIDARG);
  ASSERT_EQ(CallOpenMsgStore(session.Get(), 0x1234, &eid, MDB_WRITE, &store), S_OK);
  store->Release();
  EXPECT_EQ(log->openedIds, std::vector<std::string>{"\x01\x02"});
}

}  // namespace
