// Owners for SQLite connections and statements, and the transaction guard.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "notes/lntypes.h"

namespace notes_internal {

struct ConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

class Store;

// A statement a Store keeps, and whether a Statement holds it now.
struct CachedStatement {
  sqlite3_stmt* stmt = nullptr;
  bool inUse = false;
};

// A prepared statement, finalized with its holder; or one of a Store's,
// reset and handed back. A statement that did not prepare fails at its
// first Step with the preparation's result.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  Statement(Store& store, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, std::string_view text);
  Statement& BindBlob(int index, std::string_view bytes);
  // Without a copy: the bytes must stay until the statement is reset.
  Statement& BindBlobInPlace(int index, std::string_view bytes);
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  void Reset();

  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string Text(int column) const;
  std::string Blob(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
  CachedStatement* cached_ = nullptr;  // the statement is a store's
};

// An open connection and the statements it has prepared: each is prepared
// on its first use and kept until the connection closes, so that work done
// for every document does not parse its SQL again. A statement asked for
// while it is in use is prepared afresh for that use.
class Store {
 public:
  explicit Store(Connection connection) : connection_(std::move(connection)) {}
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;
  sqlite3* db() const { return connection_.get(); }

 private:
  friend class Statement;
  // The kept statement for `sql` (null until prepared), marked in use; null
  // when it is in use already.
  CachedStatement* Take(const char* sql);

  Connection connection_;  // closed after the statements are finalized
  std::map<std::string, CachedStatement, std::less<>> statements_;
};

// The status for an SQLite result code (0 for OK, ROW and DONE).
LNSTATUS FromSqlite(int rc);
// Runs SQL that returns no rows.
LNSTATUS Exec(sqlite3* db, const char* sql);
// Runs one statement of the store that returns no rows.
LNSTATUS Exec(Store& store, const char* sql);

// A write transaction, rolled back unless committed; on a bare connection
// or with a store's statements.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { status_ = Run("BEGIN IMMEDIATE"); }
  explicit Transaction(Store& store) : db_(store.db()), store_(&store) { status_ = Run("BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (status_ == LNNOERROR && !done_) Run("ROLLBACK");
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  LNSTATUS status() const { return status_; }
  LNSTATUS Commit() {
    done_ = true;
    const LNSTATUS s = Run("COMMIT");
    if (s != LNNOERROR) Run("ROLLBACK");
    return s;
  }

 private:
  LNSTATUS Run(const char* sql) { return store_ ? Exec(*store_, sql) : Exec(db_, sql); }

  sqlite3* db_;
  Store* store_ = nullptr;
  LNSTATUS status_;
  bool done_ = false;
};

}  // namespace notes_internal
