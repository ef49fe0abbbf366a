// Owners for SQLite connections and statements, and the transaction guard.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "notes/lntypes.h"

namespace notes_internal {

struct ConnectionCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

// A prepared statement, finalized with its holder. A statement that did not
// prepare fails at its first Step with the preparation's result.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, std::string_view text);
  Statement& BindBlob(int index, std::string_view bytes);
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  void Reset();

  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  std::string Text(int column) const;
  std::string Blob(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
};

// The status for an SQLite result code (0 for OK, ROW and DONE).
LNSTATUS FromSqlite(int rc);
// Runs one statement that returns no rows.
LNSTATUS Exec(sqlite3* db, const char* sql);

// A write transaction, rolled back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) { status_ = Exec(db, "BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (status_ == LNNOERROR && !done_) Exec(db_, "ROLLBACK");
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  LNSTATUS status() const { return status_; }
  LNSTATUS Commit() {
    done_ = true;
    const LNSTATUS s = Exec(db_, "COMMIT");
    if (s != LNNOERROR) Exec(db_, "ROLLBACK");
    return s;
  }

 private:
  sqlite3* db_;
  LNSTATUS status_;
  bool done_ = false;
};

}  // namespace notes_internal
