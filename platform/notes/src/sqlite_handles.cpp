#include "sqlite_handles.h"

namespace notes_internal {

Statement::Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }

Statement::Statement(Store& store, const char* sql) {
  CachedStatement* cached = store.Take(sql);
  if (!cached) {
    rc_ = sqlite3_prepare_v2(store.db(), sql, -1, &stmt_, nullptr);
    return;
  }
  if (!cached->stmt) rc_ = sqlite3_prepare_v3(store.db(), sql, -1, SQLITE_PREPARE_PERSISTENT, &cached->stmt, nullptr);
  if (rc_ != SQLITE_OK) {
    // Not kept: the next use prepares it again.
    sqlite3_finalize(cached->stmt);
    *cached = {};
    return;
  }
  stmt_ = cached->stmt;
  cached_ = cached;
}

Statement::~Statement() {
  if (!cached_) {
    sqlite3_finalize(stmt_);
    return;
  }
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  cached_->inUse = false;
}

Statement& Statement::Bind(int index, std::int64_t value) {
  if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  if (rc_ == SQLITE_OK)
    rc_ = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  return *this;
}

namespace {

int BindBytes(sqlite3_stmt* stmt, int index, std::string_view bytes, sqlite3_destructor_type lifetime) {
  // A zero-length blob, not NULL, for empty data.
  return bytes.empty() ? sqlite3_bind_zeroblob(stmt, index, 0)
                       : sqlite3_bind_blob64(stmt, index, bytes.data(), bytes.size(), lifetime);
}

}  // namespace

Statement& Statement::BindBlob(int index, std::string_view bytes) {
  if (rc_ == SQLITE_OK) rc_ = BindBytes(stmt_, index, bytes, SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindBlobInPlace(int index, std::string_view bytes) {
  if (rc_ == SQLITE_OK) rc_ = BindBytes(stmt_, index, bytes, SQLITE_STATIC);
  return *this;
}

int Statement::Step() {
  if (rc_ != SQLITE_OK) return rc_;
  return sqlite3_step(stmt_);
}

void Statement::Reset() {
  if (rc_ != SQLITE_OK) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::string Statement::Text(int column) const {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

std::string Statement::Blob(int column) const {
  const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
  return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

LNSTATUS FromSqlite(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return LNNOERROR;
    case SQLITE_NOTADB: return LNERR_NOT_A_DATABASE;
    case SQLITE_CORRUPT: return LNERR_DATABASE_DAMAGED;
    default: return LNERR_DATABASE_IO;
  }
}

LNSTATUS Exec(sqlite3* db, const char* sql) { return FromSqlite(sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); }

LNSTATUS Exec(Store& store, const char* sql) {
  Statement s(store, sql);
  return FromSqlite(s.Step());
}

Store::~Store() {
  for (auto& [sql, cached] : statements_) sqlite3_finalize(cached.stmt);
}

CachedStatement* Store::Take(const char* sql) {
  auto found = statements_.find(std::string_view(sql));
  if (found == statements_.end()) found = statements_.emplace(sql, CachedStatement{}).first;
  CachedStatement& cached = found->second;
  if (cached.inUse) return nullptr;
  cached.inUse = true;
  return &cached;
}

}  // namespace notes_internal
