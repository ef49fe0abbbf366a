#include "pst/pst_file.h"

#include <algorithm>
#include <deque>

#include "pst/pst_record.h"

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
    libpff_file_free(&raw, &e);
    return fail("libpff_file_open");
  }
  f->file_.reset(raw);
  uint8_t type = 0;
  if (libpff_file_get_type(raw, &type, &e) == 1) f->unicode_ = type != LIBPFF_FILE_TYPE_32BIT;
  int cp = 0;
  if (libpff_file_get_ascii_codepage(raw, &cp, &e) == 1 && cp > 0) f->codePage_ = static_cast<UINT>(cp);
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
  if (place == places_.end()) return nullptr;
  libpff_item_t* parent = FindFolder(place->second.parent);
  if (!parent) return nullptr;
  PffError e;
  ItemHandle sub;
  int r = libpff_folder_get_sub_folder(parent, place->second.index, Out(sub), &e);
  if (r != 1 || !sub || IdOf(sub.get()) != nid) return nullptr;
  return folders_.emplace(nid, std::move(sub)).first->second.get();
}

std::vector<uint32_t> PstFile::SubFolders(uint32_t folderNid) {
  std::vector<uint32_t> ids;
  libpff_item_t* folder = Folder(folderNid);
  PffError e;
  int n = 0;
  if (!folder || libpff_folder_get_number_of_sub_folders(folder, &n, &e) != 1) return ids;
  for (int i = 0; i < n; ++i) {
    ItemHandle sub;
    int r = libpff_folder_get_sub_folder(folder, i, Out(sub), &e);
    if (r != 1 || !sub) continue;
    uint32_t id = IdOf(sub.get());
    places_[id] = Place{folderNid, i};
    folders_.try_emplace(id, std::move(sub));
    ids.push_back(id);
  }
  return ids;
}

int PstFile::MessageCount(uint32_t folderNid) {
  libpff_item_t* folder = Folder(folderNid);
  PffError e;
  int n = 0;
  if (!folder || libpff_folder_get_number_of_sub_messages(folder, &n, &e) != 1) return 0;
  return n;
}

ItemHandle PstFile::MessageAt(uint32_t folderNid, int index) {
  ItemHandle msg;
  libpff_item_t* folder = Folder(folderNid);
  PffError e;
  if (!folder) return nullptr;
  int r = libpff_folder_get_sub_message(folder, index, Out(msg), &e);
  if (r != 1 || !msg) return nullptr;
  places_[IdOf(msg.get())] = Place{folderNid, index};
  return msg;
}

ItemHandle PstFile::Message(uint32_t nid) {
  if ((nid & kNidTypeMask) != kNidTypeMessage) return nullptr;
  auto place = places_.find(nid);
  if (place == places_.end()) {
    if (!ScanFor(nid)) return nullptr;
    place = places_.find(nid);
  }
  ItemHandle msg = MessageAt(place->second.parent, place->second.index);
  if (msg && IdOf(msg.get()) == nid) return msg;
  return nullptr;
}

// Registers every folder and message of the tree, once, when an identifier
// is asked for before its folder was listed.
bool PstFile::ScanFor(uint32_t nid) {
  if (!scanned_) {
    scanned_ = true;
    std::deque<uint32_t> todo{rootId_};
    while (!todo.empty()) {
      uint32_t folder = todo.front();
      todo.pop_front();
      for (uint32_t sub : SubFolders(folder)) todo.push_back(sub);
      int n = MessageCount(folder);
      for (int i = 0; i < n; ++i) MessageAt(folder, i);
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
