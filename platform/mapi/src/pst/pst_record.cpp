#include "pst/pst_record.h"

namespace pst {

RecordSet RecordSet::Of(libpff_item_t* item, int index) {
  RecordSet rs;
  PffError e;
  int sets = 0;
  if (!item || libpff_item_get_number_of_record_sets(item, &sets, &e) != 1 || index >= sets) return rs;
  if (libpff_item_get_record_set_by_index(item, index, Out(rs.set_), &e) != 1) return rs;
  int n = 0;
  if (libpff_record_set_get_number_of_entries(rs.set_.get(), &n, &e) != 1) return rs;
  rs.tags_.reserve(n);
  for (int i = 0; i < n; ++i) {
    RecordEntryHandle entry;
    uint32_t id = 0, type = 0;
    int r = libpff_record_set_get_entry_by_index(rs.set_.get(), i, Out(entry), &e);
    if (r != 1 || libpff_record_entry_get_entry_type(entry.get(), &id, &e) != 1 ||
        libpff_record_entry_get_value_type(entry.get(), &type, &e) != 1) {
      id = 0, type = 0;  // keeps indexes aligned; never matches a lookup
    }
    rs.tags_.push_back(MakeTag(static_cast<uint16_t>(id), static_cast<uint16_t>(type)));
  }
  return rs;
}

std::optional<uint32_t> RecordSet::TagOf(uint16_t id) const {
  for (uint32_t tag : tags_)
    if (tag != 0 && TagId(tag) == id) return tag;
  return std::nullopt;
}

std::optional<RawProp> RecordSet::Find(uint16_t id) const {
  for (size_t i = 0; i < tags_.size(); ++i)
    if (tags_[i] != 0 && TagId(tags_[i]) == id) return Read(static_cast<int>(i));
  return std::nullopt;
}

std::optional<size_t> RecordSet::SizeOf(uint16_t id) const {
  RecordEntryHandle entry = Entry(id);
  PffError e;
  size_t size = 0;
  if (!entry || libpff_record_entry_get_data_size(entry.get(), &size, &e) != 1) return std::nullopt;
  return size;
}

RecordEntryHandle RecordSet::Entry(uint16_t id) const {
  RecordEntryHandle entry;
  PffError e;
  for (size_t i = 0; i < tags_.size(); ++i) {
    if (tags_[i] == 0 || TagId(tags_[i]) != id) continue;
    libpff_record_set_get_entry_by_index(set_.get(), static_cast<int>(i), Out(entry), &e);
    break;
  }
  return entry;
}

std::optional<RawProp> RecordSet::Read(int index) const {
  RecordEntryHandle entry;
  PffError e;
  if (libpff_record_set_get_entry_by_index(set_.get(), index, Out(entry), &e) != 1) return std::nullopt;
  size_t size = 0;
  if (libpff_record_entry_get_data_size(entry.get(), &size, &e) != 1) return std::nullopt;
  RawProp p{tags_[index], std::vector<uint8_t>(size)};
  if (size > 0 && libpff_record_entry_get_data(entry.get(), p.bytes.data(), size, &e) != 1) return std::nullopt;
  return p;
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return at + 2 <= b.size() ? static_cast<uint16_t>(b[at] | b[at + 1] << 8) : 0;
}
uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return at + 4 <= b.size() ? uint32_t{Le16(b, at)} | uint32_t{Le16(b, at + 2)} << 16 : 0;
}
uint64_t Le64(const std::vector<uint8_t>& b, size_t at) {
  return at + 8 <= b.size() ? uint64_t{Le32(b, at)} | uint64_t{Le32(b, at + 4)} << 32 : 0;
}

}  // namespace pst
