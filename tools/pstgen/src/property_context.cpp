#include "property_context.h"

#include <map>

#include "bth.h"
#include "file_strings.h"
#include "mapi/mapitags.h"

namespace pstgen {

std::uint64_t WritePropertyContext(BlockStore& store, const std::vector<Property>& props, Subnodes& subs) {
  std::vector<Property> narrowed;
  const std::vector<Property>& stored = store.layout().ansi() ? (narrowed = NarrowStrings(props)) : props;
  std::map<std::uint16_t, const Property*> byId;
  for (const Property& p : stored) byId[std::uint16_t(PROP_ID(p.tag))] = &p;

  Heap heap(kClientPc);
  std::vector<Bytes> records;
  for (const auto& [id, p] : byId) {
    std::uint32_t type = PROP_TYPE(p->tag);
    std::uint32_t valueOrHnid = 0;
    if (FixedSize(type) != 0 && FixedSize(type) <= 4) {
      for (std::size_t i = 0; i < p->value.size() && i < 4; ++i) valueOrHnid |= std::uint32_t(p->value[i]) << (8 * i);
    } else {
      valueOrHnid = StoreValue(heap, store, subs, p->value);
    }
    // PC record: wPropId (key), wPropType, dwValueHnid.
    Bytes r;
    Append<std::uint16_t>(r, id);
    Append<std::uint16_t>(r, std::uint16_t(type));
    Append<std::uint32_t>(r, valueOrHnid);
    records.push_back(std::move(r));
  }
  heap.SetUserRoot(WriteBth(heap, 2, 6, records));
  return heap.Write(store);
}

}  // namespace pstgen
