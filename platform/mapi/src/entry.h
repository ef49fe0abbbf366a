// The implementations behind the exported entry points (see
// entry_points.inc). The system "mapi32.dll" forwards to these, so its own
// exports never bind to themselves.
#pragma once

#include "mapi/mapix.h"

namespace mapi::entry {
#define BRACKENFORD_ENTRY(result, name, params, args) result name params;
#include "entry_points.inc"
#undef BRACKENFORD_ENTRY
}  // namespace mapi::entry
