#include "pst/ltp_pc.h"

#include <algorithm>
#include <cstring>

namespace pst::ltp {
namespace {

constexpr uint8_t kPcSig = 0xBC;

}  // namespace

bool HeldInPlace(uint16_t type) { return InPlaceSize(type) != 0; }

size_t InPlaceSize(uint16_t type) {
  switch (type) {
    case 0x0002: return 2;                              // PT_I2
    case 0x0003: case 0x0004: case 0x000A: return 4;    // PT_LONG, PT_R4, PT_ERROR
    case 0x000B: return 1;                              // PT_BOOLEAN
    default: return 0;
  }
}

size_t ValueStream::Read(uint64_t offset, uint8_t* buffer, size_t size) {
  if (tree_) return tree_->Read(offset, buffer, size);
  if (offset >= item_.size) return 0;
  const size_t n = std::min<size_t>(size, item_.size - static_cast<size_t>(offset));
  std::memcpy(buffer, item_.data + offset, n);
  return n;
}

ValueStream OpenHnid(const Heap& heap, uint32_t hnid) {
  if (Heap::IsHid(hnid)) return ValueStream(heap.Get(hnid));
  return ValueStream(heap.Subnode(hnid));
}

// PC records: wPropId, then wPropType and dwValueHnid.
PropertyContext::PropertyContext(ndb::NdbFile& file, const ndb::Node& node) : heap_(file, node) {
  if (heap_.ClientSig() != kPcSig) throw ndb::Damage("node " + ndb::Hex(node.nid) + ": not a property context");
  Bth bth(heap_, heap_.UserRoot());
  if (bth.KeySize() != 2 || bth.DataSize() != 6)
    throw ndb::Damage("node " + ndb::Hex(node.nid) + ": property records of the wrong size");
  bth.ForEach([&](const uint8_t* key, const uint8_t* data) {
    props_.push_back({uint32_t{ndb::Get16(key)} << 16 | ndb::Get16(data), ndb::Get32(data + 2)});
  });
}

const PcProp* PropertyContext::Find(uint16_t id) const {
  for (const PcProp& p : props_)
    if (p.tag >> 16 == id) return &p;
  return nullptr;
}

Bytes PropertyContext::Value(const PcProp& p) const {
  const auto type = static_cast<uint16_t>(p.tag);
  if (const size_t n = InPlaceSize(type)) {
    Bytes b(4);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(p.value >> (8 * i));
    b.resize(n);
    return b;
  }
  return heap_.Read(p.value);
}

uint64_t PropertyContext::SizeOf(const PcProp& p) const {
  const auto type = static_cast<uint16_t>(p.tag);
  if (const size_t n = InPlaceSize(type)) return n;
  return heap_.SizeOf(p.value);
}

ValueStream PropertyContext::Open(const PcProp& p) const {
  if (HeldInPlace(static_cast<uint16_t>(p.tag))) {
    // Small enough to copy; the stream holds its own bytes.
    auto held = std::make_shared<Bytes>(Value(p));
    HeapItem item{held, held->data(), held->size()};
    return ValueStream(std::move(item));
  }
  return OpenHnid(heap_, p.value);
}

}  // namespace pst::ltp
