// Decoding the data of external blocks: stored as they are, permuted byte
// by byte, or the cyclic cipher keyed by the block's BID.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pst/ndb_header.h"

namespace pst::ndb {

void DecodeBlock(Crypt crypt, uint64_t bid, uint8_t* data, size_t size);
// The inverse, as a writer encodes.
void EncodeBlock(Crypt crypt, uint64_t bid, uint8_t* data, size_t size);

}  // namespace pst::ndb
