// The named-property map of a message file ("__nameid_version1.0" at the
// top level): every name of the message and its sub-objects, with its id.
#pragma once

#include "mapi/prop_bag.h"

namespace mapi::msg {

// Binds each name the file's map holds to its id (0x8000 + its index);
// entries that point past their streams are passed over. A file without a
// map has no names.
HRESULT ReadNames(IStorage* root, NameMap* names);
// Writes the map's GUID, entry and string streams and the name-to-id
// lookup streams into a new "__nameid_version1.0" storage of root.
HRESULT WriteNames(IStorage* root, const NameMap& names);

}  // namespace mapi::msg
