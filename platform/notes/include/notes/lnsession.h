// The Notes session of the Notes object library stand-in: finding, creating
// and binding databases.
//
// Databases are files; a relative path or bare file name is taken in the
// Notes data folder (the machine root's notes/ unless Initialize names
// another). There is no network: a non-empty server name gives
// LNERR_SERVER_NOT_REACHABLE.
//
// Error mode: by default every call returns its status. In throw-all-errors
// mode every failing call of the library (in any object) throws its LNSTATUS
// instead, and calls that return no status throw where they would otherwise
// return an empty value. The mode belongs to the process; Initialize and
// SetThrowAllErrors set it.
#pragma once

#include <filesystem>
#include <vector>

#include "notes/lndatabase.h"
#include "notes/lntypes.h"
#include "notes/lnvalues.h"

class LNDatabaseArray {
 public:
  LNINT GetCount() const { return static_cast<LNINT>(databases_.size()); }
  // An index out of range gives an unbound database (LNERR_BAD_ARGUMENT
  // thrown in throw-all-errors mode).
  LNDatabase operator[](LNINT index) const;

 private:
  friend class LNNotesSession;
  std::vector<LNDatabase> databases_;
};

class LNCreateDatabaseOptions {
 public:
  // The new database's title; empty (the default): its file name without
  // the extension.
  void SetTitle(const LNString& title) { title_ = title; }
  const LNString& GetTitle() const { return title_; }

 private:
  LNString title_;
};

class LNNotesSession {
 public:
  LNNotesSession();
  ~LNNotesSession();
  LNNotesSession(const LNNotesSession&) = delete;
  LNNotesSession& operator=(const LNNotesSession&) = delete;

  // May be called again; each call starts the session afresh.
  //   apiLevel: the library level the caller was written for (every level
  //     is served alike);
  //   argc, argv: Notes command-line options (the stand-in has none);
  //   returnErrors: non-zero for the return-status mode, 0 for the
  //     throw-all-errors mode;
  //   dataDirectory: the Notes data folder (UTF-8 path), null for the
  //     machine root's notes/.
  // A missing data folder gives LNERR_NOTES_NOT_INSTALLED, and every later
  // call of the session gives that status too.
  LNSTATUS Initialize(LNINT apiLevel = 0, int argc = 0, char** argv = nullptr, LNBOOL returnErrors = 1,
                      const char* dataDirectory = nullptr);
  LNBOOL IsInitialized() const;
  void SetThrowAllErrors(LNBOOL throwAll);
  LNBOOL GetThrowAllErrors() const;

  // The databases (LNDBTYPE_DATABASE), templates (LNDBTYPE_TEMPLATE) or both
  // of a folder ("" for the data folder), bound but not opened, in the order
  // of their file names. Subfolders are not searched.
  LNSTATUS GetDatabases(LNDatabaseArray* databases, const LNString& server, const LNString& directory,
                        LNDBTYPE type);
  // A new database at `targetPath` with the design (folders and views) of
  // the template at `templatePath` (a path, or a file name in the data
  // folder). The target must not exist (LNERR_FILE_EXISTS); a file name with
  // a character outside printable ASCII, or one of \ / : * ? " < > |, gives
  // LNERR_BAD_DATABASE_NAME. The file appears whole or not at all.
  // `database`, when given, is bound to the new database (unopened).
  LNSTATUS CreateDatabaseFromTemplate(const LNString& templatePath, const LNString& templateServer,
                                      const LNString& targetPath, const LNString& targetServer,
                                      const LNCreateDatabaseOptions& options = LNCreateDatabaseOptions(),
                                      LNDatabase* database = nullptr);
  // Binds `database` to an existing database file (unopened).
  LNSTATUS GetDatabase(const LNString& path, LNDatabase* database, const LNString& server = LNString());

 private:
  LNSTATUS Usable(const LNString& server) const;
  std::filesystem::path Resolve(const LNString& path) const;

  LNSTATUS state_;
  std::filesystem::path dataDirectory_;
};
