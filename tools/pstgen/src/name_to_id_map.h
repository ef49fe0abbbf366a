// The name-to-ID map (node 0x61): GUID, entry and string streams and the
// hash buckets that give each named property its ID from 0x8000.
#pragma once

#include <cstdint>
#include <vector>

#include "pstgen/description.h"

namespace pstgen {

class NameToIdMap {
 public:
  NameToIdMap();
  // The property ID of a named property, registering it on first use.
  std::uint16_t PropId(const NamedProperty& name);
  // The map's properties, for its property context.
  std::vector<Property> Properties() const;

 private:
  struct Entry {
    std::uint32_t propertyId;  // LID, or offset of the name in the string stream
    std::uint32_t hash;        // LID, or CRC of the name
    std::uint16_t guidField;   // (GUID index << 1) | N, N set for string names
    std::uint16_t propIndex;   // property ID - 0x8000
  };
  std::uint16_t GuidIndex(const Guid& g);
  std::vector<Guid> guids_;
  std::vector<Entry> entries_;
  Bytes strings_;
};

}  // namespace pstgen
