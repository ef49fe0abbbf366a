// The heap on a node (HN): items named by HIDs in the pages of the node's
// data tree, and HNIDs that name a heap item or a subnode of the node.
#pragma once

#include <cstdint>

#include "pst/ndb_tree.h"

namespace pst::ltp {

using ndb::Bytes;

// A heap item, with the block that holds it.
struct HeapItem {
  ndb::SharedBytes block;
  const uint8_t* data = nullptr;
  size_t size = 0;
  Bytes Copy() const { return Bytes(data, data + size); }
};

class Heap {
 public:
  // Reads and checks the heap's first page (HNHDR).
  Heap(ndb::NdbFile& file, const ndb::Node& node);

  uint8_t ClientSig() const { return clientSig_; }
  uint32_t UserRoot() const { return userRoot_; }
  ndb::NdbFile& File() const { return *file_; }
  const ndb::Node& NodeOf() const { return node_; }

  // The item `hid`; an empty one for hid 0.
  HeapItem Get(uint32_t hid) const;

  static bool IsHid(uint32_t hnid) { return (hnid & 0x1F) == 0; }
  // The bytes an HNID names: a heap item's, or the whole data of a subnode.
  Bytes Read(uint32_t hnid) const;
  // Their size, without reading a subnode's data.
  uint64_t SizeOf(uint32_t hnid) const;
  // The data tree of subnode `nid` of this node; Damage when it lacks one.
  ndb::DataTree Subnode(uint32_t nid) const;

 private:
  ndb::NdbFile* file_;
  ndb::Node node_;
  ndb::DataTree tree_;
  uint8_t clientSig_ = 0;
  uint32_t userRoot_ = 0;
};

}  // namespace pst::ltp
