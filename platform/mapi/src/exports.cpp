// The installed library's exports with C linkage.
#include "entry.h"

#define BRACKENFORD_ENTRY(result, name, params, args) \
  extern "C" result name params { return mapi::entry::name args; }
#include "entry_points.inc"
#undef BRACKENFORD_ENTRY
