// One record set of a PST item (a property context, or one row of a table
// that libpff decoded): the tags it holds and their stored bytes, read when
// asked. Callers hold the file's lock.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "pst/pff_handles.h"

namespace pst {

constexpr uint16_t TagId(uint32_t tag) { return static_cast<uint16_t>(tag >> 16); }
constexpr uint16_t TagType(uint32_t tag) { return static_cast<uint16_t>(tag & 0xFFFF); }
constexpr uint32_t MakeTag(uint16_t id, uint16_t type) { return (uint32_t{id} << 16) | type; }

// A property as the file stores it: its tag (with the stored type) and the
// little-endian bytes of its value (multi-valued data in the file's layout).
struct RawProp {
  uint32_t tag = 0;
  std::vector<uint8_t> bytes;
};

class RecordSet {
 public:
  RecordSet() = default;
  // Set `index` of the item; an item without that set gives an empty one.
  static RecordSet Of(libpff_item_t* item, int index = 0);

  bool Empty() const { return tags_.empty(); }
  // Tags in stored order.
  const std::vector<uint32_t>& Tags() const { return tags_; }
  // The stored tag of property id `id`, if the set holds it.
  std::optional<uint32_t> TagOf(uint16_t id) const;
  std::optional<RawProp> Find(uint16_t id) const;
  // The byte size of property `id`'s value, without reading it.
  std::optional<size_t> SizeOf(uint16_t id) const;
  // The entry of property `id`, for reading a large value piecewise.
  RecordEntryHandle Entry(uint16_t id) const;

 private:
  std::optional<RawProp> Read(int index) const;
  RecordSetHandle set_;
  std::vector<uint32_t> tags_;
};

// Little-endian readers over stored bytes; a short value reads as zero.
uint16_t Le16(const std::vector<uint8_t>& b, size_t at = 0);
uint32_t Le32(const std::vector<uint8_t>& b, size_t at = 0);
uint64_t Le64(const std::vector<uint8_t>& b, size_t at = 0);

}  // namespace pst
