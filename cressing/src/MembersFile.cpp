// The members file of a distribution list: one member address per line,
// 8-bit, CR LF, written while the list's member property is formatted.
#include <string>

#include "CressingDlg.h"
#include "CressingText.h"

namespace {

// One byte per character, as the reader widens each byte to the character
// of the same value; characters it cannot carry become "?", and line breaks
// inside an address become blanks so that it stays one member.
std::string MemberLine(const std::u16string& address) {
  std::string line;
  line.reserve(address.size() + 2);
  for (char16_t c : address) {
    if (c == u'\r' || c == u'\n')
      line += ' ';
    else
      line += c <= 0xFF ? static_cast<char>(c) : '?';
  }
  return line + "\r\n";
}

// The member's address through the address book; empty when it cannot be
// read.
std::u16string MemberAddress(IMAPISession* session, const SBinary& entryId) {
  ComPtr<IAddrBook> book;
  if (FAILED(session->OpenAddressBook(0, nullptr, 0, book.ReleaseAndGetAddressOf())) || !book) return {};
  ULONG type = 0;
  LPUNKNOWN raw = nullptr;
  const HRESULT hr = book->OpenEntry(entryId.cb, reinterpret_cast<LPENTRYID>(entryId.lpb), nullptr, 0, &type, &raw);
  // Opened without an interface, the entry comes as its own interface.
  const auto entry = ComPtr<IMAPIProp>::Attach(reinterpret_cast<IMAPIProp*>(raw));
  if (FAILED(hr) || !entry) return {};
  LPSPropValue rawAddress = nullptr;
  const HRESULT got = HrGetOneProp(entry.Get(), PR_EMAIL_ADDRESS_W, &rawAddress);
  const MapiBufferPtr<SPropValue> address(rawAddress);
  if (FAILED(got) || !address || PROP_TYPE(address->ulPropTag) != PT_UNICODE) return {};
  return WideValue(*address);
}

}  // namespace

void CCressingDlg::WriteDistListMember(const SPropValue& members, ULONG index) {
  IMAPISession* session = Session();
  if (!session || !m_memberFile.IsOpen()) return;
  const SBinaryArray& ids = members.Value.MVbin;
  if (PROP_TYPE(members.ulPropTag) != PT_MV_BINARY || !ids.lpbin || index >= ids.cValues) return;
  const std::u16string address = MemberAddress(session, ids.lpbin[index]);
  if (address.empty()) return;
  const std::string line = MemberLine(address);
  m_memberFile.Write(line.data(), line.size());
}
