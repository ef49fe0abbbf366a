// NsfReader: one read transaction over the whole file.
#include <map>

#include "codec.h"
#include "notes/nsf_reader.h"
#include "sqlite_handles.h"
#include "store.h"

using namespace notes_internal;

namespace notes {

struct NsfReader::State {
  Connection db;
};

namespace {

LNSTATUS DecodeItem(int kind, const std::string& value, ItemRecord* item) {
  switch (kind) {
    case static_cast<int>(ItemKind::kText):
    case static_cast<int>(ItemKind::kTime):
      item->kind = static_cast<ItemKind>(kind);
      if (!DecodeList(value, &item->values)) return LNERR_DATABASE_DAMAGED;
      if (item->kind == ItemKind::kTime)
        for (std::string& v : item->values) v = DisplayDatetime(v);
      return LNNOERROR;
    case static_cast<int>(ItemKind::kRaw):
      item->kind = ItemKind::kRaw;
      item->bytes = value;
      return LNNOERROR;
    default: return LNERR_DATABASE_DAMAGED;
  }
}

LNSTATUS ReadFolders(sqlite3* db, DatabaseRecord* out) {
  std::vector<std::int64_t> ids;
  Statement design(db, "SELECT id, name, kind FROM design ORDER BY id");
  int rc;
  while ((rc = design.Step()) == SQLITE_ROW) {
    ids.push_back(design.Int(0));
    out->folders.push_back({design.Text(1), design.Int(2) == static_cast<int>(DesignKind::kView), {}});
  }
  if (LNSTATUS s = FromSqlite(rc)) return s;
  Statement members(db, "SELECT folder_id, note_id FROM folder_notes ORDER BY folder_id, note_id");
  std::map<std::int64_t, std::size_t> index;
  for (std::size_t i = 0; i < ids.size(); ++i) index[ids[i]] = i;
  while ((rc = members.Step()) == SQLITE_ROW)
    if (auto it = index.find(members.Int(0)); it != index.end())
      out->folders[it->second].documents.push_back(members.Int(1));
  return FromSqlite(rc);
}

LNSTATUS ReadDocuments(sqlite3* db, DatabaseRecord* out) {
  std::map<std::int64_t, std::size_t> index;
  Statement notes(db, "SELECT id FROM notes ORDER BY id");
  int rc;
  while ((rc = notes.Step()) == SQLITE_ROW) {
    index[notes.Int(0)] = out->documents.size();
    out->documents.push_back({notes.Int(0), {}, {}});
  }
  if (LNSTATUS s = FromSqlite(rc)) return s;

  Statement items(db, "SELECT note_id, name, kind, type, flags, value FROM items ORDER BY note_id, seq");
  while ((rc = items.Step()) == SQLITE_ROW) {
    auto it = index.find(items.Int(0));
    if (it == index.end()) continue;
    ItemRecord item;
    item.name = items.Text(1);
    item.type = static_cast<unsigned>(items.Int(3));
    item.flags = static_cast<std::uint32_t>(items.Int(4));
    if (LNSTATUS s = DecodeItem(static_cast<int>(items.Int(2)), items.Blob(5), &item)) return s;
    out->documents[it->second].items.push_back(std::move(item));
  }
  if (LNSTATUS s = FromSqlite(rc)) return s;

  Statement attachments(db, "SELECT id, note_id, name, size FROM attachments ORDER BY note_id, id");
  while ((rc = attachments.Step()) == SQLITE_ROW)
    if (auto it = index.find(attachments.Int(1)); it != index.end())
      out->documents[it->second].attachments.push_back(
          {attachments.Int(0), attachments.Text(2), static_cast<std::uint64_t>(attachments.Int(3))});
  return FromSqlite(rc);
}

}  // namespace

NsfReader::NsfReader() = default;
NsfReader::~NsfReader() = default;

LNSTATUS NsfReader::Open(const std::filesystem::path& file) {
  auto state = std::make_unique<State>();
  if (LNSTATUS s = OpenStore(file, &state->db)) return s;
  // Every later read sees the state of the file at the first one.
  if (LNSTATUS s = Exec(state->db.get(), "BEGIN")) return s;
  state_ = std::move(state);
  return LNNOERROR;
}

LNSTATUS NsfReader::Read(DatabaseRecord* out) {
  if (!state_) return LNERR_OBJECT_NOT_OPEN;
  sqlite3* db = state_->db.get();
  *out = DatabaseRecord();
  if (LNSTATUS s = ReadInfo(db, "title", &out->title)) return s;
  if (LNSTATUS s = ReadInfo(db, "class", &out->cls)) return s;
  if (LNSTATUS s = ReadInfo(db, "template", &out->templateFile)) return s;
  if (LNSTATUS s = ReadFolders(db, out)) return s;
  return ReadDocuments(db, out);
}

LNSTATUS NsfReader::ReadAttachment(std::int64_t id, std::string* content) {
  if (!state_) return LNERR_OBJECT_NOT_OPEN;
  Statement s(state_->db.get(), "SELECT size, method, data FROM attachments WHERE id = ?");
  const int rc = s.Bind(1, id).Step();
  if (rc == SQLITE_DONE) return LNERR_BAD_ARGUMENT;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  const std::int64_t size = s.Int(0);
  if (size < 0 || !Expand(s.Blob(2), static_cast<Method>(s.Int(1)), static_cast<std::size_t>(size), content))
    return LNERR_DATABASE_DAMAGED;
  return LNNOERROR;
}

}  // namespace notes
