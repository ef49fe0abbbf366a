#include "pst/ndb_cache.h"

namespace pst::ndb {

SharedBytes BlockCache::Find(uint64_t key) {
  auto it = index_.find(key);
  if (it == index_.end()) return nullptr;
  order_.splice(order_.begin(), order_, it->second);
  return it->second->second;
}

void BlockCache::Put(uint64_t key, SharedBytes bytes) {
  if (!bytes || index_.count(key)) return;
  held_ += bytes->size();
  order_.emplace_front(key, std::move(bytes));
  index_[key] = order_.begin();
  while (held_ > budget_ && order_.size() > 1) {
    held_ -= order_.back().second->size();
    index_.erase(order_.back().first);
    order_.pop_back();
  }
}

}  // namespace pst::ndb
