#include <sqlite3.h>
#include <zlib.h>

#include <array>
#include <fstream>
#include <random>

#include "notes_fixture.h"

namespace fs = std::filesystem;

namespace {

using NoteTest = NotesTest;

LNDatetimes Dates(std::initializer_list<std::array<int, 7>> values) {
  LNDatetimes list;
  for (const auto& v : values) {
    LNDatetime d;
    EXPECT_EQ(d.SetDate(v[1], v[2], v[0]), LNNOERROR);
    EXPECT_EQ(d.SetTime(v[3], v[4], v[5], v[6]), LNNOERROR);
    list.Insert(list.GetDatetimeCount(), d);
  }
  return list;
}

const notes::DocumentRecord& Only(const notes::DatabaseRecord& r) {
  EXPECT_EQ(r.documents.size(), 1u);
  return r.documents.at(0);
}

TEST_F(NoteTest, ItemsKeepOrderAndAppendUnderTheOption) {
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  const std::string body1 = "<p>one</p>", body2 = "<p>two</p>";
  ASSERT_EQ(doc.CreateItem("Form", Text({"Memo"}), 8, LNITEMOPTION_APPEND), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Body", LNITEMTYPE_HTML, body1.data(), 10, 8, 0x10000), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("SendTo", Text({"a", "", "c"}), 8, 0x10000), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("body", LNITEMTYPE_HTML, body2.data(), 10, 8, 0x10000), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("PostedDate", Dates({{2024, 3, 15, 14, 5, 0, 0}, {1, 1, 1, 0, 0, 0, 7}, {9999, 12, 31, 23, 59, 59, 99}}), 0, 0x10000),
            LNNOERROR);
  ASSERT_EQ(doc.Save(0), LNNOERROR);

  const notes::DatabaseRecord r = Dump(Scratch("mail.nsf"));
  const auto& d = Only(r);
  ASSERT_EQ(d.items.size(), 5u);
  EXPECT_EQ(d.items[0].name, "Form");
  EXPECT_EQ(d.items[0].values, std::vector<std::string>{"Memo"});
  EXPECT_EQ(d.items[0].flags, 8u);
  EXPECT_EQ(d.items[1].bytes, body1);
  EXPECT_EQ(d.items[2].values, (std::vector<std::string>{"a", "", "c"}));
  EXPECT_EQ(d.items[3].name, "body");
  EXPECT_EQ(d.items[3].bytes, body2);
  EXPECT_EQ(d.items[3].type, 21u);
  EXPECT_EQ(d.items[4].kind, notes::ItemKind::kTime);
  EXPECT_EQ(d.items[4].values, (std::vector<std::string>{"2024-03-15T14:05:00", "0001-01-01T00:00:00.07", "9999-12-31T23:59:59.99"}));
}

TEST_F(NoteTest, WithoutAppendAnItemReplacesAllOfItsName) {
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  ASSERT_EQ(doc.CreateItem("Subject", Text({"1"}), 0, LNITEMOPTION_APPEND), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Form", Text({"Memo"})), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Subject", Text({"2"}), 0, LNITEMOPTION_APPEND), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("SUBJECT", Text({"3"})), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  const notes::DatabaseRecord r = Dump(Scratch("mail.nsf"));
  const auto& d = Only(r);
  ASSERT_EQ(d.items.size(), 2u);
  EXPECT_EQ(d.items[0].name, "SUBJECT");
  EXPECT_EQ(d.items[0].values, std::vector<std::string>{"3"});
  EXPECT_EQ(d.items[1].name, "Form");
}

TEST_F(NoteTest, RawItemsAreKeptByteForByte) {
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  std::u16string html(40000, u'x');
  std::mt19937 rng(7);
  for (char16_t& c : html) c = static_cast<char16_t>(rng());  // surrogates and NULs included
  const std::string odd("\x00\xFF\x01", 3);
  ASSERT_EQ(doc.CreateItem("Body", 21, html.data(), 80000, 8, 0x10000), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Odd", 7, odd.data(), 3, 0, 0x10000), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Empty", 21, nullptr, 0, 0, 0x10000), LNNOERROR);
  EXPECT_EQ(doc.CreateItem("Bad", 21, nullptr, 4), LNERR_NULL_ARGUMENT);
  EXPECT_EQ(doc.CreateItem("Bad", 21, odd.data(), -1), LNERR_BAD_ARGUMENT);
  ASSERT_EQ(doc.Save(), LNNOERROR);

  const notes::DatabaseRecord r = Dump(Scratch("mail.nsf"));
  const auto& d = Only(r);
  ASSERT_EQ(d.items.size(), 3u);
  EXPECT_EQ(d.items[0].bytes, std::string(reinterpret_cast<const char*>(html.data()), 80000));
  EXPECT_EQ(d.items[1].bytes, odd);
  EXPECT_EQ(d.items[1].type, 7u);
  EXPECT_EQ(d.items[2].bytes, "");
}

TEST_F(NoteTest, ItemArgumentsAreChecked) {
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  EXPECT_EQ(doc.CreateItem("", Text({"x"})), LNERR_BAD_ITEM_NAME);
  EXPECT_EQ(doc.CreateItem(std::string(256, 'n'), Text({"x"})), LNERR_BAD_ITEM_NAME);
  EXPECT_EQ(doc.CreateItem(std::string(255, 'n'), Text({"x"})), LNNOERROR);
  EXPECT_EQ(doc.CreateItem("x", Text({"x"}), 0, 0x20000), LNERR_BAD_ARGUMENT);
  LNDatetimes noDate;
  noDate.Insert(0, LNDatetime());
  EXPECT_EQ(doc.CreateItem("When", noDate), LNERR_BAD_DATETIME);
}

TEST_F(NoteTest, UnsavedDocumentsDoNotExistAndSaveRepeats) {
  LNDatabase db = NewMailDatabase();
  LNDocument dropped = NewDocument(db);
  ASSERT_EQ(dropped.CreateItem("Form", Text({"Memo"})), LNNOERROR);
  EXPECT_EQ(dropped.GetNoteID(), 0);
  ASSERT_EQ(dropped.Close(), LNNOERROR);
  EXPECT_EQ(dropped.Open(), LNERR_NOTE_DELETED);
  EXPECT_EQ(dropped.Save(), LNERR_NOTE_DELETED);

  LNDocument doc = NewDocument(db);
  LNDocument copy = doc;  // one document behind both handles
  ASSERT_EQ(doc.CreateItem("Form", Text({"Memo"})), LNNOERROR);
  ASSERT_EQ(copy.Save(), LNNOERROR);
  const LNNOTEID id = doc.GetNoteID();
  EXPECT_NE(id, 0);
  ASSERT_EQ(copy.CreateItem("Subject", Text({"Hi"})), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  EXPECT_EQ(doc.GetNoteID(), id);
  ASSERT_EQ(doc.CreateItem("Lost", Text({"x"})), LNNOERROR);
  ASSERT_EQ(doc.Close(), LNNOERROR);
  EXPECT_EQ(copy.IsOpen(), 0);

  // Opened again, the note reads what was saved; saving it again changes nothing.
  ASSERT_EQ(copy.Open(), LNNOERROR);
  ASSERT_EQ(copy.Save(), LNNOERROR);
  const notes::DatabaseRecord r = Dump(Scratch("mail.nsf"));
  const auto& d = Only(r);
  EXPECT_EQ(d.id, id);
  ASSERT_EQ(d.items.size(), 2u);
  EXPECT_EQ(d.items[1].values, std::vector<std::string>{"Hi"});
}

// How the stored attachments are kept: method and byte count, in order.
std::vector<std::pair<int, std::size_t>> StoredAttachments(const std::string& file) {
  std::vector<std::pair<int, std::size_t>> stored;
  sqlite3* raw = nullptr;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* s = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(raw, "SELECT method, length(data) FROM attachments ORDER BY id", -1, &s, nullptr),
            SQLITE_OK);
  while (sqlite3_step(s) == SQLITE_ROW)
    stored.emplace_back(sqlite3_column_int(s, 0), static_cast<std::size_t>(sqlite3_column_int64(s, 1)));
  sqlite3_finalize(s);
  sqlite3_close(raw);
  return stored;
}

// Text that deflates, and noise that does not (as a photo or an archive).
std::string Letters(std::size_t n) {
  std::string text(n, '\0');
  for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>(i % 3 ? 'a' + i % 7 : 'a' + (i * 7919) % 26);
  return text;
}
std::string Noise(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string noise(n, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  return noise;
}

TEST_F(NoteTest, AttachmentsReadBackByteIdentical) {
  const struct {
    std::string file, name, content;
    LNBOOL compress;
    bool deflated;  // kept as a zlib stream
  } files[] = {
      {"a.bin", "Report.doc", Letters(300000), 1, true},
      {"b.txt", "notes \xE2\x82\xAC.txt", "hello", 0, false},
      {"c.txt", "Report.doc", "", 1, true},
      {"d.jpg", "photo.jpg", Noise(200000, 1), 1, false},
      {"e.txt", "small.txt", Letters(300), 1, true},
      {"f.txt", "judged whole.txt", Letters(40000), 1, true},
      {"g.jpg", "small photo.jpg", Noise(10000, 2), 1, false},
      // Judged by its start: a noisy start is stored, a text start deflated.
      {"h.bin", "noise then text", Noise(20000, 3) + Letters(100000), 1, false},
      {"i.bin", "text then noise", Letters(20000) + Noise(100000, 4), 1, true},
  };
  for (const auto& f : files) std::ofstream(Scratch(f.file), std::ios::binary) << f.content;

  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  for (const auto& f : files) {
    LNAttachment a;
    ASSERT_EQ(doc.CreateAttachment(Scratch(f.file), f.name, f.compress, &a), LNNOERROR) << f.file;
    EXPECT_EQ(a.GetSize(), static_cast<std::int64_t>(f.content.size()));
    ASSERT_EQ(doc.Save(0), LNNOERROR);  // once per attachment, as a builder does
    fs::remove(Scratch(f.file));
  }
  EXPECT_EQ(doc.CreateAttachment(Scratch("a.bin"), "gone.bin"), LNERR_ATTACH_FILE_UNREADABLE);
  EXPECT_EQ(doc.CreateAttachment(Scratch(""), "folder"), LNERR_ATTACH_FILE_UNREADABLE);
  EXPECT_EQ(doc.CreateAttachment(Scratch("x"), ""), LNERR_BAD_ATTACHMENT_NAME);

  notes::NsfReader reader;
  notes::DatabaseRecord r;
  ASSERT_EQ(reader.Open(Scratch("mail.nsf")), LNNOERROR);
  ASSERT_EQ(reader.Read(&r), LNNOERROR);
  const auto& attachments = r.documents.at(0).attachments;
  const auto stored = StoredAttachments(Scratch("mail.nsf"));
  ASSERT_EQ(attachments.size(), std::size(files));
  ASSERT_EQ(stored.size(), std::size(files));
  for (std::size_t i = 0; i < std::size(files); ++i) {
    EXPECT_EQ(attachments[i].name, files[i].name);
    EXPECT_EQ(attachments[i].size, files[i].content.size());
    std::string content;
    ASSERT_EQ(reader.ReadAttachment(attachments[i].id, &content), LNNOERROR);
    EXPECT_TRUE(content == files[i].content) << files[i].file;
    EXPECT_EQ(stored[i].first, files[i].deflated ? 1 : 0) << files[i].file;
    if (files[i].deflated && files[i].content.size() > 1000) {
      EXPECT_LT(stored[i].second, files[i].content.size()) << files[i].file;
    }
  }
}

// A builder saves once per attachment: the items stay whole, and an item
// changed after those saves is what the next save keeps.
TEST_F(NoteTest, SavesBetweenAttachmentsKeepTheItemsAndLaterChanges) {
  std::ofstream(Scratch("a.txt")) << "attached";
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  ASSERT_EQ(doc.CreateItem("Subject", Text({"First"})), LNNOERROR);
  ASSERT_EQ(doc.CreateItem("Body", Text({"Hello", "there"})), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  for (const char* name : {"one.txt", "two.txt"}) {
    ASSERT_EQ(doc.CreateAttachment(Scratch("a.txt"), name), LNNOERROR);
    ASSERT_EQ(doc.Save(), LNNOERROR);
  }
  auto items = Only(Dump(Scratch("mail.nsf"))).items;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1].values, (std::vector<std::string>{"Hello", "there"}));

  ASSERT_EQ(doc.CreateItem("Subject", Text({"Second"})), LNNOERROR);
  ASSERT_EQ(doc.Save(), LNNOERROR);
  const notes::DatabaseRecord r = Dump(Scratch("mail.nsf"));
  items = Only(r).items;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].values, std::vector<std::string>{"Second"});
  EXPECT_EQ(Only(r).attachments.size(), 2u);
}

// Databases written before keep their attachments deflated at zlib's
// default and best levels; they read as they were.
TEST_F(NoteTest, AttachmentsDeflatedByEarlierWritersStillRead) {
  const std::string contents[] = {Letters(70000), Letters(200) + Noise(50000, 5), ""};
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  for (std::size_t i = 0; i < std::size(contents); ++i) {
    std::ofstream(Scratch("old.bin"), std::ios::binary) << contents[i];
    ASSERT_EQ(doc.CreateAttachment(Scratch("old.bin"), "old" + std::to_string(i), 0), LNNOERROR);
  }
  ASSERT_EQ(doc.Save(0), LNNOERROR);
  ASSERT_EQ(db.Close(), LNNOERROR);
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(Scratch("mail.nsf").c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "UPDATE attachments SET method = 1, data = ? WHERE name = ?", -1, &s, nullptr),
              SQLITE_OK);
    for (std::size_t i = 0; i < std::size(contents); ++i) {
      std::string deflated(compressBound(contents[i].size()), '\0');
      uLongf size = deflated.size();
      const int level = i % 2 ? Z_BEST_COMPRESSION : Z_DEFAULT_COMPRESSION;
      ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(deflated.data()), &size,
                          reinterpret_cast<const Bytef*>(contents[i].data()), contents[i].size(), level),
                Z_OK);
      const std::string name = "old" + std::to_string(i);
      sqlite3_bind_blob(s, 1, deflated.data(), static_cast<int>(size), SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, name.c_str(), -1, SQLITE_TRANSIENT);
      ASSERT_EQ(sqlite3_step(s), SQLITE_DONE);
      sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_close(raw);
  }
  ASSERT_EQ(StoredAttachments(Scratch("mail.nsf")).at(0).first, 1);
  notes::NsfReader reader;
  notes::DatabaseRecord r;
  ASSERT_EQ(reader.Open(Scratch("mail.nsf")), LNNOERROR);
  ASSERT_EQ(reader.Read(&r), LNNOERROR);
  const auto& attachments = r.documents.at(0).attachments;
  ASSERT_EQ(attachments.size(), std::size(contents));
  for (std::size_t i = 0; i < std::size(contents); ++i) {
    std::string content;
    ASSERT_EQ(reader.ReadAttachment(attachments[i].id, &content), LNNOERROR);
    EXPECT_TRUE(content == contents[i]) << i;
  }
}

TEST_F(NoteTest, WindowsPathOfAnAttachment) {
  std::ofstream(Scratch("w.txt")) << "win";
  std::string path = Scratch("w.txt");
  std::replace(path.begin(), path.end(), '/', '\\');
  LNDatabase db = NewMailDatabase();
  LNDocument doc = NewDocument(db);
  EXPECT_EQ(doc.CreateAttachment(path, "w.txt", 1), LNNOERROR);
}

}  // namespace
