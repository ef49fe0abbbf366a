// How the session meets store providers: entry id layout, the identity a
// session gives each store it opens, and the factory of PST stores.
//
// Entry ids are stable byte strings:
//   object (folder, message) of a store:  4 flag bytes (0) | store uid (16) | provider's own bytes
//   store (stores table PR_ENTRYID):      4 flag bytes (0) | kStoreEntryIdUid (16) | store uid (16) | kind (1)
//                                         | UTF-8 locator (PST path, or mailbox DN for Exchange)
// A store puts its uid first in every object entry id it makes, so that the
// session's OpenEntry finds the store; the same object opened twice gives
// equal bytes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "com/unknown.h"
#include "mapi/interfaces.h"

namespace mapi {

// The provider ids (PR_MDB_PROVIDER) of the stores here.
inline constexpr MAPIUID kPstProviderUid = {
    {0x4E, 0x49, 0x54, 0x41, 0xF9, 0xBF, 0xB8, 0x01, 0x00, 0xAA, 0x00, 0x37, 0xD9, 0x6E, 0x00, 0x00}};
inline constexpr MAPIUID kExchangePrivateStoreUid = {
    {0x54, 0x94, 0xA1, 0xC0, 0x29, 0x7F, 0x10, 0x1B, 0xA5, 0x87, 0x08, 0x00, 0x2B, 0x2A, 0x25, 0x17}};
inline constexpr MAPIUID kMemoryProviderUid = {
    {0x42, 0x52, 0x4B, 0x46, 0x4D, 0x45, 0x4D, 0x53, 0x54, 0x4F, 0x52, 0x45, 0x00, 0x00, 0x00, 0x01}};
// Marks a store entry id (as opposed to an object's).
inline constexpr MAPIUID kStoreEntryIdUid = {
    {0x42, 0x52, 0x4B, 0x46, 0x53, 0x54, 0x4F, 0x52, 0x45, 0x45, 0x49, 0x44, 0x00, 0x00, 0x00, 0x01}};

inline bool operator==(const MAPIUID& a, const MAPIUID& b) {
  for (int i = 0; i < 16; ++i)
    if (a.ab[i] != b.ab[i]) return false;
  return true;
}

enum class StoreKind : BYTE { kPst = 1, kExchange = 2, kMemory = 3 };

// What a session tells a store when it opens it.
struct StoreIdentity {
  MAPIUID uid{};             // first 16 bytes after the flags of every entry id of the store
  std::u16string displayName;  // PR_DISPLAY_NAME of the store (the service's name)
  std::string storeEntryId;  // PR_ENTRYID / PR_STORE_ENTRYID of the store itself
};

// Store entry ids.
std::string MakeStoreEntryId(const MAPIUID& uid, StoreKind kind, std::string_view locator);
struct StoreEntryId {
  MAPIUID uid{};
  StoreKind kind = StoreKind::kPst;
  std::string locator;
};
std::optional<StoreEntryId> ParseStoreEntryId(const void* bytes, ULONG cb);
// The store uid of an object entry id (null when it is too short).
std::optional<MAPIUID> StoreUidOfEntryId(const void* bytes, ULONG cb);
// A uid derived from text (stable across processes).
MAPIUID UidFromText(std::string_view text);

// Opens a PST or OST file read-only as a store with the given identity:
// MAPI_E_NOT_FOUND for a missing file, MAPI_E_CORRUPT_STORE for one that is
// not a PST (the session turns either into MAPI_E_LOGON_FAILED at logon).
// Implemented by the PST provider (src/pst/); until it is linked in, a
// weak default answers MAPI_E_NO_SUPPORT.
HRESULT OpenPstStore(const std::u16string& path, const StoreIdentity& identity, ULONG flags, IMsgStore** store);

// Opens path as a PST or OST file and closes it again: S_OK, else
// MAPI_E_NOT_FOUND or MAPI_E_CORRUPT_STORE as OpenPstStore answers, with
// the reason in *reason (no such file, a folder, not a PST file and why).
HRESULT CheckPstFile(const std::u16string& path, std::string* reason);

// Replaces the PST factory (tests serve memory stores through the same
// seam); an empty function restores OpenPstStore.
using PstOpener = std::function<HRESULT(const std::u16string& path, const StoreIdentity&, ULONG, IMsgStore**)>;
void SetPstOpener(PstOpener opener);
// What the session calls: the replacement when one is set, else OpenPstStore.
HRESULT OpenPstThroughFactory(const std::u16string& path, const StoreIdentity& identity, ULONG flags,
                              IMsgStore** store);

}  // namespace mapi
