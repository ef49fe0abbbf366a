// Folders and notes in the file.
#include "impl.h"
#include "names.h"

namespace notes_internal {

namespace {

LNSTATUS NoteExists(Store& db, LNNOTEID id) {
  Statement s(db, "SELECT 1 FROM notes WHERE id = ?");
  const int rc = s.Bind(1, id).Step();
  if (rc == SQLITE_DONE) return LNERR_NOTE_DELETED;
  return FromSqlite(rc);
}

// A note saved before loses its earlier items.
LNSTATUS WriteItems(Store& db, LNNOTEID id, bool saved, const std::vector<StoredItem>& items) {
  if (saved) {
    Statement clear(db, "DELETE FROM items WHERE note_id = ?");
    if (LNSTATUS s = FromSqlite(clear.Bind(1, id).Step())) return s;
  }
  Statement insert(db, "INSERT INTO items(note_id, seq, name, kind, type, flags, value) VALUES(?, ?, ?, ?, ?, ?, ?)");
  std::int64_t seq = 0;
  for (const StoredItem& item : items) {
    insert.Reset();
    const int rc = insert.Bind(1, id)
                       .Bind(2, seq++)
                       .Bind(3, item.name)
                       .Bind(4, static_cast<std::int64_t>(item.kind))
                       .Bind(5, static_cast<std::int64_t>(item.type))
                       .Bind(6, static_cast<std::int64_t>(item.flags))
                       .BindBlobInPlace(7, item.value)
                       .Step();
    if (LNSTATUS s = FromSqlite(rc)) return s;
  }
  return LNNOERROR;
}

LNSTATUS WriteAttachments(Store& db, LNNOTEID id, const std::vector<PendingAttachment>& pending) {
  Statement insert(db, "INSERT INTO attachments(note_id, name, size, method, data) VALUES(?, ?, ?, ?, ?)");
  for (const PendingAttachment& a : pending) {
    insert.Reset();
    const int rc =
        insert.Bind(1, id).Bind(2, a.name).Bind(3, a.size).Bind(4, a.method).BindBlobInPlace(5, a.data).Step();
    if (LNSTATUS s = FromSqlite(rc)) return s;
  }
  return LNNOERROR;
}

}  // namespace

LNSTATUS InsertFolder(Store& db, const std::string& name, std::int64_t* id) {
  Statement s(db, "INSERT INTO design(name, name_key, kind) VALUES(?, ?, ?)");
  const int rc = s.Bind(1, name).Bind(2, NameKey(name)).Bind(3, static_cast<std::int64_t>(DesignKind::kFolder)).Step();
  if ((rc & 0xFF) == SQLITE_CONSTRAINT) return LNERR_FOLDER_EXISTS;
  if (LNSTATUS status = FromSqlite(rc)) return status;
  *id = sqlite3_last_insert_rowid(db.db());
  return LNNOERROR;
}

LNSTATUS FindFolder(Store& db, const std::string& name, FolderImpl* out) {
  Statement s(db, "SELECT id, name, kind FROM design WHERE name_key = ?");
  const int rc = s.Bind(1, NameKey(name)).Step();
  if (rc == SQLITE_DONE) return LNERR_FOLDER_NOT_FOUND;
  if (rc != SQLITE_ROW) return FromSqlite(rc);
  out->id = s.Int(0);
  out->name = s.Text(1);
  out->kind = s.Int(2) == static_cast<int>(DesignKind::kView) ? DesignKind::kView : DesignKind::kFolder;
  return LNNOERROR;
}

LNSTATUS AddToFolder(Store& db, std::int64_t folderId, LNNOTEID noteId) {
  Transaction t(db);
  if (t.status()) return t.status();
  if (LNSTATUS s = NoteExists(db, noteId)) return s;
  Statement s(db, "INSERT OR IGNORE INTO folder_notes(folder_id, note_id) VALUES(?, ?)");
  if (LNSTATUS status = FromSqlite(s.Bind(1, folderId).Bind(2, noteId).Step())) return status;
  return t.Commit();
}

LNSTATUS WriteNote(Store& db, NoteImpl& note) {
  Transaction t(db);
  if (t.status()) return t.status();
  LNNOTEID id = note.id;
  if (id == 0) {
    if (LNSTATUS s = Exec(db, "INSERT INTO notes DEFAULT VALUES")) return s;
    id = sqlite3_last_insert_rowid(db.db());
  } else if (LNSTATUS s = NoteExists(db, id)) {
    return s;
  }
  // A note saved again after an attachment only keeps its items.
  if (note.id == 0 || note.itemsChanged) {
    if (LNSTATUS s = WriteItems(db, id, note.id != 0, note.items)) return s;
  }
  if (LNSTATUS s = WriteAttachments(db, id, note.pending)) return s;
  if (LNSTATUS s = t.Commit()) return s;
  note.id = id;
  note.itemsChanged = false;
  note.pending.clear();
  return LNNOERROR;
}

LNSTATUS ReadNoteItems(Store& db, LNNOTEID id, std::vector<StoredItem>* items) {
  if (LNSTATUS s = NoteExists(db, id)) return s;
  Statement s(db, "SELECT name, kind, type, flags, value FROM items WHERE note_id = ? ORDER BY seq");
  s.Bind(1, id);
  items->clear();
  int rc;
  while ((rc = s.Step()) == SQLITE_ROW) {
    StoredItem item;
    item.name = s.Text(0);
    item.key = NameKey(item.name);
    item.kind = static_cast<notes::ItemKind>(s.Int(1));
    item.type = static_cast<LNITEMTYPE>(s.Int(2));
    item.flags = static_cast<LNITEMFLAGS>(s.Int(3));
    item.value = s.Blob(4);
    items->push_back(std::move(item));
  }
  return FromSqlite(rc);
}

}  // namespace notes_internal
