// Property context: a BTH of (property ID -> type, value or HNID) in a heap.
#pragma once

#include <vector>

#include "ltp.h"
#include "pstgen/description.h"

namespace pstgen {

// Writes the context and returns its bidData; values too large for the heap
// join subs. A later property with the same ID replaces an earlier one.
std::uint64_t WritePropertyContext(BlockStore& store, const std::vector<Property>& props, Subnodes& subs);

}  // namespace pstgen
