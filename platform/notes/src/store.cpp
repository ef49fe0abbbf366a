#include "store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

#include "names.h"

namespace fs = std::filesystem;

namespace notes_internal {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE info(key TEXT PRIMARY KEY, value TEXT NOT NULL) WITHOUT ROWID;
CREATE TABLE design(id INTEGER PRIMARY KEY, name TEXT NOT NULL, name_key TEXT NOT NULL UNIQUE,
                    kind INTEGER NOT NULL);
CREATE TABLE notes(id INTEGER PRIMARY KEY);
CREATE TABLE items(note_id INTEGER NOT NULL, seq INTEGER NOT NULL, name TEXT NOT NULL, kind INTEGER NOT NULL,
                   type INTEGER NOT NULL, flags INTEGER NOT NULL, value BLOB NOT NULL,
                   PRIMARY KEY(note_id, seq)) WITHOUT ROWID;
CREATE TABLE attachments(id INTEGER PRIMARY KEY, note_id INTEGER NOT NULL, name TEXT NOT NULL,
                         size INTEGER NOT NULL, method INTEGER NOT NULL, data BLOB NOT NULL);
CREATE INDEX attachments_by_note ON attachments(note_id, id);
CREATE TABLE folder_notes(folder_id INTEGER NOT NULL, note_id INTEGER NOT NULL,
                          PRIMARY KEY(folder_id, note_id)) WITHOUT ROWID;
)sql";

LNSTATUS PragmaInt(sqlite3* db, const char* sql, std::int64_t* value) {
  Statement s(db, sql);
  const int rc = s.Step();
  if (rc != SQLITE_ROW) return rc == SQLITE_DONE ? LNERR_NOT_A_DATABASE : FromSqlite(rc);
  *value = s.Int(0);
  return LNNOERROR;
}

// Checks the header of a freshly opened file before anything writes to it.
LNSTATUS CheckHeader(sqlite3* db) {
  std::int64_t id = 0, version = 0;
  if (LNSTATUS s = PragmaInt(db, "PRAGMA application_id", &id)) return s;
  if (id != kApplicationId) return LNERR_NOT_A_DATABASE;
  if (LNSTATUS s = PragmaInt(db, "PRAGMA user_version", &version)) return s;
  if (version < 1) return LNERR_NOT_A_DATABASE;
  if (version > kFormatVersion) return LNERR_DATABASE_VERSION;
  return LNNOERROR;
}

LNSTATUS WriteContent(sqlite3* db, const StoreHeader& header, const std::vector<DesignEntry>& design) {
  const std::string pragmas = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                              "; PRAGMA user_version=" + std::to_string(kFormatVersion) + ";";
  if (LNSTATUS s = Exec(db, pragmas.c_str())) return s;
  Transaction t(db);
  if (t.status()) return t.status();
  if (LNSTATUS s = Exec(db, kSchema)) return s;
  Statement info(db, "INSERT INTO info(key, value) VALUES(?, ?)");
  for (const auto& [key, value] : {std::pair<const char*, const std::string&>{"title", header.title},
                                   {"class", header.cls},
                                   {"template", header.templateFile}}) {
    info.Reset();
    if (LNSTATUS s = FromSqlite(info.Bind(1, key).Bind(2, value).Step())) return s;
  }
  Statement entry(db, "INSERT INTO design(name, name_key, kind) VALUES(?, ?, ?)");
  for (const DesignEntry& d : design) {
    entry.Reset();
    const int rc = entry.Bind(1, d.name).Bind(2, NameKey(d.name)).Bind(3, static_cast<std::int64_t>(d.kind)).Step();
    if (LNSTATUS s = FromSqlite(rc)) return s;
  }
  if (LNSTATUS s = t.Commit()) return s;
  // WAL is kept in the file: every later connection reads while another writes.
  return Exec(db, "PRAGMA journal_mode=WAL");
}

// A new file `prefix` + a random suffix, made with the umask in force (the
// working files SQLite keeps beside it take its mode). The descriptor, or -1.
int CreateTemporary(const fs::path& prefix, std::string* path) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%08x%08x", random(), random());
    *path = prefix.string() + suffix;
    const int fd = ::open(path->c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

LNSTATUS OpenStore(const fs::path& file, Connection* out) {
  std::error_code ec;
  const fs::file_status st = fs::status(file, ec);
  if (!fs::exists(st)) return LNERR_FILE_NOT_FOUND;
  if (!fs::is_regular_file(st)) return LNERR_NOT_A_DATABASE;
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  Connection db(raw);
  if (rc != SQLITE_OK) return FromSqlite(rc);
  sqlite3_busy_timeout(db.get(), 10000);
  if (LNSTATUS s = CheckHeader(db.get())) return s;
  if (sqlite3_db_readonly(db.get(), "main") == 0) {
    if (LNSTATUS s = Exec(db.get(), "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL")) return s;
  }
  *out = std::move(db);
  return LNNOERROR;
}

LNSTATUS CreateStore(const fs::path& target, const StoreHeader& header, const std::vector<DesignEntry>& design) {
  std::error_code ec;
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  if (!fs::is_directory(dir, ec)) return LNERR_DIRECTORY_NOT_FOUND;
  if (fs::exists(fs::symlink_status(target, ec))) return LNERR_FILE_EXISTS;

  std::string temp;
  const int fd = CreateTemporary(dir / ("." + target.filename().string() + "."), &temp);
  if (fd < 0) return LNERR_DATABASE_IO;
  ::close(fd);
  LNSTATUS status;
  {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(temp.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Connection db(raw);
    status = rc == SQLITE_OK ? WriteContent(db.get(), header, design) : FromSqlite(rc);
  }
  if (status == LNNOERROR && ::link(temp.c_str(), target.c_str()) != 0)
    status = errno == EEXIST ? LNERR_FILE_EXISTS : LNERR_DATABASE_IO;
  ::unlink(temp.c_str());
  ::unlink((temp + "-journal").c_str());
  return status;
}

LNSTATUS ReadInfo(sqlite3* db, const char* key, std::string* value) {
  Statement s(db, "SELECT value FROM info WHERE key = ?");
  const int rc = s.Bind(1, std::string_view(key)).Step();
  value->clear();
  if (rc == SQLITE_ROW) *value = s.Text(0);
  return FromSqlite(rc);
}

LNSTATUS ReadDesign(sqlite3* db, std::vector<DesignEntry>* design) {
  Statement s(db, "SELECT name, kind FROM design ORDER BY id");
  design->clear();
  int rc;
  while ((rc = s.Step()) == SQLITE_ROW)
    design->push_back({s.Text(0), s.Int(1) == static_cast<int>(DesignKind::kView) ? DesignKind::kView
                                                                                 : DesignKind::kFolder});
  return FromSqlite(rc);
}

}  // namespace notes_internal
