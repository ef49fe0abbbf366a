#include "pst/pst_file.h"

#include <algorithm>

#include "pst/ndb_file.h"

namespace pst {
namespace {

constexpr uint32_t kStoreNid = 0x21, kNameMapNid = 0x61;
constexpr uint16_t kPrRecordKey = 0x0FF9;
constexpr uint16_t kNameMapGuids = 0x0002, kNameMapEntries = 0x0003, kNameMapStrings = 0x0004;
constexpr uint32_t kHierarchyTable = 0x0D, kContentsTable = 0x0E;
constexpr size_t kListedTables = 4;

std::vector<uint8_t> BytesOf(const RecordSet& rs, uint16_t id) {
  auto p = rs.Find(id);
  return p ? std::move(p->bytes) : std::vector<uint8_t>();
}

}  // namespace

RecordSet Item::Props() {
  if (!pc_) pc_ = std::make_shared<const ltp::PropertyContext>(*file_, node_);
  return RecordSet::Of(pc_);
}

const ltp::TableContext* Item::SubTable(uint32_t nid) {
  auto it = tables_.find(nid);
  if (it == tables_.end()) {
    std::optional<ltp::TableContext> table;
    if (auto sub = ndb::FindSubnode(*file_, node_.subBid, nid)) table.emplace(*file_, *sub);
    it = tables_.emplace(nid, std::move(table)).first;
  }
  return it->second ? &*it->second : nullptr;
}

std::shared_ptr<PstFile> PstFile::Open(const std::string& path, std::string* error) {
  std::shared_ptr<PstFile> f(new PstFile());
  f->path_ = path;
  try {
    f->ndb_ = ndb::NdbFile::Open(path);
    f->ndb_->CheckRoots();
    auto store = f->ndb_->FindNode(kStoreNid);
    if (!store) throw ndb::Damage("the file has no message store");
    if (!f->ndb_->FindNode(kRootFolder)) throw ndb::Damage("the file has no root folder");
    f->store_ = std::make_unique<Item>(*f->ndb_, *store);
    f->recordKey_ = BytesOf(f->store_->Props(), kPrRecordKey);
  } catch (const ndb::Damage& d) {
    if (error) *error = d.what();
    return nullptr;
  }
  f->recordKey_.resize(16);
  return f;
}

bool PstFile::IsFolderId(uint32_t nid) {
  uint32_t type = nid & kNidTypeMask;
  return type == kNidTypeFolder || type == kNidTypeSearchFolder;
}

Item* PstFile::Folder(uint32_t nid) {
  if (!IsFolderId(nid)) return nullptr;
  if (auto it = folders_.find(nid); it != folders_.end()) return it->second.get();
  auto node = ndb_->FindNode(nid);
  if (!node) return nullptr;
  return folders_.emplace(nid, std::make_unique<Item>(*ndb_, *node)).first->second.get();
}

const std::vector<uint32_t>& PstFile::TableIds(uint32_t folderNid, uint32_t tableType) {
  const uint32_t table = (folderNid & ~kNidTypeMask) | tableType;
  auto it = std::find_if(listed_.begin(), listed_.end(), [&](const Listed& l) { return l.table == table; });
  if (it != listed_.end()) return it->ids;
  Listed l{table, {}};
  if (auto node = ndb_->FindNode(table)) {
    ltp::TableContext tc(*ndb_, *node);
    l.ids.reserve(tc.RowCount());
    for (size_t i = 0; i < tc.RowCount(); ++i) l.ids.push_back(tc.RowId(i));
  }
  if (listed_.size() >= kListedTables) listed_.erase(listed_.begin());
  listed_.push_back(std::move(l));
  return listed_.back().ids;
}

// Only folders whose node names this folder as their parent: a table that
// lists an ancestor cannot make the folder tree a loop.
std::vector<uint32_t> PstFile::SubFolders(uint32_t folderNid) {
  if (!Folder(folderNid)) return {};
  std::vector<uint32_t> ids = TableIds(folderNid, kHierarchyTable), out;
  for (uint32_t id : ids) {
    if (!IsFolderId(id) || id == folderNid) continue;
    auto node = ndb_->FindNode(id);
    if (node && node->parent == folderNid) out.push_back(id);
  }
  return out;
}

int PstFile::MessageCount(uint32_t folderNid) {
  if (!Folder(folderNid)) return 0;
  return static_cast<int>(TableIds(folderNid, kContentsTable).size());
}

std::optional<uint32_t> PstFile::MessageIdAt(uint32_t folderNid, int index) {
  if (!Folder(folderNid)) return std::nullopt;
  const auto& ids = TableIds(folderNid, kContentsTable);
  if (index < 0 || static_cast<size_t>(index) >= ids.size()) return std::nullopt;
  return ids[index];
}

ItemHandle PstFile::MessageAt(uint32_t folderNid, int index) {
  auto nid = MessageIdAt(folderNid, index);
  return nid ? Message(*nid) : nullptr;
}

void PstFile::KeepRecent(uint32_t nid, ItemHandle item) {
  recent_ = std::move(item);
  recentId_ = nid;
}

ItemHandle PstFile::Message(uint32_t nid) {
  if ((nid & kNidTypeMask) != kNidTypeMessage) return nullptr;
  if (recent_ && recentId_ == nid) return std::move(recent_);
  auto node = ndb_->FindNode(nid);
  if (!node) return nullptr;
  return std::make_unique<Item>(*ndb_, *node);
}

// A damaged map reads as an empty one: named properties then go unnamed,
// the rest of the store still reads.
const NameMap& PstFile::Names() {
  if (!names_) {
    names_.emplace();
    try {
      if (auto node = ndb_->FindNode(kNameMapNid)) {
        Item map(*ndb_, *node);
        RecordSet rs = map.Props();
        *names_ = NameMap::Decode(BytesOf(rs, kNameMapGuids), BytesOf(rs, kNameMapEntries),
                                  BytesOf(rs, kNameMapStrings));
      }
    } catch (const ndb::Damage&) {
    }
  }
  return *names_;
}

std::vector<uint8_t> PstFile::EntryId(uint32_t nid) const {
  std::vector<uint8_t> id(24, 0);
  std::copy_n(recordKey_.begin(), 16, id.begin() + 4);
  for (int i = 0; i < 4; ++i) id[20 + i] = static_cast<uint8_t>(nid >> (8 * i));
  return id;
}

std::optional<uint32_t> PstFile::NidOf(const uint8_t* entryId, size_t size) const {
  if (!entryId || size != 24 || !std::equal(recordKey_.begin(), recordKey_.end(), entryId + 4)) return std::nullopt;
  return uint32_t{entryId[20]} | uint32_t{entryId[21]} << 8 | uint32_t{entryId[22]} << 16 |
         uint32_t{entryId[23]} << 24;
}

// Every PT_STRING8 value of an item converts in the code page this gives:
// the file's (the machine's ANSI code page) for now.
UINT CodePageOf(const PstFile& file, const mapi::PropMap&) { return file.CodePage(); }

}  // namespace pst
