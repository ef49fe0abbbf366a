// One record set of a PST item (its property context, or one row of a
// table): the tags it holds and their stored bytes, read when asked.
// Callers hold the file's lock. Damage found while reading throws
// ndb::Damage; the MAPI objects answer it with MAPI_E_CORRUPT_DATA.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "pst/ltp_pc.h"

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
  // The properties of a property context.
  static RecordSet Of(std::shared_ptr<const ltp::PropertyContext> pc);
  // The cells of a table row.
  static RecordSet OfCells(std::vector<RawProp> cells);

  bool Empty() const { return tags_.empty(); }
  // Tags in stored order.
  const std::vector<uint32_t>& Tags() const { return tags_; }
  // The stored tag of property id `id`, if the set holds it.
  std::optional<uint32_t> TagOf(uint16_t id) const;
  std::optional<RawProp> Find(uint16_t id) const;
  // The byte size of property `id`'s value, without reading it.
  std::optional<uint64_t> SizeOf(uint16_t id) const;
  // Property `id`'s value as a stream, for reading a large value piecewise.
  std::optional<ltp::ValueStream> Open(uint16_t id) const;

 private:
  std::optional<size_t> IndexOf(uint16_t id) const;
  std::shared_ptr<const ltp::PropertyContext> pc_;
  std::vector<RawProp> cells_;
  std::vector<uint32_t> tags_;
};

// Little-endian readers over stored bytes; a short value reads as zero.
uint16_t Le16(const std::vector<uint8_t>& b, size_t at = 0);
uint32_t Le32(const std::vector<uint8_t>& b, size_t at = 0);
uint64_t Le64(const std::vector<uint8_t>& b, size_t at = 0);

}  // namespace pst
