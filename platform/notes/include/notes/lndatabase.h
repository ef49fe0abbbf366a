// Databases and their folders and views in the Notes object library
// stand-in. LNDatabase and LNViewFolder are handles: copies share one object.
//
// Folder and view names are "\"-separated paths; two names are the same when
// they are equal without regard to case. Folders and views share one set of
// names.
#pragma once

#include <memory>

#include "notes/lntypes.h"
#include "notes/lnvalues.h"

namespace notes_internal {
struct DatabaseImpl;
struct FolderImpl;
}  // namespace notes_internal

class LNDocument;
class LNNote;

class LNViewFolder {
 public:
  LNViewFolder();
  ~LNViewFolder();
  LNViewFolder(const LNViewFolder&);
  LNViewFolder& operator=(const LNViewFolder&);

  // Options: 0.
  LNSTATUS Open(LNINT options = 0);
  LNSTATUS Close();
  LNBOOL IsOpen() const;
  LNString GetName() const;
  // Adds a saved document of the same database to this folder (adding it
  // twice is no change). A view takes no documents: LNERR_NOT_A_FOLDER.
  LNSTATUS FolderAddDocument(const LNNote& document);

 private:
  friend class LNDatabase;
  std::shared_ptr<notes_internal::FolderImpl> impl_;
};

class LNDatabase {
 public:
  LNDatabase();
  ~LNDatabase();
  LNDatabase(const LNDatabase&);
  LNDatabase& operator=(const LNDatabase&);

  // Options: 0. Opening an open database changes nothing.
  LNSTATUS Open(LNINT options = 0);
  LNSTATUS Close();
  LNBOOL IsOpen() const;

  // The path the database was named by (needs no open database).
  LNString GetFilepath() const;
  // Needs an open database.
  LNString GetTitle() const;

  // A new, unopened document of this database; it exists once it is saved.
  LNSTATUS CreateDocument(LNDocument* document);
  // LNERR_FOLDER_EXISTS when a folder or view has the name; LNERR_BAD_FOLDER_NAME
  // when a level of it is empty or blank. `folder`, when given, refers to the
  // new folder (unopened).
  LNSTATUS CreateFolder(const LNString& name, LNViewFolder* folder = nullptr);
  // Whether a folder or view has the name, by CreateFolder's comparison.
  // FALSE when the database is not open (the status is thrown in
  // throw-all-errors mode).
  LNBOOL ViewFolderExists(const LNString& name) const;
  LNSTATUS GetViewFolder(const LNString& name, LNViewFolder* folder);

 private:
  friend class LNNotesSession;
  std::shared_ptr<notes_internal::DatabaseImpl> impl_;
};
