#include "pst/pst_record.h"

namespace pst {

RecordSet RecordSet::Of(std::shared_ptr<const ltp::PropertyContext> pc) {
  RecordSet rs;
  if (!pc) return rs;
  for (const ltp::PcProp& p : pc->Props()) rs.tags_.push_back(p.tag);
  rs.pc_ = std::move(pc);
  return rs;
}

RecordSet RecordSet::OfCells(std::vector<RawProp> cells) {
  RecordSet rs;
  for (const RawProp& c : cells) rs.tags_.push_back(c.tag);
  rs.cells_ = std::move(cells);
  return rs;
}

std::optional<size_t> RecordSet::IndexOf(uint16_t id) const {
  for (size_t i = 0; i < tags_.size(); ++i)
    if (TagId(tags_[i]) == id) return i;
  return std::nullopt;
}

std::optional<uint32_t> RecordSet::TagOf(uint16_t id) const {
  auto i = IndexOf(id);
  if (!i) return std::nullopt;
  return tags_[*i];
}

std::optional<RawProp> RecordSet::Find(uint16_t id) const {
  auto i = IndexOf(id);
  if (!i) return std::nullopt;
  if (!pc_) return cells_[*i];
  return RawProp{tags_[*i], pc_->Value(pc_->Props()[*i])};
}

std::optional<uint64_t> RecordSet::SizeOf(uint16_t id) const {
  auto i = IndexOf(id);
  if (!i) return std::nullopt;
  if (!pc_) return cells_[*i].bytes.size();
  return pc_->SizeOf(pc_->Props()[*i]);
}

std::optional<ltp::ValueStream> RecordSet::Open(uint16_t id) const {
  auto i = IndexOf(id);
  if (!i) return std::nullopt;
  if (!pc_) {
    auto held = std::make_shared<ndb::Bytes>(cells_[*i].bytes);
    return ltp::ValueStream(ltp::HeapItem{held, held->data(), held->size()});
  }
  return pc_->Open(pc_->Props()[*i]);
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
