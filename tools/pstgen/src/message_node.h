// A message as nodes: its property context, and in its subnode tree the
// recipient table, the attachment table, the attachments (each a property
// context whose own subnodes hold an embedded message) and large values.
#pragma once

#include <cstdint>
#include <vector>

#include "block_store.h"
#include "name_to_id_map.h"
#include "pstgen/description.h"

namespace pstgen {

struct NodeData {
  std::uint64_t bidData;
  std::uint64_t bidSub;
};

struct MessageContext {
  BlockStore& store;
  NameToIdMap& names;
  std::uint32_t nextMessageIndex;  // NID index for embedded messages

  // The next message NID of that type; a NID keeps 27 bits for the index,
  // so a file holds at most kMaxMessages messages, embedded ones included.
  std::uint32_t NewMessageNid(std::uint32_t type);
};

// The properties the message's context holds: its own, its named ones
// resolved through the map, and what Outlook derives (sizes, flags,
// display lists of recipients).
std::vector<Property> MessageProps(const Message& m, NameToIdMap& names);

NodeData WriteMessageNode(MessageContext& ctx, const Message& m, const std::vector<Property>& props);

}  // namespace pstgen
