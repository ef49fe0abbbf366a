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
