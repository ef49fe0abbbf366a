#include "pstgen/writer.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "btree_pages.h"
#include "crc.h"
#include "header.h"
#include "ltp.h"
#include "mapi/mapitags.h"
#include "message_node.h"
#include "name_to_id_map.h"
#include "output_file.h"
#include "property_context.h"
#include "table_columns.h"
#include "table_context.h"
#include "property_helpers.h"
#include "pstgen/values.h"

namespace pstgen {
namespace {

// NID types and the fixed nodes of every store.
constexpr std::uint32_t kNidTypeInternal = 0x01;
constexpr std::uint32_t kNidTypeNormalFolder = 0x02;
constexpr std::uint32_t kNidTypeSearchFolder = 0x03;
constexpr std::uint32_t kNidTypeNormalMessage = 0x04;
constexpr std::uint32_t kNidTypeAssocMessage = 0x08;
constexpr std::uint32_t kNidTypeHierarchyTable = 0x0D;
constexpr std::uint32_t kNidTypeContentsTable = 0x0E;
constexpr std::uint32_t kNidTypeAssocContentsTable = 0x0F;
constexpr std::uint64_t kNidMessageStore = 0x21;
constexpr std::uint64_t kNidNameToIdMap = 0x61;
constexpr std::uint32_t kNidRootFolder = 0x122;
constexpr std::uint64_t kNidHierarchyTemplate = 0x60D;
constexpr std::uint64_t kNidContentsTemplate = 0x60E;
constexpr std::uint64_t kNidAssocContentsTemplate = 0x60F;
constexpr std::uint64_t kNidSearchContentsTemplate = 0x610;
constexpr std::uint64_t kNidAttachmentTemplate = 0x671;
constexpr std::uint64_t kNidRecipientTemplate = 0x692;
constexpr std::uint32_t kFirstFolderIndex = 0x401;   // IPM subtree 0x8022, as Outlook numbers them
constexpr std::uint32_t kFirstMessageIndex = 0x10000;
constexpr std::int32_t kValidFolderMask = 0x01 | 0x08 | 0x80;  // IPM subtree, wastebasket, finder

std::uint32_t FolderNid(std::uint32_t index) { return std::uint32_t(MakeNid(index, kNidTypeNormalFolder)); }

std::uint32_t TableNid(std::uint32_t folder, std::uint32_t type) { return (folder & ~0x1Fu) | type; }

// Puts the contact entry IDs in for the "contact:" references of binary
// values, single or multi-valued; `written` holds the entry IDs of the
// messages with an "id" written so far.
void ResolveContactReferences(std::vector<Property>& props, const std::map<std::string, Bytes>& written) {
  auto resolve = [&](Bytes& value) {
    const std::optional<std::string> id = ContactReferenceId(value);
    if (!id) return false;
    const auto it = written.find(*id);
    if (it == written.end()) throw std::invalid_argument("\"contact:" + *id + "\" names no message written before it");
    value = ContactEntryId(it->second);
    return true;
  };
  for (Property& p : props) {
    if (PROP_TYPE(p.tag) == PT_BINARY) {
      resolve(p.value);
    } else if (PROP_TYPE(p.tag) == PT_MV_BINARY) {
      std::vector<Bytes> items = SplitMultiValued(p.value);
      bool changed = false;
      for (Bytes& item : items) changed |= resolve(item);
      if (changed) p.value = JoinMultiValued(PT_BINARY, items);
    }
  }
}

}  // namespace

struct PstWriter::Impl {
  struct FolderState {
    std::uint32_t parent;
    std::u16string name;
    std::u16string containerClass;
    std::vector<Property> props;
    std::vector<std::uint32_t> children;
    std::vector<TableRow> contents;
    std::int32_t unread = 0;
  };

  Impl(const std::filesystem::path& path, FileFormat format) : file(path, format), store(file) {
    root = NewFolder(kNidRootFolder, kNidRootFolder, u"", u"");
    ipm = NewFolder(FolderNid(nextFolderIndex++), root, u"Top of Personal Folders", u"");
    search = NewFolder(FolderNid(nextFolderIndex++), root, u"Search Root", u"");
    deleted = NewFolder(FolderNid(nextFolderIndex++), ipm, u"Deleted Items", u"IPF.Note");
  }

  std::uint32_t NewFolder(std::uint32_t nid, std::uint32_t parent, const std::u16string& name,
                          const std::u16string& cls) {
    folders[nid] = FolderState{parent, name, cls, {}, {}, {}, 0};
    if (nid != parent) folders.at(parent).children.push_back(nid);
    return nid;
  }

  FolderState& Folder(std::uint32_t nid) {
    auto it = folders.find(nid);
    if (it == folders.end()) throw std::invalid_argument("unknown folder");
    return it->second;
  }

  // The store's record key, from which every entry ID is made.
  Bytes StoreUid() const {
    Bytes name = Utf16Value(storeName);
    Bytes uid;
    for (std::uint32_t i = 0; i < 4; ++i) Append<std::uint32_t>(uid, ComputeCrc(name.data(), name.size(), i * 0x9E3779B9u));
    return uid;
  }

  Bytes EntryId(std::uint32_t nid) const {
    Bytes id(4, 0);  // rgbFlags
    AppendBytes(id, StoreUid());
    Append<std::uint32_t>(id, nid);
    return id;
  }

  void AddNode(std::uint64_t nid, NodeData d, std::uint32_t parent) { nbt.push_back({nid, d.bidData, d.bidSub, parent}); }

  void AddPc(std::uint64_t nid, const std::vector<Property>& props, std::uint32_t parent) {
    Subnodes subs;
    std::uint64_t bid = WritePropertyContext(store, props, subs);
    AddNode(nid, {bid, subs.Write(store)}, parent);
  }

  void AddTc(std::uint64_t nid, const std::vector<ULONG>& columns, const std::vector<TableRow>& rows) {
    Subnodes subs;
    std::uint64_t bid = WriteTableContext(store, columns, rows, subs);
    AddNode(nid, {bid, subs.Write(store)}, 0);  // tables have no parent
  }

  std::vector<Property> FolderProps(std::uint32_t nid) {
    FolderState& f = Folder(nid);
    std::vector<Property> props = f.props;
    SetDefault(props, PR_DISPLAY_NAME_W, Utf16Value(f.name));
    SetOrReplace(props, PR_CONTENT_COUNT, LongValue(std::int32_t(f.contents.size())));
    SetOrReplace(props, PR_CONTENT_UNREAD, LongValue(f.unread));
    SetOrReplace(props, PR_SUBFOLDERS, BoolValue(!f.children.empty()));
    if (!f.containerClass.empty()) SetDefault(props, PR_CONTAINER_CLASS_W, Utf16Value(f.containerClass));
    return props;
  }

  void WriteFolders() {
    for (auto& [nid, f] : folders) {
      std::vector<Property> props = FolderProps(nid);
      AddPc(nid, props, f.parent);
      std::vector<TableRow> children;
      for (std::uint32_t c : f.children) children.push_back({c, FolderProps(c)});
      AddTc(TableNid(nid, kNidTypeHierarchyTable), kHierarchyColumns, children);
      AddTc(TableNid(nid, kNidTypeContentsTable), kContentsColumns, f.contents);
      AddTc(TableNid(nid, kNidTypeAssocContentsTable), kContentsColumns, {});
      f.contents.clear();
      f.contents.shrink_to_fit();
    }
  }

  void WriteStoreAndMaps() {
    std::vector<Property> props = storeProps;
    SetDefault(props, PR_DISPLAY_NAME_W, Utf16Value(storeName));
    SetDefault(props, PR_RECORD_KEY, StoreUid());
    SetDefault(props, PR_IPM_SUBTREE_ENTRYID, EntryId(ipm));
    SetDefault(props, PR_IPM_WASTEBASKET_ENTRYID, EntryId(deleted));
    SetDefault(props, PR_FINDER_ENTRYID, EntryId(search));
    SetDefault(props, PR_VALID_FOLDER_MASK, LongValue(kValidFolderMask));
    AddPc(kNidMessageStore, props, 0);
    AddPc(kNidNameToIdMap, names.Properties(), 0);
    // Empty templates from which Outlook copies the tables of new objects.
    AddTc(kNidHierarchyTemplate, kHierarchyColumns, {});
    AddTc(kNidContentsTemplate, kContentsColumns, {});
    AddTc(kNidAssocContentsTemplate, kContentsColumns, {});
    AddTc(kNidSearchContentsTemplate, kContentsColumns, {});
    AddTc(kNidAttachmentTemplate, kAttachmentColumns, {});
    AddTc(kNidRecipientTemplate, kRecipientColumns, {});
  }

  void Finish() {
    WriteFolders();
    WriteStoreAndMaps();
    std::sort(nbt.begin(), nbt.end(), [](auto& a, auto& b) { return a.nid < b.nid; });
    HeaderInfo h;
    h.nbt = WriteNbt(store, nbt);
    std::vector<BbtEntry> bbt = store.entries();  // already in BID order
    h.bbt = WriteBbt(store, bbt);
    OutputFile::MapSummary maps = file.WriteMaps();
    h.bidNextB = h.bidNextP = store.nextBid();
    h.unique = std::uint32_t(nbt.size());
    h.nextNid.fill(0x400);
    h.nextNid[kNidTypeNormalFolder] = h.nextNid[kNidTypeHierarchyTable] = h.nextNid[kNidTypeContentsTable] =
        h.nextNid[kNidTypeAssocContentsTable] = nextFolderIndex;
    h.nextNid[kNidTypeSearchFolder] = 0x4000;
    h.nextNid[kNidTypeNormalMessage] = messageCtx.nextMessageIndex;
    h.nextNid[kNidTypeAssocMessage] = 0x8000;
    h.nextNid[kNidTypeInternal] = 0x400;
    h.fileEof = maps.fileEof;
    h.lastAMap = maps.lastAMap;
    h.amapFree = maps.amapFree;
    std::copy(std::begin(maps.initialFMap), std::end(maps.initialFMap), h.initialFMap.begin());
    file.Write(0, MakeHeader(h, file.layout()));
  }

  OutputFile file;
  BlockStore store;
  NameToIdMap names;
  MessageContext messageCtx{store, names, kFirstMessageIndex};
  std::vector<NbtEntry> nbt;
  std::map<std::uint32_t, FolderState> folders;
  std::uint32_t nextFolderIndex = kFirstFolderIndex;
  std::uint32_t root = 0, ipm = 0, search = 0, deleted = 0;
  std::u16string storeName = u"Personal Folders";
  std::vector<Property> storeProps;
  std::map<std::string, Bytes> messageIds;  // entry IDs of the messages with an "id"
  bool finished = false;
};

PstWriter::PstWriter(const std::filesystem::path& path, FileFormat format)
    : impl_(std::make_unique<Impl>(path, format)) {}
PstWriter::~PstWriter() = default;

void PstWriter::SetStore(const std::u16string& displayName, const std::vector<Property>& props) {
  impl_->storeName = displayName;
  impl_->storeProps = props;
}

PstWriter::FolderId PstWriter::IpmSubtree() const { return impl_->ipm; }
PstWriter::FolderId PstWriter::DeletedItems() const { return impl_->deleted; }
PstWriter::FolderId PstWriter::SearchRoot() const { return impl_->search; }

PstWriter::FolderId PstWriter::AddFolder(FolderId parent, const std::u16string& name, const std::u16string& cls,
                                         const std::vector<Property>& props) {
  impl_->Folder(parent);
  if (impl_->nextFolderIndex >= (1u << 26)) throw std::runtime_error("too many folders");
  std::uint32_t nid = impl_->NewFolder(FolderNid(impl_->nextFolderIndex++), parent, name, cls);
  impl_->Folder(nid).props = props;
  return nid;
}

void PstWriter::AddFolderProps(FolderId folder, const std::vector<Property>& props) {
  auto& f = impl_->Folder(folder).props;
  f.insert(f.end(), props.begin(), props.end());
}

void PstWriter::AddMessage(FolderId folder, const Message& m) {
  if (impl_->finished) throw std::logic_error("writer already finished");
  Impl::FolderState& f = impl_->Folder(folder);
  std::uint32_t nid = impl_->messageCtx.NewMessageNid(kNidTypeNormalMessage);
  std::vector<Property> props = MessageProps(m, impl_->names);
  ResolveContactReferences(props, impl_->messageIds);
  impl_->AddNode(nid, WriteMessageNode(impl_->messageCtx, m, props), folder);
  if (!m.id.empty()) impl_->messageIds[m.id] = impl_->EntryId(nid);
  // The contents table keeps only its columns of the message.
  TableRow row{nid, {}};
  for (const Property& p : props)
    if (std::find(kContentsColumns.begin(), kContentsColumns.end(), p.tag) != kContentsColumns.end())
      row.cells.push_back(p);
  if (!(FindLong(props, PR_MESSAGE_FLAGS).value_or(0) & 0x01)) ++f.unread;
  f.contents.push_back(std::move(row));
}

void PstWriter::Finish() {
  if (impl_->finished) throw std::logic_error("writer already finished");
  impl_->finished = true;
  impl_->Finish();
}

namespace {

void AddFolderTree(PstWriter& w, PstWriter::FolderId parent, const Folder& f, bool topLevel) {
  PstWriter::FolderId id;
  if (topLevel && f.name == u"Deleted Items") {
    id = w.DeletedItems();
    w.AddFolderProps(id, f.props);
  } else {
    id = w.AddFolder(parent, f.name, f.containerClass, f.props);
  }
  for (const Message& m : f.messages) w.AddMessage(id, m);
  for (const Folder& sub : f.folders) AddFolderTree(w, id, sub, false);
}

}  // namespace

void WritePst(const Store& store, const std::filesystem::path& path) {
  PstWriter w(path, store.format);
  w.SetStore(store.displayName, store.props);
  for (const Message& m : store.messages) w.AddMessage(w.IpmSubtree(), m);
  for (const Folder& f : store.folders) AddFolderTree(w, w.IpmSubtree(), f, true);
  w.Finish();
}

}  // namespace pstgen
