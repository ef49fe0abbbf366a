// LNDatabase and LNViewFolder.
#include <sys/stat.h>

#include "error_mode.h"
#include "impl.h"
#include "names.h"
#include "notes/lndatabase.h"
#include "notes/lnnote.h"

using namespace notes_internal;

LNDatabase::LNDatabase() = default;
LNDatabase::~LNDatabase() = default;
LNDatabase::LNDatabase(const LNDatabase&) = default;
LNDatabase& LNDatabase::operator=(const LNDatabase&) = default;

LNSTATUS LNDatabase::Open(LNINT options) {
  if (!impl_) return Report(LNERR_OBJECT_NOT_BOUND);
  if (options != 0) return Report(LNERR_BAD_ARGUMENT);
  if (impl_->db()) return LNNOERROR;
  Connection connection;
  if (LNSTATUS s = OpenStore(impl_->file, &connection)) return Report(s);
  std::string title;
  if (LNSTATUS s = ReadInfo(connection.get(), "title", &title)) return Report(s);
  struct stat st {};
  if (::stat(impl_->file.c_str(), &st) != 0) return Report(LNERR_DATABASE_IO);
  impl_->device = st.st_dev;
  impl_->inode = st.st_ino;
  impl_->title = std::move(title);
  impl_->store = std::make_unique<Store>(std::move(connection));
  return LNNOERROR;
}

LNSTATUS LNDatabase::Close() {
  if (LNSTATUS s = NeedOpen(impl_)) return Report(s);
  impl_->store.reset();
  return LNNOERROR;
}

LNBOOL LNDatabase::IsOpen() const { return impl_ && impl_->db(); }

LNString LNDatabase::GetFilepath() const {
  if (!impl_) {
    Report(LNERR_OBJECT_NOT_BOUND);
    return {};
  }
  return impl_->path;
}

LNString LNDatabase::GetTitle() const {
  if (LNSTATUS s = NeedOpen(impl_)) {
    Report(s);
    return {};
  }
  return LNString(impl_->title);
}

LNSTATUS LNDatabase::CreateDocument(LNDocument* document) {
  if (!document) return Report(LNERR_NULL_ARGUMENT);
  if (LNSTATUS s = NeedOpen(impl_)) return Report(s);
  auto note = std::make_shared<NoteImpl>();
  note->database = impl_;
  document->impl_ = std::move(note);
  return LNNOERROR;
}

LNSTATUS LNDatabase::CreateFolder(const LNString& name, LNViewFolder* folder) {
  if (LNSTATUS s = NeedOpen(impl_)) return Report(s);
  if (HasEmptyLevel(name.str())) return Report(LNERR_BAD_FOLDER_NAME);
  std::int64_t id = 0;
  if (LNSTATUS s = InsertFolder(*impl_->store, name.str(), &id)) return Report(s);
  if (folder) {
    auto f = std::make_shared<FolderImpl>();
    f->database = impl_;
    f->id = id;
    f->name = name.str();
    folder->impl_ = std::move(f);
  }
  return LNNOERROR;
}

LNBOOL LNDatabase::ViewFolderExists(const LNString& name) const {
  LNSTATUS s = NeedOpen(impl_);
  if (s == LNNOERROR) {
    FolderImpl found;
    s = FindFolder(*impl_->store, name.str(), &found);
    if (s == LNNOERROR) return 1;
    if (s == LNERR_FOLDER_NOT_FOUND) return 0;
  }
  Report(s);
  return 0;
}

LNSTATUS LNDatabase::GetViewFolder(const LNString& name, LNViewFolder* folder) {
  if (!folder) return Report(LNERR_NULL_ARGUMENT);
  if (LNSTATUS s = NeedOpen(impl_)) return Report(s);
  auto f = std::make_shared<FolderImpl>();
  if (LNSTATUS s = FindFolder(*impl_->store, name.str(), f.get())) return Report(s);
  f->database = impl_;
  folder->impl_ = std::move(f);
  return LNNOERROR;
}

LNViewFolder::LNViewFolder() = default;
LNViewFolder::~LNViewFolder() = default;
LNViewFolder::LNViewFolder(const LNViewFolder&) = default;
LNViewFolder& LNViewFolder::operator=(const LNViewFolder&) = default;

LNSTATUS LNViewFolder::Open(LNINT options) {
  if (!impl_) return Report(LNERR_OBJECT_NOT_BOUND);
  if (options != 0) return Report(LNERR_BAD_ARGUMENT);
  if (LNSTATUS s = NeedOpen(impl_->database)) return Report(s);
  impl_->open = true;
  return LNNOERROR;
}

LNSTATUS LNViewFolder::Close() {
  if (!impl_) return Report(LNERR_OBJECT_NOT_BOUND);
  if (!impl_->open) return Report(LNERR_OBJECT_NOT_OPEN);
  impl_->open = false;
  return LNNOERROR;
}

LNBOOL LNViewFolder::IsOpen() const { return impl_ && impl_->open; }

LNString LNViewFolder::GetName() const {
  if (!impl_) {
    Report(LNERR_OBJECT_NOT_BOUND);
    return {};
  }
  return LNString(impl_->name);
}

LNSTATUS LNViewFolder::FolderAddDocument(const LNNote& document) {
  if (!impl_ || !document.impl_) return Report(LNERR_OBJECT_NOT_BOUND);
  if (!impl_->open) return Report(LNERR_OBJECT_NOT_OPEN);
  if (LNSTATUS s = NeedOpen(impl_->database)) return Report(s);
  if (impl_->kind != DesignKind::kFolder) return Report(LNERR_NOT_A_FOLDER);
  const NoteImpl& note = *document.impl_;
  if (note.gone) return Report(LNERR_NOTE_DELETED);
  if (note.id == 0) return Report(LNERR_NOTE_NOT_SAVED);
  if (!note.database->SameFile(*impl_->database)) return Report(LNERR_WRONG_DATABASE);
  return Report(AddToFolder(*impl_->database->store, impl_->id, note.id));
}
