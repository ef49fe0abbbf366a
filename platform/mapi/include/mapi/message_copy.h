// The parts of IMessage::CopyTo beyond properties, through the target's own
// interfaces, for providers whose objects copy into any writable message
// (a message on a compound file among them).
#pragma once

#include <vector>

#include "mapi/prop_bag.h"

namespace mapi {

// Adds the rows to dest's recipients (ModifyRecipients with MODRECIP_ADD);
// PR_ROWID and error values stay behind, dest numbers its own rows.
HRESULT AddRecipientRows(const std::vector<const PropMap*>& rows, IMessage* dest);

// Each of source's attachments `numbers` into a new attachment of dest:
// CreateAttach, the attachment's CopyTo, SaveChanges.
HRESULT CopyAttachments(IMessage* source, const std::vector<ULONG>& numbers, IMessage* dest);

// The object of an attachment (PR_ATTACH_METHOD 5: the embedded message,
// copied with its own CopyTo and saved; 6: the OLE storage) into dest's
// PR_ATTACH_DATA_OBJ, which dest creates. Other methods have none.
HRESULT CopyAttachmentObject(IAttach* source, IAttach* dest);

// The contents step of a message's CopyTo: recipients and attachments into
// dest when dest is a message and they are not excluded.
HRESULT CopyMessageContents(IMessage* source, LPVOID dest, const SPropTagArray* exclude,
                            const std::vector<const PropMap*>& recipients, const std::vector<ULONG>& attachments);

// The contents step of an attachment's CopyTo: its object into dest when
// dest is an attachment and PR_ATTACH_DATA_OBJ is not excluded.
HRESULT CopyAttachmentContents(IAttach* source, LPVOID dest, const SPropTagArray* exclude);

}  // namespace mapi
