// The library handles of the run-time binding, for the binding's tests.
#pragma once
#include "win32/types.h"

namespace import_procs_state {
HMODULE InstallerModule();
HMODULE SystemMapi32Module();
HMODULE SystemMapiStubModule();
}  // namespace import_procs_state
