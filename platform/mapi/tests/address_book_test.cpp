// The address book resolves one-off and directory entry ids to addresses.
#include <gtest/gtest.h>

#include <fstream>

#include "mapi/exchange.h"
#include "mapi_test_util.h"
#include "session_fixture.h"

namespace {

const unsigned char kOneOff[] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

std::string OneOffAnsi(const std::string& name, const std::string& type, const std::string& address) {
  std::string id(4, '\0');
  id.append(reinterpret_cast<const char*>(kOneOff), 16);
  id += std::string("\0\0\x01\x00", 4);
  for (const auto& s : {name, type, address}) id += s + '\0';
  return id;
}

std::u16string Address(IAddrBook* book, const std::string& eid, HRESULT* status) {
  ComPtr<IUnknown> unk;
  ULONG type = 0;
  *status = book->OpenEntry(static_cast<ULONG>(eid.size()), (LPENTRYID)eid.data(), nullptr, 0, &type,
                            unk.ReleaseAndGetAddressOf());
  if (FAILED(*status)) return {};
  LPSPropValue v = nullptr;
  *status = HrGetOneProp(unk.As<IMailUser>().Get(), PR_EMAIL_ADDRESS_W, &v);
  mapi::Buffer<SPropValue> holder(v);
  return v ? mapi_test::W(*v) : u"";
}

TEST(AddressBook, ResolvesEntryIdsToAddresses) {
  mapi_test::SessionFixture f;
  const std::u16string pst = f.Scratch("ann.pst");
  std::ofstream(win32::Utf16ToUtf8(pst)) << "x";
  ASSERT_EQ(mapi::exchange::AddMailbox(u"EXSRV", u"ann", u"Ann", pst, {}), S_OK);
  f.AddPst(u"/p.pst");
  mapi::profiles::Profile p;
  p.name = u"P";
  p.services.push_back(mapi::profiles::PstService(u"/p.pst"));
  ASSERT_EQ(mapi::profiles::Create(p), S_OK);
  auto session = f.Logon("P");
  ComPtr<IAddrBook> book;
  ASSERT_EQ(session->OpenAddressBook(0, nullptr, 0, book.ReleaseAndGetAddressOf()), S_OK);

  ULONG cb = 0;
  LPENTRYID raw = nullptr;
  WCHAR name[] = u"Zo\u00eb", type[] = u"SMTP", addr[] = u"zoe@example.com";
  ASSERT_EQ(book->CreateOneOff(name, type, addr, 0, &cb, &raw), S_OK);
  mapi::Buffer<ENTRYID> unicode(raw);

  std::string dn = win32::Utf16ToUtf8(mapi::exchange::MailboxDn(u"ann"));
  std::string directory(4, '\0');
  directory += std::string("\xDC\xA7\x40\xC8\xC0\x42\x10\x1A\xB4\xB9\x08\x00\x2B\x2F\xE1\x82", 16);
  directory += std::string("\1\0\0\0\0\0\0\0", 8) + dn + '\0';

  std::string cut = OneOffAnsi("Al", "SMTP", "al@example.com");
  cut.resize(cut.size() - 5);  // no terminator for the address

  struct Case {
    const char* what;
    std::string eid;
    HRESULT status;
    std::u16string address;
  } cases[] = {
      {"unicode one-off", std::string(reinterpret_cast<const char*>(unicode.get()), cb), S_OK, u"zoe@example.com"},
      {"8-bit one-off", OneOffAnsi("Al", "SMTP", "al@example.com"), S_OK, u"al@example.com"},
      {"directory", directory, S_OK, mapi::exchange::MailboxDn(u"ann")},
      {"cut short", cut, MAPI_E_UNKNOWN_ENTRYID, u""},
      {"unknown", std::string(24, '\x7F'), MAPI_E_UNKNOWN_ENTRYID, u""},
  };
  for (const auto& c : cases) {
    HRESULT status = S_OK;
    EXPECT_EQ(Address(book.Get(), c.eid, &status), c.address) << c.what;
    EXPECT_EQ(status, c.status) << c.what;
  }
}

}  // namespace

namespace {

constexpr GUID kAddressSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

ULONG Named(mapi::memory::StoreData& data, LONG lid, ULONG type) {
  mapi::PropName n;
  n.guid = kAddressSet;
  n.id = lid;
  return PROP_TAG(type, data.names->IdOf(n, true));
}

// A distribution list's members as the export reads them: the member
// property found by its name, each value opened through the address book.
TEST(AddressBook, DistributionListMembersResolveInOrder) {
  mapi_test::SessionFixture f;
  auto data = f.AddPst(u"/dl.pst");
  auto& contacts = data->AddFolder(*data->ipmSubtree, u"Contacts", "IPF.Contact");
  auto& contact = data->AddMessage(contacts, "IPM.Contact");
  contact.props.Set(mapi::MakeUnicode(Named(*data, 0x8083, PT_UNICODE), u"cat@example.com"));
  contact.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Cat"));
  auto& list = data->AddMessage(contacts, "IPM.DistList");

  mapi::profiles::Profile p;
  p.name = u"DL";
  p.services.push_back(mapi::profiles::PstService(u"/dl.pst"));
  ASSERT_EQ(mapi::profiles::Create(p), S_OK);
  auto session = f.Logon("DL");
  ASSERT_TRUE(session);
  // The contact's entry id names the store the session gave it.
  ComPtr<IMAPITable> stores;
  session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf());
  auto cols = mapi_test::Tags({PR_ENTRYID});
  LPSRowSet rawRows = nullptr;
  ASSERT_EQ(HrQueryAllRows(stores.Get(), cols.get(), nullptr, nullptr, 0, &rawRows), S_OK);
  mapi::RowSet rows(rawRows);
  auto storeId = mapi::ParseStoreEntryId(rows->aRow[0].lpProps[0].Value.bin.lpb, rows->aRow[0].lpProps[0].Value.bin.cb);
  ASSERT_TRUE(storeId);
  std::string wrapped(4, '\0');
  wrapped += std::string("\xC0\x91\xAD\xD3\x51\x9D\xCF\x11\xA4\xA9\x00\xAA\x00\x47\xFA\xA4", 16);
  wrapped += '\xC3';
  wrapped += mapi::memory::MessageEntryId(storeId->uid, contact);
  list.props.Set(mapi::MakeMvBinary(Named(*data, 0x8054, PT_MV_BINARY),
                                    {OneOffAnsi("Al", "SMTP", "al@example.com"), OneOffAnsi("Nobody", "SMTP", ""),
                                     wrapped, OneOffAnsi("Bo", "SMTP", "bo@example.com")}));

  ComPtr<IUnknown> unk;
  const std::string listId = mapi::memory::MessageEntryId(storeId->uid, list);
  ASSERT_EQ(session->OpenEntry(static_cast<ULONG>(listId.size()), (LPENTRYID)listId.data(), nullptr,
                               MAPI_BEST_ACCESS, nullptr, unk.ReleaseAndGetAddressOf()),
            S_OK);
  auto msg = unk.As<IMessage>();
  ULONG n = 0;
  LPSPropValue rawAll = nullptr;
  ASSERT_EQ(msg->GetProps(nullptr, MAPI_UNICODE, &n, &rawAll), S_OK);
  mapi::Buffer<SPropValue> all(rawAll);
  const SPropValue* members = nullptr;
  for (ULONG i = 0; i < n; ++i) {
    if (PROP_ID(all.get()[i].ulPropTag) < 0x8000) continue;
    SizedSPropTagArray(1, one) = {1, {all.get()[i].ulPropTag}};
    LPSPropTagArray asked = reinterpret_cast<LPSPropTagArray>(&one);
    ULONG count = 0;
    LPMAPINAMEID* names = nullptr;
    ASSERT_EQ(msg->GetNamesFromIDs(&asked, nullptr, 0, &count, &names), S_OK);
    mapi::Buffer<LPMAPINAMEID> holder(names);
    if (names[0]->ulKind == MNID_ID && names[0]->Kind.lID == 0x8054) members = &all.get()[i];
  }
  ASSERT_TRUE(members);
  ComPtr<IAddrBook> book;
  ASSERT_EQ(session->OpenAddressBook(0, nullptr, 0, book.ReleaseAndGetAddressOf()), S_OK);
  std::vector<std::u16string> addresses;
  for (ULONG i = 0; i < members->Value.MVbin.cValues; ++i) {
    const SBinary& b = members->Value.MVbin.lpbin[i];
    HRESULT status = S_OK;
    std::u16string a = Address(book.Get(), std::string(reinterpret_cast<const char*>(b.lpb), b.cb), &status);
    if (SUCCEEDED(status) && !a.empty()) addresses.push_back(a);
  }
  EXPECT_EQ(addresses, (std::vector<std::u16string>{u"al@example.com", u"cat@example.com", u"bo@example.com"}));
}

}  // namespace
