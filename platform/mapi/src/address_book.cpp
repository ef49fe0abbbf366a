// The address book: opens one-off entry ids, Exchange directory entry ids
// of the simulated servers' mailboxes, and contact entry ids that wrap a
// store's message entry id.
#include <cstring>
#include <filesystem>

#include "mapi/defaults.h"
#include "mapi/exchange.h"
#include "session.h"
#include "win32/machine.h"
#include "win32/text.h"

namespace mapi {
namespace {

constexpr BYTE kOneOffUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                 0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};
constexpr BYTE kDirectoryUid[16] = {0xDC, 0xA7, 0x40, 0xC8, 0xC0, 0x42, 0x10, 0x1A,
                                    0xB4, 0xB9, 0x08, 0x00, 0x2B, 0x2F, 0xE1, 0x82};
constexpr BYTE kWrappedUid[16] = {0xC0, 0x91, 0xAD, 0xD3, 0x51, 0x9D, 0xCF, 0x11,
                                  0xA4, 0xA9, 0x00, 0xAA, 0x00, 0x47, 0xFA, 0xA4};
constexpr WORD kOneOffUnicode = 0x8000;
constexpr WORD kOneOffNoRichInfo = 0x0001;
constexpr GUID kAddressSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct Person {
  std::u16string name, type, address;
};

bool HasUid(const BYTE* p, ULONG cb, const BYTE (&uid)[16]) { return cb >= 20 && std::memcmp(p + 4, uid, 16) == 0; }

// One-off: flags (4) | uid (16) | version (2) | flags (2) | name | type | address,
// each NUL-terminated, UTF-16 with the Unicode flag, else 8-bit.
std::optional<Person> ParseOneOff(const BYTE* p, ULONG cb) {
  if (!HasUid(p, cb, kOneOffUid) || cb < 24) return std::nullopt;
  const WORD flags = static_cast<WORD>(p[22] | p[23] << 8);
  size_t at = 24;
  auto next = [&](std::u16string* out) {
    if (flags & kOneOffUnicode) {
      std::u16string s;
      for (; at + 1 < cb; at += 2) {
        const char16_t c = static_cast<char16_t>(p[at] | p[at + 1] << 8);
        if (c == 0) {
          at += 2;
          *out = s;
          return true;
        }
        s.push_back(c);
      }
      return false;  // unterminated: the record is cut short
    }
    const void* end = std::memchr(p + at, 0, cb - at);
    if (!end) return false;
    const size_t n = static_cast<const BYTE*>(end) - (p + at);
    *out = win32::AnsiToUtf16(std::string(reinterpret_cast<const char*>(p + at), n));
    at += n + 1;
    return true;
  };
  Person person;
  if (!next(&person.name) || !next(&person.type) || !next(&person.address)) return std::nullopt;
  return person;
}

// Exchange directory: flags (4) | uid (16) | version (4) | type (4) | DN (8-bit, NUL-terminated).
std::optional<Person> ParseDirectory(const BYTE* p, ULONG cb) {
  if (!HasUid(p, cb, kDirectoryUid) || cb < 29) return std::nullopt;
  const void* end = std::memchr(p + 28, 0, cb - 28);
  const size_t n = end ? static_cast<const BYTE*>(end) - (p + 28) : cb - 28;
  const std::u16string dn = win32::AnsiToUtf16(std::string(reinterpret_cast<const char*>(p + 28), n));
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(win32::ExchangeFolder(), ec)) {
    const std::u16string server = win32::Utf8ToUtf16(e.path().filename().string());
    if (auto box = exchange::FindMailbox(server, dn)) return Person{box->displayName, u"EX", box->dn};
  }
  return std::nullopt;
}

std::u16string NamedText(IMAPIProp* obj, LONG lid) {
  GUID set = kAddressSet;
  MAPINAMEID name{&set, MNID_ID, {}};
  name.Kind.lID = lid;
  LPMAPINAMEID names[] = {&name};
  LPSPropTagArray raw = nullptr;
  if (obj->GetIDsFromNames(1, names, 0, &raw) != S_OK) {
    MAPIFreeBuffer(raw);
    return {};
  }
  Buffer<SPropTagArray> tags(raw);
  LPSPropValue v = nullptr;
  if (FAILED(HrGetOneProp(obj, CHANGE_PROP_TYPE(tags->aulPropTag[0], PT_UNICODE), &v))) return {};
  Buffer<SPropValue> holder(v);
  return PropText(*v);
}

// An object of an open store by its entry id: in the store the id names,
// else in any store of the profile that takes it (a PST file's own entry
// ids, which Outlook keeps in distribution lists, carry the file's record
// key rather than the uid the session gave the store).
ComPtr<IMAPIProp> OpenStoreObject(SessionState& session, const BYTE* id, ULONG cb) {
  std::vector<ComPtr<IMsgStore>> stores;
  if (auto named = session.StoreForObject(id, cb))
    stores.push_back(std::move(named));
  else
    for (const OpenedStore& o : session.ProfileStores()) stores.push_back(o.store);
  for (const auto& store : stores) {
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    if (SUCCEEDED(store->OpenEntry(cb, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id)), nullptr, 0, &type,
                                   unk.ReleaseAndGetAddressOf())))
      if (auto object = unk.As<IMAPIProp>()) return object;
  }
  return nullptr;
}

// A contact of an open store behind a wrapped entry id: its first e-mail
// address.
std::optional<Person> OpenContact(SessionState& session, const BYTE* p, ULONG cb) {
  if (!HasUid(p, cb, kWrappedUid) || cb < 21) return std::nullopt;
  const BYTE* inner = p + 21;
  const ULONG innerCb = cb - 21;
  if (auto one = ParseOneOff(inner, innerCb)) return one;
  auto msg = OpenStoreObject(session, inner, innerCb);
  if (!msg) return std::nullopt;
  Person person;
  person.address = NamedText(msg.Get(), 0x8083);  // email 1 address
  person.type = NamedText(msg.Get(), 0x8082);
  person.name = NamedText(msg.Get(), 0x8080);
  if (person.name.empty()) {
    LPSPropValue v = nullptr;
    if (SUCCEEDED(HrGetOneProp(msg.Get(), PR_DISPLAY_NAME_W, &v))) person.name = PropText(*v);
    MAPIFreeBuffer(v);
  }
  return person;
}

class MailUser final : public PropObject<IMailUser> {
 public:
  MailUser(const Person& who, std::string_view entryId) {
    props().Set(MakeUnicode(PR_DISPLAY_NAME_W, who.name));
    props().Set(MakeUnicode(PR_ADDRTYPE_W, who.type));
    props().Set(MakeUnicode(PR_EMAIL_ADDRESS_W, who.address));
    props().Set(MakeBinary(PR_ENTRYID, entryId));
    props().Set(MakeLong(PR_OBJECT_TYPE, MAPI_MAILUSER));
    props().Set(MakeLong(PR_DISPLAY_TYPE, DT_MAILUSER));
    std::u16string key = who.type + u":" + who.address;
    std::string upper = win32::Utf16ToUtf8(key);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    props().Set(MakeBinary(PR_SEARCH_KEY, std::string_view(upper.c_str(), upper.size() + 1)));
  }
};

std::string OneOffBytes(std::u16string_view name, std::u16string_view type, std::u16string_view address) {
  std::string id(4, '\0');
  id.append(reinterpret_cast<const char*>(kOneOffUid), 16);
  const WORD flags = kOneOffUnicode | kOneOffNoRichInfo;
  id += {'\0', '\0', static_cast<char>(flags & 0xFF), static_cast<char>(flags >> 8)};
  for (auto part : {name, type, address}) {
    for (char16_t c : part) id += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    id += {'\0', '\0'};
  }
  return id;
}

class AddrBook final : public PropObject<IAddrBook> {
 public:
  explicit AddrBook(std::shared_ptr<SessionState> session) : session_(std::move(session)) {
    props().Set(MakeLong(PR_OBJECT_TYPE, MAPI_ADDRBOOK));
  }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cb, LPENTRYID eid, LPCIID iid, ULONG, ULONG* type,
                                      LPUNKNOWN* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (!eid || cb == 0) return MAPI_E_NO_SUPPORT;  // no root container here
    const auto* p = reinterpret_cast<const BYTE*>(eid);
    std::optional<Person> who = ParseOneOff(p, cb);
    if (!who) who = ParseDirectory(p, cb);
    if (!who && session_) who = OpenContact(*session_, p, cb);
    if (!who) return MAPI_E_UNKNOWN_ENTRYID;
    auto user = com::Make<MailUser>(*who, std::string_view(reinterpret_cast<const char*>(p), cb));
    if (type) *type = MAPI_MAILUSER;
    if (iid) return user->QueryInterface(*iid, reinterpret_cast<void**>(out));
    *out = static_cast<IMailUser*>(user.Detach());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG c1, LPENTRYID i1, ULONG c2, LPENTRYID i2, ULONG,
                                            ULONG* r) override {
    if (!r) return MAPI_E_INVALID_PARAMETER;
    *r = c1 == c2 && (c1 == 0 || (i1 && i2 && std::memcmp(i1, i2, c1) == 0));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE CreateOneOff(LPTSTR name, LPTSTR type, LPTSTR address, ULONG, ULONG* cb,
                                         LPENTRYID* eid) override {
    if (!name || !type || !address || !cb || !eid) return MAPI_E_INVALID_PARAMETER;
    const std::string id = OneOffBytes(win32::WideView(name), win32::WideView(type), win32::WideView(address));
    void* p = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(id.size()), &p))) return MAPI_E_NOT_ENOUGH_MEMORY;
    std::memcpy(p, id.data(), id.size());
    *cb = static_cast<ULONG>(id.size());
    *eid = static_cast<LPENTRYID>(p);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*,
                                     LPENTRYID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE Address(ULONG_PTR*, void*, LPADRLIST*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE Details(ULONG_PTR*, void*, LPVOID, ULONG, LPENTRYID, void*, LPVOID, LPTSTR,
                                    ULONG) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE RecipOptions(ULONG_PTR, ULONG, void*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE GetPAB(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE SetPAB(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE GetDefaultDir(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE SetDefaultDir(ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE GetSearchPath(ULONG, LPSRowSet*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE SetSearchPath(ULONG, LPSRowSet) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override { return MAPI_E_NO_SUPPORT; }

 private:
  std::shared_ptr<SessionState> session_;
};

}  // namespace

HRESULT OpenAddressBook(std::shared_ptr<SessionState> session, IAddrBook** book) {
  if (!book) return MAPI_E_INVALID_PARAMETER;
  *book = com::Make<AddrBook>(std::move(session)).Detach();
  return S_OK;
}

}  // namespace mapi
