// registry.reg on disk: cached reads and locked, atomic writes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "registry_tree.h"

namespace win32::reg {

using Snapshot = std::shared_ptr<const Key>;

// The registry as the file holds it now; ERROR_BADDB when the file does not
// parse (the problem goes to standard error once per version of the file).
// A missing file is an empty registry.
LONG Load(Snapshot& out, std::string* problem = nullptr);

// Runs `edit` on the current tree under the registry lock and, when it
// reports a change, replaces the file with the result. The edit's status is
// returned unless reading or writing the file fails.
LONG Update(const std::function<LONG(Key& top, bool& changed)>& edit);

}  // namespace win32::reg
