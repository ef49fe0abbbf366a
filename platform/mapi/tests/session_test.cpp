// MAPILogonEx, the stores table and opening through the session.
#include <gtest/gtest.h>

#include "mapi_test_util.h"
#include "session_fixture.h"

namespace {

using mapi_test::Tags;
namespace profiles = mapi::profiles;

void AddPstProfile(const char16_t* name, std::vector<std::u16string> paths) {
  profiles::Profile p;
  p.name = name;
  for (auto& path : paths) p.services.push_back(profiles::PstService(path));
  ASSERT_EQ(profiles::Create(p), S_OK);
}

TEST(Logon, AnswersByProfileAndFlags) {
  mapi_test::SessionFixture f;
  f.AddPst(u"/pst/a.pst");
  AddPstProfile(u"Good", {u"/pst/a.pst"});
  AddPstProfile(u"Broken", {u"/pst/a.pst", u"/pst/missing.pst"});
  struct Case {
    const char* profile;
    ULONG flags;
    bool withDefault;
    HRESULT want;
  } cases[] = {
      {"Good", 0x3B, false, S_OK},
      {"good", 0, false, S_OK},
      {"Nobody", 0x3B, true, MAPI_E_LOGON_FAILED},
      {"Broken", 0x3B, false, MAPI_E_LOGON_FAILED},  // a PST that is not there
      {nullptr, 0x3B, false, MAPI_E_USER_CANCEL},  // the dialog has nothing to pick
      {nullptr, 0x3B, true, S_OK},                 // it picks the default
      {"", 0x3B, true, S_OK},
      {nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION, true, MAPI_E_LOGON_FAILED},
  };
  for (const auto& c : cases) {
    if (c.withDefault) profiles::SetDefault(u"Good");
    else profiles::Delete(u"Good"), AddPstProfile(u"Good", {u"/pst/a.pst"});
    ComPtr<IMAPISession> s;
    EXPECT_EQ(MAPILogonEx(0, const_cast<LPSTR>(c.profile), nullptr, c.flags, s.ReleaseAndGetAddressOf()), c.want)
        << (c.profile ? c.profile : "(null)") << " " << c.flags;
    EXPECT_EQ(bool(s), c.want == S_OK);
  }
  MAPIUninitialize();
  ComPtr<IMAPISession> s;
  EXPECT_EQ(MAPILogonEx(0, const_cast<LPSTR>("Good"), nullptr, 0x3B, s.ReleaseAndGetAddressOf()),
            MAPI_E_NOT_INITIALIZED);
  MAPIInitialize(nullptr);
}

TEST(Session, StoresTableOpensStoresAndEntriesWithStableIds) {
  mapi_test::SessionFixture f;
  f.AddPst(u"/pst/first.pst");
  f.AddPst(u"/pst/second.pst");
  AddPstProfile(u"Two", {u"/pst/first.pst", u"/pst/second.pst"});
  std::string firstIds[2];
  for (int logon = 0; logon < 2; ++logon) {
    auto session = f.Logon("Two");
    ASSERT_TRUE(session);
    ComPtr<IMAPITable> stores;
    ASSERT_EQ(session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf()), S_OK);
    auto cols = Tags({PR_ENTRYID, PR_MDB_PROVIDER, PR_DISPLAY_NAME_W, PR_DEFAULT_STORE});
    LPSRowSet raw = nullptr;
    ASSERT_EQ(HrQueryAllRows(stores.Get(), cols.get(), nullptr, nullptr, 0, &raw), S_OK);
    mapi::RowSet rows(raw);
    ASSERT_EQ(rows->cRows, 2u);
    EXPECT_EQ(mapi_test::W(rows->aRow[1].lpProps[2]), u"second");
    EXPECT_EQ(mapi_test::Bin(rows->aRow[0].lpProps[1]),
              std::string(reinterpret_cast<const char*>(mapi::kPstProviderUid.ab), 16));
    EXPECT_EQ(rows->aRow[0].lpProps[3].Value.b, 1);
    EXPECT_EQ(rows->aRow[1].lpProps[3].Value.b, 0);

    const SBinary& eid = rows->aRow[1].lpProps[0].Value.bin;
    ComPtr<IMsgStore> store;
    ASSERT_EQ(session->OpenMsgStore(0, eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, MDB_WRITE,
                                    store.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_FALSE(store.As<IExchangeManageStore>());  // only Exchange stores answer it
    LPSPropValue v = nullptr;
    ASSERT_EQ(HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, &v), S_OK);
    mapi::Buffer<SPropValue> subtree(v);
    firstIds[logon] = mapi_test::Bin(rows->aRow[0].lpProps[0]) + mapi_test::Bin(*subtree);
    // The session finds the store of an object's entry id.
    ComPtr<IUnknown> folder;
    ULONG type = 0;
    ASSERT_EQ(session->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb),
                                 nullptr, 0, &type, folder.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(type, MAPI_FOLDER);
    EXPECT_EQ(session->Logoff(0, MAPI_LOGOFF_UI, 0), S_OK);
    EXPECT_EQ(session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf()), MAPI_E_END_OF_SESSION);
  }
  EXPECT_EQ(firstIds[0], firstIds[1]);

  auto session = f.Logon("Two");
  ComPtr<IMsgStore> store;
  BYTE junk[30] = {};
  EXPECT_EQ(session->OpenMsgStore(0, sizeof junk, reinterpret_cast<LPENTRYID>(junk), nullptr, 0,
                                  store.ReleaseAndGetAddressOf()),
            MAPI_E_INVALID_ENTRYID);
}

}  // namespace
