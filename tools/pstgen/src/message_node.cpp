#include "message_node.h"

#include <cctype>
#include <stdexcept>

#include "ltp.h"
#include "mapi/mapitags.h"
#include "property_context.h"
#include "property_helpers.h"
#include "pstgen/values.h"
#include "pstgen/writer.h"
#include "table_columns.h"
#include "table_context.h"
#include "win32/text.h"

namespace pstgen {

std::uint32_t MessageContext::NewMessageNid(std::uint32_t type) {
  if (nextMessageIndex >= kMaxMessages) throw std::runtime_error("too many messages");
  return std::uint32_t(MakeNid(nextMessageIndex++, type));
}

namespace {

constexpr std::uint64_t kNidRecipientTable = 0x692;
constexpr std::uint64_t kNidAttachmentTable = 0x671;
constexpr std::uint32_t kNidTypeAttachment = 0x05;
constexpr std::uint32_t kNidTypeMessage = 0x04;
constexpr std::uint32_t kFirstAttachmentIndex = 0x400;
constexpr std::int32_t kMsgFlagRead = 0x01;
constexpr std::int32_t kMsgFlagHasAttach = 0x10;
constexpr std::int32_t kMapiMailUser = 6;
constexpr std::int32_t kMapiAttach = 7;
constexpr std::int32_t kAttachEmbeddedMsg = 5;

std::uint64_t PropsSize(const std::vector<Property>& props) {
  std::uint64_t n = 0;
  for (const Property& p : props) n += p.value.size() + 8;
  return n;
}

std::uint64_t MessageSize(const Message& m) {
  std::uint64_t n = PropsSize(m.props);
  for (const NamedProperty& p : m.named) n += p.value.size() + 8;
  for (const Recipient& r : m.recipients) n += PropsSize(r.props);
  for (const Attachment& a : m.attachments) n += PropsSize(a.props) + (a.message ? MessageSize(*a.message) : 0);
  return n;
}

std::u16string DisplayList(const Message& m, std::int32_t type) {
  std::u16string out;
  for (const Recipient& r : m.recipients) {
    if (FindLong(r.props, PR_RECIPIENT_TYPE).value_or(1) != type) continue;
    const Property* name = FindProp(r.props, PR_DISPLAY_NAME_W);
    if (!name) continue;
    if (!out.empty()) out += u"; ";
    out += Utf16FromValue(name->value);
  }
  return out;
}

std::vector<Property> AttachmentProps(const Attachment& a, std::size_t index) {
  std::vector<Property> props = a.props;
  SetDefault(props, PR_ATTACH_NUM, LongValue(std::int32_t(index)));
  SetDefault(props, PR_OBJECT_TYPE, LongValue(kMapiAttach));
  SetDefault(props, PR_RENDERING_POSITION, LongValue(-1));
  std::uint64_t size = PropsSize(props) + (a.message ? MessageSize(*a.message) : 0);
  SetDefault(props, PR_ATTACH_SIZE, LongValue(std::int32_t(std::min<std::uint64_t>(size, 0x7FFFFFFF))));
  return props;
}

// As Outlook keeps them for an address typed in: a one-off entry ID (also
// the record key) and the search key "TYPE:ADDRESS" in capitals with a NUL.
void AddressKeys(std::vector<Property>& props) {
  const Property* type = FindProp(props, PR_ADDRTYPE_W);
  const Property* address = FindProp(props, PR_EMAIL_ADDRESS_W);
  if (!type || !address) return;
  const Property* name = FindProp(props, PR_DISPLAY_NAME_W);
  std::u16string t = Utf16FromValue(type->value), a = Utf16FromValue(address->value);
  Bytes entryId = OneOffEntryId(name ? Utf16FromValue(name->value) : a, t, a);
  SetDefault(props, PR_ENTRYID, entryId);
  SetDefault(props, PR_RECORD_KEY, entryId);
  std::string key = win32::Utf16ToUtf8(t + u":" + a);
  for (char& c : key) c = char(std::toupper(static_cast<unsigned char>(c)));
  Bytes searchKey(key.begin(), key.end());
  searchKey.push_back(0);
  SetDefault(props, PR_SEARCH_KEY, searchKey);
}

void WriteRecipients(MessageContext& ctx, const Message& m, Subnodes& subs) {
  std::vector<ULONG> columns = kRecipientColumns;
  std::vector<TableRow> rows;
  for (std::size_t i = 0; i < m.recipients.size(); ++i) {
    TableRow row{std::uint32_t(i), m.recipients[i].props};
    SetDefault(row.cells, PR_ROWID, LongValue(std::int32_t(i)));
    SetDefault(row.cells, PR_OBJECT_TYPE, LongValue(kMapiMailUser));
    SetDefault(row.cells, PR_DISPLAY_TYPE, LongValue(0));
    AddressKeys(row.cells);
    // A recipient lives only in its row: every property it has is a column.
    for (const Property& p : row.cells) columns.push_back(p.tag);
    rows.push_back(std::move(row));
  }
  Subnodes tableSubs;
  std::uint64_t bid = WriteTableContext(ctx.store, columns, rows, tableSubs);
  subs.Add({kNidRecipientTable, bid, tableSubs.Write(ctx.store)});
}

void WriteAttachments(MessageContext& ctx, const Message& m, Subnodes& subs) {
  if (m.attachments.empty()) return;
  std::vector<TableRow> rows;
  for (std::size_t i = 0; i < m.attachments.size(); ++i) {
    const Attachment& a = m.attachments[i];
    std::uint32_t nid = std::uint32_t(MakeNid(kFirstAttachmentIndex + std::uint32_t(i), kNidTypeAttachment));
    std::vector<Property> props = AttachmentProps(a, i);
    Subnodes attachSubs;
    if (a.message) {
      // The embedded message is a subnode of the attachment; the attachment
      // names it by PR_ATTACH_DATA_OBJ (subnode NID, size).
      std::uint32_t embedded = ctx.NewMessageNid(kNidTypeMessage);
      std::vector<Property> embeddedProps = MessageProps(*a.message, ctx.names);
      NodeData d = WriteMessageNode(ctx, *a.message, embeddedProps);
      attachSubs.Add({embedded, d.bidData, d.bidSub});
      Bytes ref;
      Append<std::uint32_t>(ref, embedded);
      Append<std::uint32_t>(ref, std::uint32_t(std::min<std::uint64_t>(MessageSize(*a.message), 0xFFFFFFFF)));
      SetOrReplace(props, PR_ATTACH_DATA_OBJ, ref);
      SetDefault(props, PR_ATTACH_METHOD, LongValue(kAttachEmbeddedMsg));
    } else if (const Property* object = FindProp(props, PR_ATTACH_DATA_OBJ)) {
      // An OLE object's storage is a subnode too, named the same way.
      Bytes ref;
      Append<std::uint32_t>(ref, attachSubs.AddValue(ctx.store, object->value));
      Append<std::uint32_t>(ref, std::uint32_t(object->value.size()));
      SetOrReplace(props, PR_ATTACH_DATA_OBJ, ref);
    }
    std::uint64_t bid = WritePropertyContext(ctx.store, props, attachSubs);
    subs.Add({nid, bid, attachSubs.Write(ctx.store)});
    rows.push_back({nid, props});
  }
  Subnodes tableSubs;
  std::uint64_t bid = WriteTableContext(ctx.store, kAttachmentColumns, rows, tableSubs);
  subs.Add({kNidAttachmentTable, bid, tableSubs.Write(ctx.store)});
}

}  // namespace

std::vector<Property> MessageProps(const Message& m, NameToIdMap& names) {
  std::vector<Property> props = m.props;
  for (const NamedProperty& n : m.named) props.push_back({PROP_TAG(n.type, names.PropId(n)), n.value});
  if (!m.withoutClass) SetDefault(props, PR_MESSAGE_CLASS_W, Utf16Value(u"IPM.Note"));
  // Flags given by the description are kept as they are.
  SetDefault(props, PR_MESSAGE_FLAGS, LongValue(kMsgFlagRead | (m.attachments.empty() ? 0 : kMsgFlagHasAttach)));
  SetDefault(props, PR_HASATTACH, BoolValue(!m.attachments.empty()));
  SetDefault(props, PR_MESSAGE_SIZE, LongValue(std::int32_t(std::min<std::uint64_t>(MessageSize(m), 0x7FFFFFFF))));
  const std::pair<ULONG, std::int32_t> lists[] = {{PR_DISPLAY_TO_W, 1}, {PR_DISPLAY_CC_W, 2}, {PR_DISPLAY_BCC_W, 3}};
  for (auto [tag, type] : lists) {
    std::u16string list = DisplayList(m, type);
    if (!list.empty()) SetDefault(props, tag, Utf16Value(list));
  }
  return props;
}

NodeData WriteMessageNode(MessageContext& ctx, const Message& m, const std::vector<Property>& props) {
  Subnodes subs;
  WriteRecipients(ctx, m, subs);
  WriteAttachments(ctx, m, subs);
  std::uint64_t bidData = WritePropertyContext(ctx.store, props, subs);
  return {bidData, subs.Write(ctx.store)};
}

}  // namespace pstgen
