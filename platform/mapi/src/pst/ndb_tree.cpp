#include "pst/ndb_tree.h"

#include <algorithm>
#include <cstring>

namespace pst::ndb {
namespace {

constexpr uint8_t kXBlock = 0x01, kSubnodeBlock = 0x02;

// The header of an internal block: btype, cLevel, cEnt; and where its
// entries begin.
struct Internal {
  uint8_t type, level;
  size_t count, entriesAt;
};

Internal InternalOf(const Bytes& b, uint64_t bid, size_t entriesAt, size_t entrySize) {
  if (b.size() < entriesAt) throw Damage("block " + Hex(bid) + ": too small for its header");
  Internal h{b[0], b[1], Get16(b.data() + 2), entriesAt};
  if (h.count * entrySize > b.size() - entriesAt) throw Damage("block " + Hex(bid) + ": entry count out of range");
  return h;
}

}  // namespace

// XBLOCK / XXBLOCK: btype 1, cLevel, cEnt, lcbTotal, rgbid.
DataTree::DataTree(NdbFile& file, uint64_t rootBid) : file_(&file) {
  if (rootBid == 0) return;
  if (!(rootBid & kBidInternal)) {
    leaves_.push_back(rootBid);
    starts_.push_back(0);
    auto size = file.BlockSize(rootBid);
    if (!size) throw Damage("block " + Hex(rootBid) + " is missing from the block B-tree");
    size_ = *size;
    return;
  }
  SharedBytes root = file.ReadBlock(rootBid);
  if (root->size() < 8) throw Damage("block " + Hex(rootBid) + ": too small for its header");
  size_ = Get32(root->data() + 4);
  AddLevel(rootBid, (*root)[1]);
}

void DataTree::AddLevel(uint64_t bid, int level) {
  const size_t id = file_->layout().idSize;
  SharedBytes b = file_->ReadBlock(bid);
  Internal h = InternalOf(*b, bid, 8, id);
  if (h.type != kXBlock || h.level != level || level < 1 || level > 2)
    throw Damage("block " + Hex(bid) + ": not a data tree block");
  for (size_t i = 0; i < h.count; ++i) {
    const uint64_t child = GetId(b->data() + h.entriesAt + i * id, file_->form());
    if (level == 2)
      AddLevel(child, 1);
    else
      leaves_.push_back(child);
  }
}

SharedBytes DataTree::Block(size_t index) const {
  if (index >= leaves_.size()) throw Damage("data block index out of range");
  return file_->ReadBlock(leaves_[index]);
}

// Places every data block by its size in the block B-tree, without
// reading it.
void DataTree::PlaceBlocks() {
  uint64_t at = 0;
  for (uint64_t bid : leaves_) {
    starts_.push_back(at);
    auto size = file_->BlockSize(bid);
    if (!size) throw Damage("block " + Hex(bid) + " is missing from the block B-tree");
    at += *size;
  }
  if (at != size_) throw Damage("data tree of " + Hex(leaves_.empty() ? 0 : leaves_[0]) + ": sizes do not add up");
}

size_t DataTree::Read(uint64_t offset, uint8_t* buffer, size_t size) {
  if (starts_.size() != leaves_.size()) PlaceBlocks();
  size_t done = 0;
  while (done < size && offset + done < size_) {
    const uint64_t pos = offset + done;
    const size_t i = static_cast<size_t>(std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin()) - 1;
    SharedBytes b = Block(i);
    const uint64_t within = pos - starts_[i];
    if (within >= b->size()) throw Damage("block " + Hex(leaves_[i]) + ": shorter than its place");
    const size_t n = static_cast<size_t>(std::min<uint64_t>(b->size() - within, size - done));
    std::memcpy(buffer + done, b->data() + within, n);
    done += n;
  }
  return done;
}

Bytes DataTree::ReadAll() {
  Bytes out;
  out.reserve(static_cast<size_t>(size_));
  for (size_t i = 0; i < leaves_.size(); ++i) {
    SharedBytes b = Block(i);
    out.insert(out.end(), b->begin(), b->end());
  }
  if (out.size() != size_) throw Damage("data tree: sizes do not add up");
  return out;
}

// SLBLOCK (cLevel 0): SLENTRY nid, bidData, bidSub. SIBLOCK (cLevel 1):
// SIENTRY nid, bid. Both sorted by nid. A NID field of the Unicode form
// takes 8 bytes of which only the low 4 count (writers leave the rest
// unset).
std::optional<Node> FindSubnode(NdbFile& file, uint64_t subBid, uint32_t nid) {
  const Layout& l = file.layout();
  const size_t id = l.idSize;
  uint64_t bid = subBid;
  for (int depth = 0; bid != 0 && depth < 8; ++depth) {
    SharedBytes b = file.ReadBlock(bid);
    const size_t entry = b->size() >= 2 && (*b)[1] == 0 ? 3 * id : 2 * id;
    Internal h = InternalOf(*b, bid, l.subHeader, entry);
    if (h.type != kSubnodeBlock || h.level > 1) throw Damage("block " + Hex(bid) + ": not a subnode tree block");
    size_t lo = 0, hi = h.count;
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (Get32(b->data() + h.entriesAt + mid * entry) <= nid)
        lo = mid + 1;
      else
        hi = mid;
    }
    if (lo == 0) return std::nullopt;
    const uint8_t* e = b->data() + h.entriesAt + (lo - 1) * entry;
    if (h.level == 1) {
      bid = GetId(e + id, file.form());
      continue;
    }
    if (Get32(e) != nid) return std::nullopt;
    return Node{nid, GetId(e + id, file.form()), GetId(e + 2 * id, file.form()), 0};
  }
  return std::nullopt;
}

}  // namespace pst::ndb
