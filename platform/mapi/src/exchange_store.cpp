// A mailbox's store as an Exchange private store: forwards to the mailbox's
// own store, answers PR_MDB_PROVIDER with the Exchange private store's id
// and serves IExchangeManageStore over the simulated servers.
#include <cstring>

#include "mapi/exchange.h"
#include "mapi/table.h"
#include "session.h"
#include "win32/text.h"

namespace mapi {
namespace {

constexpr std::u16string_view kServersPrefix = u"/cn=Configuration/cn=Servers/cn=";
constexpr std::u16string_view kMdbSuffix = u"/cn=Microsoft Private MDB";

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? c + 32 : c; }

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(s[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

// The server named by "/cn=Configuration/cn=Servers/cn=<server>[suffix]".
std::optional<std::u16string> ServerOf(std::u16string_view dn, std::u16string_view suffix) {
  if (!StartsWithNoCase(dn, kServersPrefix)) return std::nullopt;
  dn.remove_prefix(kServersPrefix.size());
  if (!suffix.empty()) {
    if (dn.size() < suffix.size() || !StartsWithNoCase(dn.substr(dn.size() - suffix.size()), suffix))
      return std::nullopt;
    dn.remove_suffix(suffix.size());
  }
  if (dn.empty() || dn.find(u'/') != std::u16string_view::npos) return std::nullopt;
  return std::u16string(dn);
}

void PatchProvider(ULONG count, LPSPropValue values) {
  for (ULONG i = 0; values && i < count; ++i) {
    SPropValue& v = values[i];
    if (v.ulPropTag != PR_MDB_PROVIDER) continue;
    LPBYTE bytes = nullptr;
    if (FAILED(MAPIAllocateMore(sizeof(MAPIUID), values, reinterpret_cast<void**>(&bytes)))) continue;
    std::memcpy(bytes, kExchangePrivateStoreUid.ab, sizeof(MAPIUID));
    v.Value.bin.cb = sizeof(MAPIUID);
    v.Value.bin.lpb = bytes;
  }
}

class ExchangeStore final : public com::ComObject<IMsgStore, IExchangeManageStore> {
 public:
  explicit ExchangeStore(ComPtr<IMsgStore> inner) : in_(std::move(inner)) {}

  // IMAPIProp
  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT hr, ULONG f, LPMAPIERROR* e) override {
    return in_->GetLastError(hr, f, e);
  }
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG f) override { return in_->SaveChanges(f); }
  HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override {
    HRESULT hr = in_->GetProps(tags, flags, count, values);
    if (SUCCEEDED(hr)) PatchProvider(*count, *values);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetPropList(ULONG f, LPSPropTagArray* t) override { return in_->GetPropList(f, t); }
  HRESULT STDMETHODCALLTYPE OpenProperty(ULONG tag, LPCIID iid, ULONG o, ULONG f, LPUNKNOWN* u) override {
    return in_->OpenProperty(tag, iid, o, f, u);
  }
  HRESULT STDMETHODCALLTYPE SetProps(ULONG n, LPSPropValue v, LPSPropProblemArray* p) override {
    return in_->SetProps(n, v, p);
  }
  HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray t, LPSPropProblemArray* p) override {
    return in_->DeleteProps(t, p);
  }
  HRESULT STDMETHODCALLTYPE CopyTo(ULONG c, LPCIID x, LPSPropTagArray e, ULONG_PTR u, LPMAPIPROGRESS p, LPCIID i,
                                   LPVOID d, ULONG f, LPSPropProblemArray* pr) override {
    return in_->CopyTo(c, x, e, u, p, i, d, f, pr);
  }
  HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray t, ULONG_PTR u, LPMAPIPROGRESS p, LPCIID i, LPVOID d, ULONG f,
                                      LPSPropProblemArray* pr) override {
    return in_->CopyProps(t, u, p, i, d, f, pr);
  }
  HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray* t, LPGUID g, ULONG f, ULONG* n,
                                            LPMAPINAMEID** names) override {
    return in_->GetNamesFromIDs(t, g, f, n, names);
  }
  HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG n, LPMAPINAMEID* names, ULONG f, LPSPropTagArray* t) override {
    return in_->GetIDsFromNames(n, names, f, t);
  }
  // IMsgStore
  HRESULT STDMETHODCALLTYPE Advise(ULONG cb, LPENTRYID id, ULONG m, LPMAPIADVISESINK s, ULONG* c) override {
    return in_->Advise(cb, id, m, s, c);
  }
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG c) override { return in_->Unadvise(c); }
  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG c1, LPENTRYID i1, ULONG c2, LPENTRYID i2, ULONG f,
                                            ULONG* r) override {
    return in_->CompareEntryIDs(c1, i1, c2, i2, f, r);
  }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cb, LPENTRYID id, LPCIID iid, ULONG f, ULONG* t, LPUNKNOWN* u) override {
    return in_->OpenEntry(cb, id, iid, f, t, u);
  }
  HRESULT STDMETHODCALLTYPE SetReceiveFolder(LPTSTR c, ULONG f, ULONG cb, LPENTRYID id) override {
    return in_->SetReceiveFolder(c, f, cb, id);
  }
  HRESULT STDMETHODCALLTYPE GetReceiveFolder(LPTSTR c, ULONG f, ULONG* cb, LPENTRYID* id, LPTSTR* e) override {
    return in_->GetReceiveFolder(c, f, cb, id, e);
  }
  HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(ULONG f, LPMAPITABLE* t) override {
    return in_->GetReceiveFolderTable(f, t);
  }
  HRESULT STDMETHODCALLTYPE StoreLogoff(ULONG* f) override { return in_->StoreLogoff(f); }
  HRESULT STDMETHODCALLTYPE AbortSubmit(ULONG cb, LPENTRYID id, ULONG f) override {
    return in_->AbortSubmit(cb, id, f);
  }
  HRESULT STDMETHODCALLTYPE GetOutgoingQueue(ULONG f, LPMAPITABLE* t) override { return in_->GetOutgoingQueue(f, t); }
  HRESULT STDMETHODCALLTYPE SetLockState(LPMESSAGE m, ULONG s) override { return in_->SetLockState(m, s); }
  HRESULT STDMETHODCALLTYPE FinishedMsg(ULONG f, ULONG cb, LPENTRYID id) override {
    return in_->FinishedMsg(f, cb, id);
  }
  HRESULT STDMETHODCALLTYPE NotifyNewMail(LPNOTIFICATION n) override { return in_->NotifyNewMail(n); }

  // IExchangeManageStore
  HRESULT STDMETHODCALLTYPE CreateStoreEntryID(LPSTR storeDn, LPSTR mailboxDn, ULONG flags, ULONG* cb,
                                               LPENTRYID* eid) override;
  HRESULT STDMETHODCALLTYPE EntryIDFromSourceKey(ULONG, BYTE*, ULONG, BYTE*, ULONG*, LPENTRYID*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE GetRightsTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE GetMailboxTable(LPSTR server, LPMAPITABLE* table, ULONG flags) override;
  HRESULT STDMETHODCALLTYPE GetPublicFolderTable(LPSTR, LPMAPITABLE*, ULONG) override { return MAPI_E_NO_SUPPORT; }

 private:
  ComPtr<IMsgStore> in_;
};

std::u16string Text(LPSTR s, ULONG flags) {
  if (!s) return {};
  if (flags & MAPI_UNICODE) return std::u16string(win32::WideView(reinterpret_cast<LPCWSTR>(s)));
  return win32::AnsiToUtf16(s);
}

HRESULT ExchangeStore::CreateStoreEntryID(LPSTR storeDn, LPSTR mailboxDn, ULONG flags, ULONG* cb, LPENTRYID* eid) {
  if (!storeDn || !cb || !eid) return MAPI_E_INVALID_PARAMETER;
  *cb = 0;
  *eid = nullptr;
  const auto server = ServerOf(Text(storeDn, flags), kMdbSuffix);
  if (!server || !exchange::ServerExists(*server)) return MAPI_E_NOT_FOUND;
  const std::u16string who = Text(mailboxDn, flags);
  if (who.empty() || (flags & OPENSTORE_PUBLIC)) return MAPI_E_NOT_FOUND;  // no public folders here
  const auto box = exchange::FindMailbox(*server, who);
  if (!box) return MAPI_E_NOT_FOUND;
  const std::string id =
      MakeStoreEntryId(MailboxUid(*server, box->dn), StoreKind::kExchange, MailboxLocator(*server, box->dn));
  void* p = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(id.size()), &p))) return MAPI_E_NOT_ENOUGH_MEMORY;
  std::memcpy(p, id.data(), id.size());
  *cb = static_cast<ULONG>(id.size());
  *eid = static_cast<LPENTRYID>(p);
  return S_OK;
}

HRESULT ExchangeStore::GetMailboxTable(LPSTR serverDn, LPMAPITABLE* table, ULONG flags) {
  if (!table) return MAPI_E_INVALID_PARAMETER;
  *table = nullptr;
  const auto server = ServerOf(Text(serverDn, flags), u"");
  if (!server || !exchange::ServerExists(*server)) return MAPI_E_NOT_FOUND;
  std::vector<std::shared_ptr<const PropMap>> rows;
  LONG index = 0;
  auto instanceKey = [&index] {
    std::string key(4, '\0');
    std::memcpy(key.data(), &index, 4);
    ++index;
    return key;
  };
  for (const auto& box : exchange::Mailboxes(*server)) {
    auto row = std::make_shared<PropMap>();
    row->Set(MakeUnicode(PR_DISPLAY_NAME_W, box.displayName));
    row->Set(MakeUnicode(PR_EMAIL_ADDRESS_W, box.dn));
    row->Set(MakeBinary(PR_INSTANCE_KEY, instanceKey()));
    rows.push_back(std::move(row));
  }
  // A real server also lists its system mailbox, which has no address.
  auto system = std::make_shared<PropMap>();
  system->Set(MakeUnicode(PR_DISPLAY_NAME_W, u"SystemMailbox{" + *server + u"}"));
  system->Set(MakeBinary(PR_INSTANCE_KEY, instanceKey()));
  rows.push_back(std::move(system));
  auto source = std::make_shared<VectorRows>(
      std::vector<ULONG>{PR_DISPLAY_NAME_W, PR_INSTANCE_KEY, PR_EMAIL_ADDRESS_W}, std::move(rows));
  *table = MakeTable(std::move(source), flags).Detach();
  return S_OK;
}

}  // namespace

ComPtr<IMsgStore> MakeExchangeStore(ComPtr<IMsgStore> inner) {
  auto store = com::Make<ExchangeStore>(std::move(inner));
  return ComPtr<IMsgStore>(static_cast<IMsgStore*>(store.Get()));
}

}  // namespace mapi
