// The session's view of its stores, shared with the address book and the
// Exchange stores it opens.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mapi/interfaces.h"
#include "mapi/profiles.h"
#include "mapi/provider.h"

namespace mapi {

struct OpenedStore {
  StoreIdentity identity;
  StoreKind kind = StoreKind::kPst;
  MAPIUID provider{};
  bool inProfile = false;  // listed in the stores table
  bool isDefault = false;
  ComPtr<IMsgStore> store;
};

// What a session knows: its profile, its user, the stores it opened.
class SessionState {
 public:
  explicit SessionState(profiles::Profile profile);
  const profiles::Profile& profile() const { return profile_; }
  // The user Exchange rights are checked for.
  std::u16string user() const;

  // Opens every store of the profile (the logon).
  HRESULT OpenProfileStores();
  // A store by its store entry id: the profile's, or an Exchange mailbox.
  HRESULT OpenStoreById(const StoreEntryId& id, ComPtr<IMsgStore>* store);
  // The open store whose uid heads an object entry id.
  ComPtr<IMsgStore> StoreForObject(const void* entryId, ULONG cb);
  std::vector<OpenedStore> ProfileStores();
  void Close();

 private:
  HRESULT OpenPst(const profiles::Service& s, bool isDefault);
  HRESULT OpenOwnMailbox(const profiles::Service& s, bool isDefault);
  HRESULT OpenMailbox(std::u16string_view server, std::u16string_view dn, bool inProfile, bool isDefault,
                      ComPtr<IMsgStore>* store);

  std::mutex mutex_;
  profiles::Profile profile_;
  std::vector<OpenedStore> stores_;
};

// Wraps a mailbox's store as an Exchange private store: PR_MDB_PROVIDER of
// the Exchange private store, and IExchangeManageStore.
ComPtr<IMsgStore> MakeExchangeStore(ComPtr<IMsgStore> inner);

// Logs on to profile: opens its stores (any failure: MAPI_E_LOGON_FAILED).
HRESULT MakeSession(profiles::Profile profile, IMAPISession** out);

HRESULT OpenAddressBook(std::shared_ptr<SessionState> session, IAddrBook** book);

// Stable uid of a mailbox's store.
MAPIUID MailboxUid(std::u16string_view server, std::u16string_view dn);
std::string MailboxLocator(std::u16string_view server, std::u16string_view dn);

}  // namespace mapi
