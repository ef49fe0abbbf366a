#include "pst/pst_items.h"

namespace pst {
namespace {

constexpr uint32_t kRecipientTable = 0x692, kAttachmentTable = 0x671;
constexpr uint16_t kTypeObject = 0x000D;
// Deeper nesting of messages in attachments is taken for a loop in the file.
constexpr int kMaxDepth = 2 * 256;

// PT_OBJECT values: the subnode that holds the object, and its size.
std::optional<ndb::Node> ObjectNode(Item* attachment, const RecordSet& props) {
  auto tag = props.TagOf(kPidAttachDataBin);
  if (!tag || TagType(*tag) != kTypeObject) return std::nullopt;
  auto ref = props.Find(kPidAttachDataBin);
  if (!ref || ref->bytes.size() < 4) throw ndb::Damage("attachment object reference out of range");
  auto node = ndb::FindSubnode(attachment->File(), attachment->NodeOf().subBid, Le32(ref->bytes));
  if (!node) throw ndb::Damage("attachment " + ndb::Hex(attachment->NodeOf().nid) + " lacks its object");
  return node;
}

std::vector<RawProp> CellsOf(const ltp::TableContext& tc, size_t row) {
  std::vector<RawProp> out;
  for (ltp::Cell& c : tc.Row(row)) out.push_back({c.tag, std::move(c.bytes)});
  return out;
}

}  // namespace

Recipients RecipientRows(Item* message) {
  Recipients out;
  const ltp::TableContext* tc = message->SubTable(kRecipientTable);
  if (!tc) return out;
  for (size_t i = 0; i < tc->RowCount(); ++i) out.rows.push_back(RecordSet::OfCells(CellsOf(*tc, i)));
  return out;
}

int AttachmentCount(Item* message) {
  const ltp::TableContext* tc = message->SubTable(kAttachmentTable);
  return tc ? static_cast<int>(tc->RowCount()) : 0;
}

ItemHandle AttachmentAt(Item* message, int index) {
  const ltp::TableContext* tc = message->SubTable(kAttachmentTable);
  if (!tc || index < 0 || static_cast<size_t>(index) >= tc->RowCount()) return nullptr;
  const uint32_t nid = tc->RowId(static_cast<size_t>(index));
  auto node = ndb::FindSubnode(message->File(), message->NodeOf().subBid, nid);
  if (!node) throw ndb::Damage("message " + ndb::Hex(message->NodeOf().nid) + " lacks attachment " + ndb::Hex(nid));
  if (message->Depth() + 1 > kMaxDepth) throw ndb::Damage("attachments nested too deep");
  return std::make_unique<Item>(message->File(), *node, message->Depth() + 1);
}

std::optional<uint32_t> AttachMethod(const RecordSet& attachment) {
  auto p = attachment.Find(kPidAttachMethod);
  if (!p || p->bytes.size() < 4) return std::nullopt;
  return Le32(p->bytes);
}

ItemHandle EmbeddedMessage(Item* attachment) {
  RecordSet props = attachment->Props();
  if (AttachMethod(props) != kAttachEmbeddedMsg) return nullptr;
  auto node = ObjectNode(attachment, props);
  if (!node) return nullptr;
  if (attachment->Depth() + 1 > kMaxDepth) throw ndb::Damage("embedded messages nested too deep");
  return std::make_unique<Item>(attachment->File(), *node, attachment->Depth() + 1);
}

DataReader DataReader::Of(Item* attachment) {
  DataReader r;
  RecordSet props = attachment->Props();
  auto tag = props.TagOf(kPidAttachDataBin);
  if (!tag) return r;
  if (TagType(*tag) == kTypeBinary) {
    r.stream_ = props.Open(kPidAttachDataBin);
  } else if (AttachMethod(props) != kAttachEmbeddedMsg) {
    if (auto node = ObjectNode(attachment, props)) r.stream_.emplace(ndb::DataTree(attachment->File(), node->dataBid));
  }
  return r;
}

long long DataReader::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) {
  if (!stream_) return -1;
  try {
    return static_cast<long long>(stream_->Read(offset, buffer, size));
  } catch (const ndb::Damage&) {
    return -1;
  }
}

}  // namespace pst
