// The MAPI objects of the PST provider and what they share: the opened
// file, the identity the session gave the store, and the store's named
// properties. Every call that reaches libpff holds the file's lock.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "com/stream.h"
#include "mapi/defaults.h"
#include "mapi/provider.h"
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

// A libpff item that several objects use; freed, like every libpff item,
// under the file's lock.
using SharedItem = std::shared_ptr<libpff_item_t>;

// An attachment item of a message, shared by the message (which keeps
// those it read for its attachment table, so that a second table and the
// attachment objects read nothing again) and the attachment objects opened
// on it. libpff hands out an attachment's embedded message once per
// attachment item, so it is kept beside it, and freed first.
struct AttachmentItem {
  explicit AttachmentItem(ItemHandle attachment) : item(std::move(attachment)) {}
  ItemHandle item;
  ItemHandle embedded;
};
using SharedAttachment = std::shared_ptr<AttachmentItem>;

// Null when nid names no folder of the file.
ComPtr<IMAPIFolder> OpenFolder(const Store& store, uint32_t nid);
// A message of a folder (with its entry id) or embedded (nid empty). libpff
// items of attachments and embedded messages lean on the item they came
// from: `owner` keeps the object holding that item alive.
ComPtr<IMessage> OpenMessage(const Store& store, SharedItem item, std::optional<uint32_t> nid,
                             ComPtr<IUnknown> owner = nullptr);
// Its 8-bit strings are in codePage, the message's.
ComPtr<IAttach> OpenAttachment(const Store& store, SharedAttachment attachment, ULONG number,
                               ComPtr<IUnknown> owner, UINT codePage);
// The data of the attachment object `owner` (which holds `attachment`) as
// a read-only stream, read from the file as it is asked for; null when the
// attachment has none.
ComPtr<IStream> OpenDataStream(const Store& store, libpff_item_t* attachment, ComPtr<IUnknown> owner);

// OpenEntry of the store and its folders: a null entry id opens the root folder.
HRESULT OpenEntryOf(const Store& store, ULONG cb, LPENTRYID entryId, LPCIID iid, ULONG* objType,
                    LPUNKNOWN* out);

// Fills row or object properties of a folder; values larger than
// maxValueBytes answer MAPI_E_NOT_ENOUGH_MEMORY (rows leave them to the
// folder object, which holds them whole).
void FolderProps(const Store& store, uint32_t nid, mapi::PropMap& props, size_t maxValueBytes);

}  // namespace pst

namespace pst {

// Copies every property of source into dest but the excluded ones, objects
// and error values; named properties go by name, so they land on dest's
// own ids for the same names.
HRESULT CopyPropsByName(IMAPIProp* source, IMAPIProp* dest, const SPropTagArray* exclude,
                        LPSPropProblemArray* problems);

}  // namespace pst
