// Sessions over real PST files through the PST provider: the stores table,
// the folder tree with counts, stable entry ids, and files that are not
// PSTs. Skipped while no PST provider is linked in.
#include <gtest/gtest.h>

#include <fstream>

#include "mapi/exchange.h"
#include "mapi/mapix.h"
#include "mapi/profiles.h"
#include "mapi/provider.h"
#include "mapi_test_util.h"
#include "testing/shared_fixtures.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

using mapi_test::Tags;
namespace profiles = mapi::profiles;

struct PstSession {
  testing_support::TempMachine machine;
  std::u16string sample = win32::Utf8ToUtf16((testing_support::SharedFixtures() / "outlook-sample.pst").string());
  PstSession() { MAPIInitialize(nullptr); }
  ~PstSession() { MAPIUninitialize(); }
  void AddProfile(const char16_t* name, const std::u16string& path) {
    profiles::Profile p;
    p.name = name;
    p.services.push_back(profiles::PstService(path));
    ASSERT_EQ(profiles::Create(p), S_OK);
  }
  ComPtr<IMAPISession> Logon(const char* name, HRESULT* hr) {
    ComPtr<IMAPISession> s;
    *hr = MAPILogonEx(0, const_cast<LPSTR>(name), nullptr, 0x3B, s.ReleaseAndGetAddressOf());
    return s;
  }
};

template <class T>
ComPtr<T> Open(IMsgStore* store, const SBinary& eid) {
  ComPtr<IUnknown> unk;
  ULONG type = 0;
  if (FAILED(store->OpenEntry(eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, 0, &type,
                              unk.ReleaseAndGetAddressOf())))
    return nullptr;
  return unk.As<T>();
}

// Every folder's entry id under folder, depth first; checks each count
// against its contents table on the way.
void Walk(IMsgStore* store, IMAPIFolder* folder, std::vector<std::string>* ids) {
  ComPtr<IMAPITable> table;
  HRESULT hr = folder->GetHierarchyTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf());
  if (hr == MAPI_E_BAD_CHARWIDTH) hr = folder->GetHierarchyTable(0, table.ReleaseAndGetAddressOf());
  ASSERT_EQ(hr, S_OK);
  auto cols = Tags({PR_CONTENT_COUNT, PR_DISPLAY_NAME_W, PR_DISPLAY_NAME_A, PR_ENTRYID});
  LPSRowSet raw = nullptr;
  ASSERT_EQ(HrQueryAllRows(table.Get(), cols.get(), nullptr, nullptr, 0, &raw), S_OK);
  mapi::RowSet rows(raw);
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const SRow& r = rows->aRow[i];
    ASSERT_EQ(PROP_TYPE(r.lpProps[3].ulPropTag), PT_BINARY);
    ids->push_back(mapi_test::Bin(r.lpProps[3]));
    auto child = Open<IMAPIFolder>(store, r.lpProps[3].Value.bin);
    ASSERT_TRUE(child) << mapi_test::A(r.lpProps[2]);
    ComPtr<IMAPITable> contents;
    ASSERT_EQ(child->GetContentsTable(0, contents.ReleaseAndGetAddressOf()), S_OK);
    ULONG count = 0;
    ASSERT_EQ(contents->GetRowCount(0, &count), S_OK);
    if (PROP_TYPE(r.lpProps[0].ulPropTag) == PT_LONG) {
      EXPECT_EQ(ULONG(r.lpProps[0].Value.l), count) << mapi_test::A(r.lpProps[2]);
    }
    Walk(store, child.Get(), ids);
  }
}

TEST(PstSession, FolderTreeOfTheOutlookSampleWithStableEntryIds) {
  PstSession f;
  SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
  f.AddProfile(u"Sample", f.sample);
  std::vector<std::string> ids[2];
  for (auto& walk : ids) {
    HRESULT hr = S_OK;
    auto session = f.Logon("Sample", &hr);
    ASSERT_EQ(hr, S_OK);
    ComPtr<IMAPITable> stores;
    ASSERT_EQ(session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf()), S_OK);
    auto cols = Tags({PR_ENTRYID, PR_MDB_PROVIDER});
    LPSRowSet raw = nullptr;
    ASSERT_EQ(HrQueryAllRows(stores.Get(), cols.get(), nullptr, nullptr, 0, &raw), S_OK);
    mapi::RowSet rows(raw);
    ASSERT_EQ(rows->cRows, 1u);
    const SBinary& eid = rows->aRow[0].lpProps[0].Value.bin;
    ComPtr<IMsgStore> store;
    ASSERT_EQ(session->OpenMsgStore(0, eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, MDB_WRITE,
                                    store.ReleaseAndGetAddressOf()),
              S_OK);
    LPSPropValue v = nullptr;
    ASSERT_EQ(HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, &v), S_OK);
    mapi::Buffer<SPropValue> subtree(v);
    auto top = Open<IMAPIFolder>(store.Get(), subtree->Value.bin);
    ASSERT_TRUE(top);
    Walk(store.Get(), top.Get(), &walk);
    EXPECT_FALSE(walk.empty());
    session->Logoff(0, MAPI_LOGOFF_UI, 0);
  }
  EXPECT_EQ(ids[0], ids[1]);
}

TEST(PstSession, FilesThatAreNoPstsFailTheLogon) {
  PstSession f;
  const std::u16string text = win32::Utf8ToUtf16((f.machine.scratch() / "notes.pst").string());
  std::ofstream(win32::Utf16ToUtf8(text)) << "not a personal folders file";
  f.AddProfile(u"Text", text);
  f.AddProfile(u"Gone", text + u".missing");
  for (const char* name : {"Text", "Gone"}) {
    HRESULT hr = S_OK;
    auto session = f.Logon(name, &hr);
    EXPECT_EQ(hr, MAPI_E_LOGON_FAILED) << name;
    EXPECT_FALSE(session);
  }
}

TEST(PstSession, AnotherUsersMailboxOpensToItsFolderTree) {
  PstSession f;
  SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
  namespace exchange = mapi::exchange;
  ASSERT_EQ(exchange::AddMailbox(u"EXSRV", u"ann", u"Ann", f.sample, {}), S_OK);
  ASSERT_EQ(exchange::AddMailbox(u"EXSRV", u"bob", u"Bob", f.sample, {}), S_OK);
  profiles::Profile p;
  p.name = u"Ann";
  p.services.push_back(profiles::ExchangeService(u"EXSRV", u"ann"));
  ASSERT_EQ(profiles::Create(p), S_OK);
  HRESULT hr = S_OK;
  auto session = f.Logon("Ann", &hr);
  ASSERT_EQ(hr, S_OK);
  ComPtr<IMAPITable> stores;
  ASSERT_EQ(session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf()), S_OK);
  auto cols = Tags({PR_ENTRYID, PR_MDB_PROVIDER});
  LPSRowSet raw = nullptr;
  ASSERT_EQ(HrQueryAllRows(stores.Get(), cols.get(), nullptr, nullptr, 0, &raw), S_OK);
  mapi::RowSet rows(raw);
  ASSERT_EQ(rows->cRows, 1u);
  const SBinary& eid = rows->aRow[0].lpProps[0].Value.bin;
  ComPtr<IMsgStore> primary;
  ASSERT_EQ(session->OpenMsgStore(0, eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, MDB_WRITE,
                                  primary.ReleaseAndGetAddressOf()),
            S_OK);
  auto manage = primary.As<IExchangeManageStore>();
  ASSERT_TRUE(manage);
  std::string mdb = win32::Utf16ToUtf8(exchange::PrivateMdbDn(u"EXSRV"));
  std::string dn = win32::Utf16ToUtf8(exchange::MailboxDn(u"bob"));
  ULONG cb = 0;
  LPENTRYID rawId = nullptr;
  ASSERT_EQ(manage->CreateStoreEntryID(mdb.data(), dn.data(), 9, &cb, &rawId), S_OK);
  mapi::Buffer<ENTRYID> bobId(rawId);
  ComPtr<IMsgStore> bob;
  ASSERT_EQ(session->OpenMsgStore(0, cb, bobId.get(), nullptr, 0xB1, bob.ReleaseAndGetAddressOf()), S_OK);
  // As the engine asks: both values present, so the call answers 0.
  auto tags = Tags({PR_IPM_SUBTREE_ENTRYID, PR_OBJECT_TYPE});
  ULONG n = 0;
  LPSPropValue v = nullptr;
  ASSERT_EQ(bob->GetProps(tags.get(), MAPI_UNICODE, &n, &v), S_OK);
  mapi::Buffer<SPropValue> values(v);
  EXPECT_EQ(values.get()[1].Value.l, LONG(MAPI_STORE));
  auto top = Open<IMAPIFolder>(bob.Get(), values.get()[0].Value.bin);
  ASSERT_TRUE(top);
  std::vector<std::string> ids;
  Walk(bob.Get(), top.Get(), &ids);
  EXPECT_FALSE(ids.empty());
}

}  // namespace
