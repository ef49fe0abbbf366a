// libFuzzer target: the members file of a distribution list as Fennick's
// group builder reads it into a "Group" document. An input is three choices
// (what lies at the members path, the current folder, whether a database
// is open), a length byte and that many bytes of the list's item text body
// (each byte the character of its value), and the members file's bytes.
// Afterwards the database is read back: a saved group holds "Form" and
// "ExcludeFromView", and "Members" with exactly the file's lines; the file
// is gone exactly when such a group was saved, else it stays with its
// bytes. The file-system fence keeps every change inside the work and
// database folders.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "NotesEngine.h"
#include "notes/nsf_reader.h"
#include "notes/templates.h"
#include "testing/fuzz.h"
#include "testing/fuzz_fence.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FuzzInput;

// A new database after this many inputs: each input reads it back whole.
constexpr int kInputsPerDatabase = 50;

// What lies at the members path.
enum class Members { kFile, kFolder, kNothing, kNoPath, kCount };
// The engine's current folder: a folder, a view (which refuses documents)
// or none opened.
enum class Place { kFolder, kView, kNone, kCount };

fs::path g_work;
fs::path g_databases;
fs::path g_members;
std::unique_ptr<CNotesEngine> g_engine;  // with its database
std::unique_ptr<CNotesEngine> g_bare;    // without one
std::size_t g_documents = 0;             // in g_engine's database
int g_inputs = 0;

std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

template <class E>
E Pick(FuzzInput& in) {
  return static_cast<E>(in.Number(1) % static_cast<std::uint64_t>(E::kCount));
}

void NewDatabase() {
  g_engine = std::make_unique<CNotesEngine>();
  testing_support::EmptyFolder(g_databases);
  FUZZ_CHECK(g_engine->CreateNsf(U16(g_databases), u"Box") == TRUE);
  g_documents = 0;
}

void OpenPlace(Place place) {
  LNViewFolder& current = g_engine->CurrentFolder();
  current = LNViewFolder();
  const char* name = place == Place::kFolder ? "($Inbox)" : place == Place::kView ? "($Contacts)" : nullptr;
  if (!name) return;
  FUZZ_CHECK(g_engine->Database().GetViewFolder(name, &current) == LNNOERROR);
  FUZZ_CHECK(current.Open(0) == LNNOERROR);
}

CString Widened(std::string_view bytes) {
  CString text;
  for (unsigned char c : bytes) text += static_cast<char16_t>(c);
  return text;
}

// The members the file's bytes stand for, as the database holds them
// (UTF-8): each LF ends a line, every CR is dropped, a last line without
// its LF counts, and each byte is the character of its value. Notes text
// ends at a NUL, so a line is kept up to its first one.
std::vector<std::string> ExpectedMembers(std::string_view bytes) {
  std::vector<std::string> members;
  CString line;
  bool cut = false;
  for (unsigned char c : bytes) {
    if (c == '\n') {
      members.push_back(win32::Utf16ToUtf8(line));
      line.clear();
      cut = false;
    } else if (c == 0) {
      cut = true;
    } else if (c != '\r' && !cut) {
      line += static_cast<char16_t>(c);
    }
  }
  if (!bytes.empty() && bytes.back() != '\n') members.push_back(win32::Utf16ToUtf8(line));
  return members;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void PrepareMembers(Members kind, std::string_view bytes) {
  std::error_code ec;
  fs::remove_all(g_members, ec);
  if (kind == Members::kFolder) {
    fs::create_directories(g_members);
  } else if (kind == Members::kFile) {
    std::ofstream out(g_members, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
}

// The document the last build saved, if it saved one.
std::optional<notes::DocumentRecord> NewDocument() {
  notes::NsfReader reader;
  notes::DatabaseRecord database;
  FUZZ_CHECK(reader.Open(g_databases / "Box.nsf") == LNNOERROR);
  FUZZ_CHECK(reader.Read(&database) == LNNOERROR);
  FUZZ_CHECK(database.documents.size() == g_documents || database.documents.size() == g_documents + 1);
  if (database.documents.size() == g_documents) return std::nullopt;
  g_documents = database.documents.size();
  return database.documents.back();
}

const notes::ItemRecord* FindItem(const notes::DocumentRecord& document, std::string_view name) {
  const notes::ItemRecord* found = nullptr;
  for (const notes::ItemRecord& item : document.items) {
    if (item.name != name) continue;
    FUZZ_CHECK(!found);  // one item of each name
    found = &item;
  }
  return found;
}

bool TextItemIs(const notes::ItemRecord* item, const std::vector<std::string>& values) {
  return item && item->kind == notes::ItemKind::kText && item->values == values;
}

void CheckGroup(const notes::DocumentRecord& group, Members kind, std::string_view bytes) {
  FUZZ_CHECK(TextItemIs(FindItem(group, "Form"), {"Group"}));
  FUZZ_CHECK(TextItemIs(FindItem(group, "ExcludeFromView"), {"S", "D"}));
  const notes::ItemRecord* members = FindItem(group, "Members");
  switch (kind) {
    case Members::kFile:
      FUZZ_CHECK(TextItemIs(members, ExpectedMembers(bytes)));
      break;
    case Members::kFolder:
      FUZZ_CHECK(TextItemIs(members, {}));
      break;
    default:
      FUZZ_CHECK(!members);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  const auto& machine = testing_support::FuzzMachine();
  std::string error;
  if (!notes::InstallMailTemplates(&error)) testing_support::FuzzFailure(error.c_str());
  g_work = machine.scratch() / "work";
  g_databases = machine.scratch() / "databases";
  g_members = g_work / "DistListInfo.txt";
  fs::create_directories(g_work);
  fs::create_directories(g_databases);
  g_bare = std::make_unique<CNotesEngine>();
  testing_support::fence::SetUp(*argc, *argv, {g_work, g_databases});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (g_inputs++ % kInputsPerDatabase == 0) NewDatabase();
  FuzzInput in(data, size);
  const Members kind = Pick<Members>(in);
  const Place place = Pick<Place>(in);
  const bool withDatabase = in.Number(1) % 4 != 0;
  std::uint32_t got = 0;
  const auto body = in.Bytes(in.Number(1), got);
  const std::string_view bodyBytes(reinterpret_cast<const char*>(body.get()), got);
  std::uint32_t rest = 0;
  const auto members = in.Bytes(size, rest);
  const std::string_view bytes(reinterpret_cast<const char*>(members.get()), rest);

  PrepareMembers(kind, bytes);
  OpenPlace(place);
  CNotesEngine& engine = withDatabase ? *g_engine : *g_bare;
  engine.SetMembersFilePath(kind == Members::kNoPath ? CString() : U16(g_members));
  ItemBlock block;
  block.record.type = kItemDistList;
  block.record.body = Widened(bodyBytes);
  std::int32_t result = -1;
  {
    testing_support::fence::Raised fence;
    try {
      result = engine.BuildGroupDocument(block);
    } catch (LNSTATUS) {
      // a status the library raised: the request fails, as in the engine
    } catch (const std::runtime_error&) {
      // a members file that could not be read: likewise
    }
  }

  const std::optional<notes::DocumentRecord> group = NewDocument();
  if (withDatabase) {
    FUZZ_CHECK(result == kDocumentInserted || result == kDocumentNotesFailure);
    FUZZ_CHECK(group.has_value());
    FUZZ_CHECK((result == kDocumentInserted) == (place == Place::kFolder));
  } else {
    FUZZ_CHECK(result == 0);
    FUZZ_CHECK(!group);
  }
  if (group) CheckGroup(*group, kind, bytes);
  switch (kind) {
    case Members::kFile:
      if (group)
        FUZZ_CHECK(!fs::exists(g_members));
      else
        FUZZ_CHECK(fs::is_regular_file(g_members) && ReadBytes(g_members) == bytes);
      break;
    case Members::kFolder:
      FUZZ_CHECK(fs::is_directory(g_members));
      break;
    default:
      FUZZ_CHECK(!fs::exists(g_members));
      break;
  }
  return 0;
}
