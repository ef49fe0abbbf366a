// A bounded cache of checked pages and decoded blocks: the least recently
// used go first once the bytes held pass the budget, so memory does not
// grow with the file.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <utility>

#include "pst/ndb_types.h"

namespace pst::ndb {

using SharedBytes = std::shared_ptr<const Bytes>;

class BlockCache {
 public:
  explicit BlockCache(size_t budget) : budget_(budget) {}
  SharedBytes Find(uint64_t key);
  void Put(uint64_t key, SharedBytes bytes);
  size_t HeldBytes() const { return held_; }

 private:
  using Entry = std::pair<uint64_t, SharedBytes>;
  size_t budget_;
  size_t held_ = 0;
  std::list<Entry> order_;  // most recent first
  std::unordered_map<uint64_t, std::list<Entry>::iterator> index_;
};

}  // namespace pst::ndb
