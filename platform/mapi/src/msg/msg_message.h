// The IMessage of OpenIMsgOnIStg.
#pragma once

#include "mapi/mapix.h"

namespace mapi::msg {

// A message over stg: the message the storage holds, or a new empty one
// when it holds none. flags: MAPI_UNICODE for the Unicode form.
HRESULT OpenMessageOnStorage(IStorage* stg, ULONG flags, MSGCALLRELEASE* release, ULONG callerData, IMessage** out);

}  // namespace mapi::msg
