// A message of a message file held in memory: what OpenIMsgOnIStg reads
// from the storage and SaveChanges writes back.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "mapi/prop_bag.h"
#include "msg/msg_format.h"

namespace mapi::msg {

struct MessageData;

struct AttachmentData {
  PropMap props;
  // Held as values: whoever changes one puts a new one in place.
  std::shared_ptr<const MessageData> embedded;  // ATTACH_EMBEDDED_MSG
  ComPtr<IStorage> storage;                     // ATTACH_OLE as a storage
};

struct MessageData {
  PropMap props;
  std::vector<PropMap> recipients;              // each with its PR_ROWID
  std::map<ULONG, AttachmentData> attachments;  // by PR_ATTACH_NUM
  ULONG nextRowId = 0;
  ULONG nextAttachment = 0;
};

// Reads the message in stg (a top-level or an embedded one) with its
// recipients and attachments, numbered in the order of their storages.
HRESULT LoadMessage(IStorage* stg, Kind kind, MessageData* out);

struct SaveOptions {
  bool unicode = true;
};
// Writes the message into stg, which it empties first.
HRESULT SaveMessage(const MessageData& message, IStorage* stg, Kind kind, const SaveOptions& options);

}  // namespace mapi::msg
