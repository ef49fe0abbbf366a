// The MAPI objects of the PST provider and what they share: the opened
// file, the identity the session gave the store, and the store's named
// properties. Every call that reads the file holds the file's lock.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "com/stream.h"
#include "mapi/defaults.h"
#include "mapi/provider.h"
#include "mapi/mapicode.h"
#include "pst/pst_file.h"

namespace pst {

struct StoreState {
  std::shared_ptr<PstFile> file;
  mapi::StoreIdentity identity;
  std::shared_ptr<mapi::NameMap> names;

  // Object entry ids: 4 flag bytes, the store's uid, the node identifier.
  std::string EntryId(uint32_t nid) const;
  // The node an entry id of this store names (the file's own record key
  // is taken as well, for entry ids stored inside the file).
  std::optional<uint32_t> NidOf(ULONG cb, const void* entryId) const;
  // Rewrites an entry id stored in the file into one of this store.
  std::optional<std::string> Restamp(const SPropValue& stored) const;
  // Common properties of every object of the store.
  void AddStoreProps(mapi::PropMap& props) const;
};
using Store = std::shared_ptr<const StoreState>;

// An item that several objects use.
using SharedItem = std::shared_ptr<Item>;

// Runs f, answering damage the file shows with MAPI_E_CORRUPT_DATA.
template <class F>
HRESULT Guard(F&& f) {
  try {
    return f();
  } catch (const ndb::Damage&) {
    return MAPI_E_CORRUPT_DATA;
  } catch (const std::bad_alloc&) {
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
}

// An attachment item of a message, shared by the message (which keeps
// those it read for its attachment table, so that a second table and the
// attachment objects read nothing again) and the attachment objects opened
// on it, with its embedded message once opened.
struct AttachmentItem {
  explicit AttachmentItem(ItemHandle attachment) : item(std::move(attachment)) {}
  ItemHandle item;
  ItemHandle embedded;
};
using SharedAttachment = std::shared_ptr<AttachmentItem>;

// Null when nid names no folder of the file.
ComPtr<IMAPIFolder> OpenFolder(const Store& store, uint32_t nid);
// A message of a folder (with its entry id) or embedded (nid empty).
// Attachments and embedded messages lean on the object they came from:
// `owner` keeps it alive.
ComPtr<IMessage> OpenMessage(const Store& store, SharedItem item, std::optional<uint32_t> nid,
                             ComPtr<IUnknown> owner = nullptr);
ComPtr<IAttach> OpenAttachment(const Store& store, SharedAttachment attachment, ULONG number,
                               ComPtr<IUnknown> owner);
// The data of the attachment object `owner` (which holds `attachment`) as
// a read-only stream, read from the file as it is asked for; null when the
// attachment has none.
ComPtr<IStream> OpenDataStream(const Store& store, Item* attachment, ComPtr<IUnknown> owner);

// OpenEntry of the store and its folders: a null entry id opens the root folder.
HRESULT OpenEntryOf(const Store& store, ULONG cb, LPENTRYID entryId, LPCIID iid, ULONG* objType,
                    LPUNKNOWN* out);

// "not a PST file", "an unsupported PST file" or "a damaged PST file", by
// the reason PstFile::Open gave.
std::string KindOfRefusal(const std::string& reason);

// Fills row or object properties of a folder.
void FolderProps(const Store& store, uint32_t nid, mapi::PropMap& props);

}  // namespace pst

namespace pst {

// Copies every property of source into dest but the excluded ones, objects
// and error values; named properties go by name, so they land on dest's
// own ids for the same names.
HRESULT CopyPropsByName(IMAPIProp* source, IMAPIProp* dest, const SPropTagArray* exclude,
                        LPSPropProblemArray* problems);

}  // namespace pst
