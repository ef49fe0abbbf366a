#include "pst/pst_file.h"

#include <algorithm>
#include <deque>

#include "pst/pst_record.h"
#include "win32/codepage.h"

namespace pst {
namespace {

constexpr uint16_t kPrRecordKey = 0x0FF9;
constexpr uint16_t kNameMapGuids = 0x0002, kNameMapEntries = 0x0003, kNameMapStrings = 0x0004;

uint32_t IdOf(libpff_item_t* item) {
  PffError e;
  uint32_t id = 0;
  libpff_item_get_identifier(item, &id, &e);
  return id;
}

std::vector<uint8_t> BytesOf(const RecordSet& rs, uint16_t id) {
  auto p = rs.Find(id);
  return p ? std::move(p->bytes) : std::vector<uint8_t>();
}

}  // namespace

std::shared_ptr<PstFile> PstFile::Open(const std::string& path, std::string* error) {
  std::shared_ptr<PstFile> f(new PstFile());
  f->path_ = path;
  PffError e;
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + e.Text();
    return nullptr;
  };
  libpff_file_t* raw = nullptr;
  if (libpff_file_initialize(&raw, &e) != 1) return fail("libpff_file_initialize");
  if (libpff_file_open(raw, path.c_str(), LIBPFF_OPEN_READ, &e) != 1) {
    // Freeing takes the error out parameter too: keep the open's reason.
    auto failed = fail("libpff_file_open");
    PffError ignored;
    libpff_file_free(&raw, &ignored);
    return failed;
  }
  f->file_.reset(raw);
  uint8_t type = 0;
  if (libpff_file_get_type(raw, &type, &e) == 1) f->unicode_ = type != LIBPFF_FILE_TYPE_32BIT;
  f->codePage_ = GetACP();
  if (libpff_file_get_message_store(raw, Out(f->store_), &e) != 1) return fail("libpff_file_get_message_store");
  f->recordKey_ = BytesOf(RecordSet::Of(f->store_.get()), kPrRecordKey);
  f->recordKey_.resize(16);
  ItemHandle root;
  if (libpff_file_get_root_folder(raw, Out(root), &e) != 1) return fail("libpff_file_get_root_folder");
  f->rootId_ = IdOf(root.get());
  f->folders_.emplace(f->rootId_, std::move(root));
  return f;
}

bool PstFile::IsFolderId(uint32_t nid) {
  uint32_t type = nid & kNidTypeMask;
  return type == kNidTypeFolder || type == kNidTypeSearchFolder;
}

libpff_item_t* PstFile::Folder(uint32_t nid) {
  if (!IsFolderId(nid)) return nullptr;
  if (auto* f = FindFolder(nid)) return f;
  if (!places_.count(nid) && !ScanFor(nid)) return nullptr;
  return FindFolder(nid);
}

libpff_item_t* PstFile::FindFolder(uint32_t nid) {
  if (auto it = folders_.find(nid); it != folders_.end()) return it->second.get();
  auto place = places_.find(nid);
  if (place == places_.end() || !FindFolder(place->second.parent)) return nullptr;
  ItemHandle sub = SubItem(place->second.parent, place->second.index, nid);
  if (!sub) return nullptr;
  return folders_.emplace(nid, std::move(sub)).first->second.get();
}

// Lists a folder's sub-items once, from libpff's item tree (built when the
// file was opened), reading nothing of the folder itself.
const PstFile::Children* PstFile::ChildrenOf(uint32_t folderNid) {
  if (auto it = children_.find(folderNid); it != children_.end()) return &it->second;
  libpff_item_t* folder = Folder(folderNid);
  PffError e;
  int n = 0;
  if (!folder || libpff_item_get_number_of_sub_items(folder, &n, &e) != 1) return nullptr;
  Children children;
  for (int i = 0; i < n; ++i) {
    ItemHandle sub;
    int r = libpff_item_get_sub_item(folder, i, Out(sub), &e);
    if (r != 1 || !sub) continue;
    uint32_t id = IdOf(sub.get());
    if (IsFolderId(id))
      children.folders.push_back(id);
    else if ((id & kNidTypeMask) == kNidTypeMessage)
      children.messages.push_back(i), children.messageIds.push_back(id);
    else
      continue;
    places_[id] = Place{folderNid, i};
  }
  return &children_.emplace(folderNid, std::move(children)).first->second;
}

ItemHandle PstFile::SubItem(uint32_t folderNid, int index, uint32_t nid) {
  libpff_item_t* folder = FindFolder(folderNid);
  ItemHandle sub;
  PffError e;
  if (!folder) return nullptr;
  int r = libpff_item_get_sub_item(folder, index, Out(sub), &e);
  if (r != 1 || !sub || IdOf(sub.get()) != nid) return nullptr;
  return sub;
}

std::vector<uint32_t> PstFile::SubFolders(uint32_t folderNid) {
  const Children* children = ChildrenOf(folderNid);
  return children ? children->folders : std::vector<uint32_t>();
}

int PstFile::MessageCount(uint32_t folderNid) {
  const Children* children = ChildrenOf(folderNid);
  return children ? static_cast<int>(children->messages.size()) : 0;
}

ItemHandle PstFile::MessageAt(uint32_t folderNid, int index) {
  const Children* children = ChildrenOf(folderNid);
  if (!children || index < 0 || static_cast<size_t>(index) >= children->messages.size()) return nullptr;
  libpff_item_t* folder = FindFolder(folderNid);
  ItemHandle msg;
  PffError e;
  if (!folder || libpff_item_get_sub_item(folder, children->messages[index], Out(msg), &e) != 1) return nullptr;
  return msg;
}

std::optional<uint32_t> PstFile::MessageIdAt(uint32_t folderNid, int index) {
  const Children* children = ChildrenOf(folderNid);
  if (!children || index < 0 || static_cast<size_t>(index) >= children->messageIds.size()) return std::nullopt;
  return children->messageIds[index];
}

void PstFile::KeepRecent(uint32_t nid, ItemHandle item) {
  recent_ = std::move(item);
  recentId_ = nid;
}

ItemHandle PstFile::Message(uint32_t nid) {
  if ((nid & kNidTypeMask) != kNidTypeMessage) return nullptr;
  if (recent_ && recentId_ == nid) return std::move(recent_);
  auto place = places_.find(nid);
  if (place == places_.end()) {
    if (!ScanFor(nid)) return nullptr;
    place = places_.find(nid);
  }
  return SubItem(place->second.parent, place->second.index, nid);
}

// Lists every folder of the tree, once, when an identifier is asked for
// before its folder was listed.
bool PstFile::ScanFor(uint32_t nid) {
  if (!scanned_) {
    scanned_ = true;
    std::deque<uint32_t> todo{rootId_};
    while (!todo.empty()) {
      uint32_t folder = todo.front();
      todo.pop_front();
      for (uint32_t sub : SubFolders(folder)) todo.push_back(sub);
    }
  }
  return places_.count(nid) != 0;
}

const NameMap& PstFile::Names() {
  if (!names_) {
    ItemHandle map;
    PffError e;
    names_.emplace();
    int r = libpff_file_get_name_to_id_map(file_.get(), Out(map), &e);
    if (r == 1 && map) {
      RecordSet rs = RecordSet::Of(map.get());
      *names_ = NameMap::Decode(BytesOf(rs, kNameMapGuids), BytesOf(rs, kNameMapEntries),
                                BytesOf(rs, kNameMapStrings));
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

}  // namespace pst
