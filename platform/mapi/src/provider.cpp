// Entry id layout shared by the session and the stores, and the PST factory
// seam.
#include "mapi/provider.h"

#include <cstring>
#include <mutex>

namespace mapi {
namespace {

constexpr size_t kFlags = 4;
constexpr size_t kUid = sizeof(MAPIUID);

std::mutex& OpenerMutex() {
  static std::mutex m;
  return m;
}
PstOpener& Opener() {
  static PstOpener opener;
  return opener;
}

}  // namespace

std::string MakeStoreEntryId(const MAPIUID& uid, StoreKind kind, std::string_view locator) {
  std::string id(kFlags, '\0');
  id.append(reinterpret_cast<const char*>(kStoreEntryIdUid.ab), kUid);
  id.append(reinterpret_cast<const char*>(uid.ab), kUid);
  id.push_back(static_cast<char>(kind));
  id.append(locator);
  return id;
}

std::optional<StoreEntryId> ParseStoreEntryId(const void* bytes, ULONG cb) {
  if (!bytes || cb < kFlags + 2 * kUid + 1) return std::nullopt;
  const auto* p = static_cast<const BYTE*>(bytes);
  if (std::memcmp(p + kFlags, kStoreEntryIdUid.ab, kUid) != 0) return std::nullopt;
  StoreEntryId id;
  std::memcpy(id.uid.ab, p + kFlags + kUid, kUid);
  const BYTE kind = p[kFlags + 2 * kUid];
  if (kind < 1 || kind > 3) return std::nullopt;
  id.kind = static_cast<StoreKind>(kind);
  id.locator.assign(reinterpret_cast<const char*>(p) + kFlags + 2 * kUid + 1, cb - (kFlags + 2 * kUid + 1));
  return id;
}

std::optional<MAPIUID> StoreUidOfEntryId(const void* bytes, ULONG cb) {
  if (!bytes || cb < kFlags + kUid) return std::nullopt;
  MAPIUID uid;
  std::memcpy(uid.ab, static_cast<const BYTE*>(bytes) + kFlags, kUid);
  return uid;
}

MAPIUID UidFromText(std::string_view text) {
  // Two FNV-1a 64-bit hashes with different offsets.
  auto fnv = [&](std::uint64_t h) {
    for (unsigned char c : text) {
      h ^= c;
      h *= 0x100000001B3ull;
    }
    return h;
  };
  const std::uint64_t a = fnv(0xCBF29CE484222325ull), b = fnv(0x84222325CBF29CE4ull);
  MAPIUID uid;
  for (int i = 0; i < 8; ++i) {
    uid.ab[i] = static_cast<BYTE>(a >> (8 * i));
    uid.ab[8 + i] = static_cast<BYTE>(b >> (8 * i));
  }
  return uid;
}

// The PST provider's definition replaces this one when it is linked in.
__attribute__((weak)) HRESULT OpenPstStore(const std::u16string&, const StoreIdentity&, ULONG, IMsgStore** store) {
  if (store) *store = nullptr;
  return MAPI_E_NO_SUPPORT;
}

void SetPstOpener(PstOpener opener) {
  std::lock_guard lock(OpenerMutex());
  Opener() = std::move(opener);
}

HRESULT OpenPstThroughFactory(const std::u16string& path, const StoreIdentity& identity, ULONG flags,
                              IMsgStore** store) {
  PstOpener opener;
  {
    std::lock_guard lock(OpenerMutex());
    opener = Opener();
  }
  return opener ? opener(path, identity, flags, store) : OpenPstStore(path, identity, flags, store);
}

}  // namespace mapi
