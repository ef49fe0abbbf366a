// Reads an IMessage (properties, recipient table, attachments, embedded
// messages) into the writer's model.
#pragma once

#include "mapi/interfaces.h"
#include "mime/mime_model.h"

namespace mime {

// Embedded messages nest at most this deep; deeper ones are left out
// rather than followed (a message may, through a faulty store, contain itself).
constexpr int kMaxNesting = 32;

HRESULT ReadMapiMessage(IMessage* message, Message& out, int depth = 0);

}  // namespace mime
