// One object's properties in its storage: the property stream and the
// value streams.
#pragma once

#include "mapi/prop_bag.h"
#include "msg/msg_format.h"

namespace mapi::msg {

// The counts in a message's property stream header.
struct HeaderCounts {
  ULONG nextRecipient = 0;
  ULONG nextAttachment = 0;
  ULONG recipients = 0;
  ULONG attachments = 0;
};

// Reads every property of the object in stg. Entries whose value stream
// is missing or cut short, error values and object entries are passed
// over; the object itself (an embedded message, an OLE storage) is the
// caller's to open.
HRESULT ReadProps(IStorage* stg, Kind kind, PropMap* props);

struct WriteOptions {
  Kind kind = Kind::kTop;
  HeaderCounts counts;
  bool unicode = true;       // 8-bit strings are written as UTF-16...
  UINT codepage = CP_ACP;    // ...read in this code page
  bool objectEntry = false;  // an entry for PR_ATTACH_DATA_OBJ (its storage is the caller's)
};

// Writes the property stream and a value stream per variable-length or
// multi-valued property into stg (which holds no such streams yet).
HRESULT WriteProps(IStorage* stg, const PropMap& props, const WriteOptions& options);

}  // namespace mapi::msg
