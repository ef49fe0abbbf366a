// LNNotesSession: the data folder, database lists and creation from templates.
#include <algorithm>
#include <cctype>

#include "error_mode.h"
#include "impl.h"
#include "notes/lnsession.h"
#include "win32/machine.h"
#include "win32/path.h"
#include "win32/text.h"

namespace fs = std::filesystem;
using namespace notes_internal;

namespace {

std::string LowerExtension(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool Wanted(const fs::path& file, LNDBTYPE type) {
  const std::string ext = LowerExtension(file);
  return (ext == ".nsf" && (type & LNDBTYPE_DATABASE)) || (ext == ".ntf" && (type & LNDBTYPE_TEMPLATE));
}

// Database file names are printable ASCII without the characters that
// Windows file names cannot hold.
bool AllowedFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c > 0x7E || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
      return false;
  return true;
}

std::shared_ptr<DatabaseImpl> NewDatabase(const LNString& path, const fs::path& file) {
  auto impl = std::make_shared<DatabaseImpl>();
  impl->path = path;
  impl->file = file;
  return impl;
}

}  // namespace

LNDatabase LNDatabaseArray::operator[](LNINT index) const {
  if (index < 0 || index >= GetCount()) {
    Report(LNERR_BAD_ARGUMENT);
    return {};
  }
  return databases_[static_cast<std::size_t>(index)];
}

LNNotesSession::LNNotesSession() : state_(LNERR_NOT_INITIALIZED) {}
LNNotesSession::~LNNotesSession() = default;

LNSTATUS LNNotesSession::Initialize(LNINT, int, char**, LNBOOL returnErrors, const char* dataDirectory) {
  SetThrowAllErrors(returnErrors == 0);
  dataDirectory_ = dataDirectory ? win32::MapPath(win32::Utf8ToUtf16(dataDirectory)) : win32::NotesFolder();
  std::error_code ec;
  state_ = fs::is_directory(dataDirectory_, ec) ? LNNOERROR : LNERR_NOTES_NOT_INSTALLED;
  return Report(state_);
}

LNBOOL LNNotesSession::IsInitialized() const { return state_ == LNNOERROR; }
void LNNotesSession::SetThrowAllErrors(LNBOOL throwAll) { notes_internal::SetThrowAllErrors(throwAll != 0); }
LNBOOL LNNotesSession::GetThrowAllErrors() const { return notes_internal::ThrowAllErrors(); }

LNSTATUS LNNotesSession::Usable(const LNString& server) const {
  if (state_ != LNNOERROR) return state_;
  return server.IsNull() ? LNNOERROR : LNERR_SERVER_NOT_REACHABLE;
}

fs::path LNNotesSession::Resolve(const LNString& path) const {
  const fs::path p = win32::MapPath(win32::Utf8ToUtf16(path.str()));
  return p.is_absolute() ? p : dataDirectory_ / p;
}

LNSTATUS LNNotesSession::GetDatabases(LNDatabaseArray* databases, const LNString& server, const LNString& directory,
                                      LNDBTYPE type) {
  if (!databases) return Report(LNERR_NULL_ARGUMENT);
  databases->databases_.clear();
  if (LNSTATUS s = Usable(server)) return Report(s);
  if ((type & ~(LNDBTYPE_DATABASE | LNDBTYPE_TEMPLATE)) || !(type & (LNDBTYPE_DATABASE | LNDBTYPE_TEMPLATE)))
    return Report(LNERR_BAD_DATABASE_TYPE);
  const fs::path dir = directory.IsNull() ? dataDirectory_ : Resolve(directory);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return Report(LNERR_DIRECTORY_NOT_FOUND);
  std::vector<fs::path> files;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (std::error_code fe; it->is_regular_file(fe) && Wanted(it->path(), type)) files.push_back(it->path());
  if (ec) return Report(LNERR_DIRECTORY_NOT_FOUND);
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  for (const fs::path& file : files) {
    LNDatabase database;
    database.impl_ = NewDatabase(LNString(file.string()), file);
    databases->databases_.push_back(database);
  }
  return LNNOERROR;
}

LNSTATUS LNNotesSession::CreateDatabaseFromTemplate(const LNString& templatePath, const LNString& templateServer,
                                                    const LNString& targetPath, const LNString& targetServer,
                                                    const LNCreateDatabaseOptions& options, LNDatabase* database) {
  if (LNSTATUS s = Usable(templateServer)) return Report(s);
  if (LNSTATUS s = Usable(targetServer)) return Report(s);
  const fs::path target = Resolve(targetPath);
  if (targetPath.IsNull() || !AllowedFileName(target.filename().string())) return Report(LNERR_BAD_DATABASE_NAME);
  if (templatePath.IsNull()) return Report(LNERR_FILE_NOT_FOUND);
  const fs::path source = Resolve(templatePath);

  StoreHeader header;
  std::vector<DesignEntry> design;
  {
    Connection db;
    if (LNSTATUS s = OpenStore(source, &db)) return Report(s);
    if (LNSTATUS s = ReadDesign(db.get(), &design)) return Report(s);
  }
  header.title = options.GetTitle().IsNull() ? target.stem().string() : options.GetTitle().str();
  header.cls = "database";
  header.templateFile = source.filename().string();
  if (LNSTATUS s = CreateStore(target, header, design)) return Report(s);
  if (database) database->impl_ = NewDatabase(targetPath, target);
  return LNNOERROR;
}

LNSTATUS LNNotesSession::GetDatabase(const LNString& path, LNDatabase* database, const LNString& server) {
  if (!database) return Report(LNERR_NULL_ARGUMENT);
  if (LNSTATUS s = Usable(server)) return Report(s);
  if (path.IsNull()) return Report(LNERR_FILE_NOT_FOUND);
  const fs::path file = Resolve(path);
  std::error_code ec;
  if (!fs::exists(file, ec)) return Report(LNERR_FILE_NOT_FOUND);
  database->impl_ = NewDatabase(path, file);
  return LNNOERROR;
}
