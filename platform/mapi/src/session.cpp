// Sessions: the logon's stores, the stores table, opening stores and
// entries.
#include "session.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "json_fields.h"
#include "mapi/exchange.h"
#include "mapi/table.h"
#include "win32/text.h"

namespace mapi {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}
std::string U8(std::u16string_view s) { return win32::Utf16ToUtf8(s); }
std::string_view Bytes(const MAPIUID& u) { return {reinterpret_cast<const char*>(u.ab), sizeof(u.ab)}; }

bool SameText(std::u16string_view a, std::u16string_view b) { return Lower(U8(a)) == Lower(U8(b)); }

}  // namespace

MAPIUID MailboxUid(std::u16string_view server, std::u16string_view dn) {
  return UidFromText("exchange:" + Lower(U8(server)) + "\n" + Lower(U8(dn)));
}
std::string MailboxLocator(std::u16string_view server, std::u16string_view dn) {
  return U8(server) + std::string(1, '\0') + U8(dn);
}

SessionState::SessionState(profiles::Profile profile) : profile_(std::move(profile)) {}

std::u16string SessionState::user() const {
  if (!profile_.user.empty()) return profile_.user;
  for (const auto& s : profile_.services)
    if (s.kind == profiles::ServiceKind::kExchange) return s.mailbox;
  return {};
}

HRESULT SessionState::OpenProfileStores() {
  bool first = true;
  for (const auto& s : profile_.services) {
    const HRESULT hr = s.kind == profiles::ServiceKind::kPst ? OpenPst(s, first) : OpenOwnMailbox(s, first);
    if (FAILED(hr)) return hr;
    first = false;
  }
  return S_OK;
}

HRESULT SessionState::OpenPst(const profiles::Service& s, bool isDefault) {
  std::error_code ec;
  const auto canonical = std::filesystem::weakly_canonical(std::filesystem::path(U8(s.path)), ec);
  OpenedStore o;
  o.kind = StoreKind::kPst;
  o.provider = kPstProviderUid;
  o.inProfile = true;
  o.isDefault = isDefault;
  o.identity.uid = UidFromText("pst:" + (ec ? U8(s.path) : canonical.string()));
  o.identity.displayName = s.displayName;
  o.identity.storeEntryId = MakeStoreEntryId(o.identity.uid, StoreKind::kPst, U8(s.path));
  if (HRESULT hr = OpenPstThroughFactory(s.path, o.identity, 0, o.store.ReleaseAndGetAddressOf()); FAILED(hr))
    return hr;
  std::lock_guard lock(mutex_);
  stores_.push_back(std::move(o));
  return S_OK;
}

HRESULT SessionState::OpenOwnMailbox(const profiles::Service& s, bool isDefault) {
  std::vector<exchange::Mailbox> boxes;
  std::string error;
  if (const HRESULT hr = exchange::ReadMailboxes(s.server, &boxes, &error); FAILED(hr)) {
    if (hr == MAPI_E_CORRUPT_DATA) json_fields::Report(error);
    return hr;
  }
  auto box = exchange::FindMailbox(s.server, s.mailbox);
  if (!box) return MAPI_E_NOT_FOUND;
  ComPtr<IMsgStore> store;
  return OpenMailbox(s.server, box->dn, true, isDefault, &store);
}

HRESULT SessionState::OpenMailbox(std::u16string_view server, std::u16string_view dn, bool inProfile,
                                  bool isDefault, ComPtr<IMsgStore>* store) {
  auto box = exchange::FindMailbox(server, dn);
  if (!box) return MAPI_E_NOT_FOUND;
  if (!inProfile && !SameText(box->alias, user())) {
    for (const auto& d : box->denied)
      if (SameText(d, user())) return MAPI_E_FAILONEPROVIDER;
  }
  OpenedStore o;
  o.kind = StoreKind::kExchange;
  o.provider = kExchangePrivateStoreUid;
  o.inProfile = inProfile;
  o.isDefault = isDefault;
  o.identity.uid = MailboxUid(server, box->dn);
  o.identity.displayName = u"Mailbox - " + box->displayName;
  o.identity.storeEntryId = MakeStoreEntryId(o.identity.uid, StoreKind::kExchange, MailboxLocator(server, box->dn));
  ComPtr<IMsgStore> inner;
  if (HRESULT hr = OpenPstThroughFactory(box->pstPath, o.identity, 0, inner.ReleaseAndGetAddressOf()); FAILED(hr))
    return hr;
  o.store = MakeExchangeStore(std::move(inner));
  *store = o.store;
  std::lock_guard lock(mutex_);
  stores_.push_back(std::move(o));
  return S_OK;
}

HRESULT SessionState::OpenStoreById(const StoreEntryId& id, ComPtr<IMsgStore>* store) {
  {
    std::lock_guard lock(mutex_);
    for (const auto& o : stores_)
      if (o.identity.uid == id.uid) {
        *store = o.store;
        return S_OK;
      }
  }
  if (id.kind != StoreKind::kExchange) return MAPI_E_NOT_FOUND;
  const size_t nul = id.locator.find('\0');
  if (nul == std::string::npos) return MAPI_E_INVALID_ENTRYID;
  const std::u16string server = win32::Utf8ToUtf16(id.locator.substr(0, nul));
  const std::u16string dn = win32::Utf8ToUtf16(id.locator.substr(nul + 1));
  return OpenMailbox(server, dn, false, false, store);
}

ComPtr<IMsgStore> SessionState::StoreForObject(const void* entryId, ULONG cb) {
  const auto uid = StoreUidOfEntryId(entryId, cb);
  if (!uid) return nullptr;
  std::lock_guard lock(mutex_);
  for (const auto& o : stores_)
    if (o.identity.uid == *uid) return o.store;
  return nullptr;
}

std::vector<OpenedStore> SessionState::ProfileStores() {
  std::lock_guard lock(mutex_);
  std::vector<OpenedStore> out;
  for (const auto& o : stores_)
    if (o.inProfile) out.push_back(o);
  return out;
}

void SessionState::Close() {
  std::vector<OpenedStore> gone;
  std::lock_guard lock(mutex_);
  gone.swap(stores_);
}

namespace {

std::shared_ptr<PropMap> StoreRow(const OpenedStore& o, ULONG index) {
  auto row = std::make_shared<PropMap>();
  row->Set(MakeBinary(PR_ENTRYID, o.identity.storeEntryId));
  row->Set(MakeUnicode(PR_DISPLAY_NAME_W, o.identity.displayName));
  row->Set(MakeBinary(PR_MDB_PROVIDER, Bytes(o.provider)));
  row->Set(MakeBool(PR_DEFAULT_STORE, o.isDefault));
  row->Set(MakeLong(PR_RESOURCE_FLAGS, o.isDefault ? STATUS_DEFAULT_STORE : 0));
  row->Set(MakeLong(PR_OBJECT_TYPE, MAPI_STORE));
  row->Set(MakeLong(PR_RESOURCE_TYPE, MAPI_STORE_PROVIDER));
  row->Set(MakeBinary(PR_RECORD_KEY, Bytes(o.identity.uid)));
  std::string key(4, '\0');
  std::memcpy(key.data(), &index, 4);
  row->Set(MakeBinary(PR_INSTANCE_KEY, key));
  row->Set(MakeUnicode(PR_PROVIDER_DISPLAY_W,
                       o.kind == StoreKind::kExchange ? u"Exchange Message Store" : u"Personal Folders"));
  return row;
}

class Session final : public com::ComObject<IMAPISession> {
 public:
  explicit Session(std::shared_ptr<SessionState> state) : state_(std::move(state)) {}

  HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR* err) override {
    if (err) *err = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG flags, LPMAPITABLE* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (ended_) return MAPI_E_END_OF_SESSION;
    std::vector<std::shared_ptr<const PropMap>> rows;
    ULONG i = 0;
    for (const auto& o : state_->ProfileStores()) rows.push_back(StoreRow(o, i++));
    auto source = std::make_shared<VectorRows>(
        std::vector<ULONG>{PR_INSTANCE_KEY, PR_ENTRYID, PR_DISPLAY_NAME_W, PR_MDB_PROVIDER, PR_DEFAULT_STORE,
                           PR_RESOURCE_FLAGS, PR_RECORD_KEY, PR_OBJECT_TYPE},
        std::move(rows));
    *out = MakeTable(std::move(source), flags).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR, ULONG cb, LPENTRYID eid, LPCIID iid, ULONG,
                                         LPMDB* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (ended_) return MAPI_E_END_OF_SESSION;
    auto id = ParseStoreEntryId(eid, cb);
    if (!id) return MAPI_E_INVALID_ENTRYID;
    ComPtr<IMsgStore> store;
    if (HRESULT hr = state_->OpenStoreById(*id, &store); FAILED(hr)) return hr;
    if (iid) return store->QueryInterface(*iid, reinterpret_cast<void**>(out));
    *out = store.Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR, LPCIID iid, ULONG, LPADRBOOK* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (ended_) return MAPI_E_END_OF_SESSION;
    ComPtr<IAddrBook> book;
    if (HRESULT hr = mapi::OpenAddressBook(state_, book.ReleaseAndGetAddressOf()); FAILED(hr)) return hr;
    if (iid) return book->QueryInterface(*iid, reinterpret_cast<void**>(out));
    *out = book.Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cb, LPENTRYID eid, LPCIID iid, ULONG flags, ULONG* type,
                                      LPUNKNOWN* out) override {
    if (!out) return MAPI_E_INVALID_PARAMETER;
    *out = nullptr;
    if (ended_) return MAPI_E_END_OF_SESSION;
    if (ParseStoreEntryId(eid, cb)) {
      if (type) *type = MAPI_STORE;
      return OpenMsgStore(0, cb, eid, iid, flags, reinterpret_cast<LPMDB*>(out));
    }
    if (auto store = state_->StoreForObject(eid, cb)) return store->OpenEntry(cb, eid, iid, flags, type, out);
    ComPtr<IAddrBook> book;
    if (SUCCEEDED(mapi::OpenAddressBook(state_, book.ReleaseAndGetAddressOf())) &&
        SUCCEEDED(book->OpenEntry(cb, eid, iid, flags, type, out)))
      return S_OK;
    return MAPI_E_UNKNOWN_ENTRYID;
  }
  HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cb1, LPENTRYID id1, ULONG cb2, LPENTRYID id2, ULONG,
                                            ULONG* result) override {
    if (!result) return MAPI_E_INVALID_PARAMETER;
    *result = cb1 == cb2 && (cb1 == 0 || (id1 && id2 && std::memcmp(id1, id2, cb1) == 0));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR, ULONG, ULONG) override {
    ended_ = true;
    state_->Close();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetDefaultStore(ULONG, ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE AdminServices(ULONG, LPSERVICEADMIN*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG,
                                     ULONG, LPSTR) override {
    return MAPI_E_NO_SUPPORT;
  }
  HRESULT STDMETHODCALLTYPE PrepareForm(LPCIID, LPMESSAGE, ULONG*) override { return MAPI_E_NO_SUPPORT; }

 private:
  ~Session() override { state_->Close(); }
  std::shared_ptr<SessionState> state_;
  bool ended_ = false;
};

}  // namespace

HRESULT MakeSession(profiles::Profile profile, IMAPISession** out) {
  auto state = std::make_shared<SessionState>(std::move(profile));
  // A damaged mailbox list says so; any other failure is a failed logon.
  if (const HRESULT hr = state->OpenProfileStores(); FAILED(hr))
    return hr == MAPI_E_CORRUPT_DATA ? hr : MAPI_E_LOGON_FAILED;
  *out = com::Make<Session>(std::move(state)).Detach();
  return S_OK;
}

}  // namespace mapi
