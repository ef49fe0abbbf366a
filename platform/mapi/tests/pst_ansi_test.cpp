// An ANSI PST through the stand-in: its 8-bit strings come back as
// PT_STRING8 in the file's code page (Windows-1252) and as PT_UNICODE when
// asked with MAPI_UNICODE, in GetProps and in table columns, and the file
// answers as the Unicode file of the same description does.
#include <functional>
#include <map>

#include "pst_test_support.h"

namespace {

using namespace pst_test;

// Windows-1252 text: é E9, – 96, £ A3, ü FC, ë EB, € 80, § A7.
const char* const kDescription = R"({"format": "%FORMAT%",
  "store": {"display_name": "Caf\u00e9 Archiv"},
  "folders": [
    {"name": "Entw\u00fcrfe", "class": "IPF.Note", "messages": [
       {"props": {"PR_SUBJECT_W": "Caf\u00e9 \u2013 \u00a35", "PR_BODY_W": "Cr\u00e8me br\u00fbl\u00e9e \u20ac",
                  "PR_SENDER_NAME_W": "Bj\u00f8rn", "0x6004101F": ["\u00fcber", "na\u00efve"]},
        "named": [{"set": "PS_PUBLIC_STRINGS", "name": "Stichw\u00f6rter", "type": "PT_UNICODE", "value": "r\u00f6t"}],
        "recipients": [{"type": "to", "name": "Zo\u00eb M\u00fcller", "email": "zoe@example.com"}],
        "attachments": [
          {"method": 1, "long_filename": "R\u00e9sum\u00e9.txt", "data": "base64:aGVsbG8="},
          {"method": 5, "display_name": "Weiter", "message": {"props": {"PR_SUBJECT_W": "Inner \u00a7 1"}}}]},
       {"props": {"PR_SUBJECT_W": "Zweite", "PR_MESSAGE_FLAGS": 0}}],
     "folders": [{"name": "Unterordner"}]},
    {"name": "Kontakte", "class": "IPF.Contact", "messages": [
       {"class": "IPM.Contact", "props": {"PR_DISPLAY_NAME_W": "Ren\u00e9e"}}]}]})";

std::string Described(const std::string& format) {
  std::string json = kDescription;
  json.replace(json.find("%FORMAT%"), 8, format);
  return json;
}

// A value as text, so that the answers of two stores compare whole.
std::string Show(const SPropValue& v) {
  std::string type = std::to_string(PROP_TYPE(v.ulPropTag)) + ":";
  switch (PROP_TYPE(v.ulPropTag)) {
    case PT_STRING8: return type + v.Value.lpszA;
    case PT_UNICODE: return type + win32::Utf16ToUtf8(v.Value.lpszW);
    case PT_BINARY: return type + Bytes(v);
    case PT_MV_STRING8: {
      for (ULONG i = 0; i < v.Value.MVszA.cValues; ++i) type += std::string(v.Value.MVszA.lppszA[i]) + "|";
      return type;
    }
    case PT_MV_UNICODE: {
      for (ULONG i = 0; i < v.Value.MVszW.cValues; ++i) type += win32::Utf16ToUtf8(v.Value.MVszW.lppszW[i]) + "|";
      return type;
    }
    case PT_OBJECT: return type;
    case PT_ERROR: return type + std::to_string(v.Value.err);
    case PT_LONG: return type + std::to_string(v.Value.l);
    case PT_I2: return type + std::to_string(v.Value.i);
    case PT_BOOLEAN: return type + std::to_string(v.Value.b);
    default: return type + std::to_string(v.Value.li.QuadPart);  // the 8-byte values
  }
}

std::map<ULONG, std::string> Shown(const SPropValue* v, ULONG n) {
  std::map<ULONG, std::string> out;
  for (ULONG i = 0; i < n; ++i) out[v[i].ulPropTag] = Show(v[i]);
  return out;
}

std::map<ULONG, std::string> AllProps(IMAPIProp* obj, ULONG flags) {
  Values v = GetProps(obj, {}, flags);
  EXPECT_EQ(v.hr, S_OK);
  return Shown(v.values.get(), v.count);
}

// Every row of a table with its default columns.
std::vector<std::map<ULONG, std::string>> Rows(IMAPITable* table) {
  LPSRowSet raw = nullptr;
  EXPECT_EQ(HrQueryAllRows(table, nullptr, nullptr, nullptr, 0, &raw), S_OK);
  mapi::RowSet rows(raw);
  std::vector<std::map<ULONG, std::string>> out;
  for (ULONG i = 0; rows && i < rows->cRows; ++i) out.push_back(Shown(rows->aRow[i].lpProps, rows->aRow[i].cValues));
  return out;
}

class PstAnsi : public ::testing::Test {
 protected:
  void SetUp() override {
    ansi_ = OpenStore(MakePst(machine_.scratch(), Described("ansi"), "ansi.pst"));
    unicode_ = OpenStore(MakePst(machine_.scratch(), Described("unicode"), "unicode.pst"));
    ASSERT_TRUE(ansi_ && unicode_);
    subtree_ = Open<IMAPIFolder>(ansi_.Get(), GetProps(ansi_.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
    ComPtr<IMAPITable> level;
    ASSERT_EQ(subtree_->GetHierarchyTable(0, level.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet folders = AllRows(level.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID});
    for (ULONG i = 0; i < folders->cRows; ++i)
      if (Text(folders->aRow[i].lpProps[0]) == u"Entw\u00fcrfe")
        drafts_ = Open<IMAPIFolder>(ansi_.Get(), folders->aRow[i].lpProps[1]);
    ASSERT_TRUE(drafts_);
    ComPtr<IMAPITable> contents;
    ASSERT_EQ(drafts_->GetContentsTable(0, contents.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet rows = AllRows(contents.Get(), {PR_ENTRYID});
    ASSERT_EQ(rows->cRows, 2u);
    message_ = Open<IMessage>(ansi_.Get(), rows->aRow[0].lpProps[0], MAPI_BEST_ACCESS);
    ASSERT_TRUE(message_);
  }
  ComPtr<IAttach> Attachment(LONG n) {
    ComPtr<IAttach> a;
    EXPECT_EQ(message_->OpenAttach(n, nullptr, MAPI_BEST_ACCESS, a.ReleaseAndGetAddressOf()), S_OK);
    return a;
  }

  testing_support::TempMachine machine_;
  ComPtr<IMsgStore> ansi_, unicode_;
  ComPtr<IMAPIFolder> subtree_, drafts_;
  ComPtr<IMessage> message_;
};

// The 8-bit value as stored, the Unicode one converted, and a tag without a
// type answered by the flags.
void ExpectBothWidths(IMAPIProp* obj, ULONG id, const std::string& cp1252, const std::u16string& text) {
  SCOPED_TRACE(win32::Utf16ToUtf8(text));
  const ULONG unspecified = PROP_TAG(PT_UNSPECIFIED, id);
  Values narrow = GetProps(obj, {PROP_TAG(PT_STRING8, id), PROP_TAG(PT_UNICODE, id), unspecified});
  ASSERT_EQ(narrow.hr, S_OK);
  EXPECT_EQ(narrow[0].ulPropTag, PROP_TAG(PT_STRING8, id));
  EXPECT_EQ(std::string(narrow[0].Value.lpszA), cp1252);
  EXPECT_EQ(narrow[1].ulPropTag, PROP_TAG(PT_UNICODE, id));
  EXPECT_EQ(Text(narrow[1]), text);
  EXPECT_EQ(narrow[2].ulPropTag, PROP_TAG(PT_STRING8, id));
  Values wide = GetProps(obj, {unspecified}, MAPI_UNICODE);
  ASSERT_EQ(wide.hr, S_OK);
  EXPECT_EQ(wide[0].ulPropTag, PROP_TAG(PT_UNICODE, id));
  EXPECT_EQ(Text(wide[0]), text);
}

TEST_F(PstAnsi, PropertiesComeAsString8InTheCodePageOrAsUnicodeWhenAsked) {
  ComPtr<IAttach> file = Attachment(0);
  ComPtr<IMessage> inner;
  ASSERT_EQ(Attachment(1)->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                        reinterpret_cast<LPUNKNOWN*>(inner.ReleaseAndGetAddressOf())),
            S_OK);
  struct Case {
    IMAPIProp* object;
    ULONG id;
    std::string cp1252;
    std::u16string text;
  } cases[] = {
      {drafts_.Get(), PROP_ID(PR_DISPLAY_NAME), "Entw\xFCrfe", u"Entw\u00fcrfe"},
      {message_.Get(), PROP_ID(PR_SUBJECT), "Caf\xE9 \x96 \xA3" "5", u"Caf\u00e9 \u2013 \u00a35"},
      {message_.Get(), PROP_ID(PR_BODY), "Cr\xE8me br\xFBl\xE9" "e \x80", u"Cr\u00e8me br\u00fbl\u00e9e \u20ac"},
      {message_.Get(), PROP_ID(PR_DISPLAY_TO), "Zo\xEB M\xFCller", u"Zo\u00eb M\u00fcller"},
      {file.Get(), PROP_ID(PR_ATTACH_LONG_FILENAME), "R\xE9sum\xE9.txt", u"R\u00e9sum\u00e9.txt"},
      {inner.Get(), PROP_ID(PR_SUBJECT), "Inner \xA7 1", u"Inner \u00a7 1"},
  };
  for (const Case& c : cases) ExpectBothWidths(c.object, c.id, c.cp1252, c.text);

  // All properties: strings of one width, as the flags ask.
  for (ULONG flags : {0u, ULONG(MAPI_UNICODE)}) {
    Values all = GetProps(message_.Get(), {}, flags);
    ASSERT_EQ(all.hr, S_OK);
    const ULONG other = flags ? PT_STRING8 : PT_UNICODE;
    bool sawMulti = false, sawNamed = false;
    for (ULONG i = 0; i < all.count; ++i) {
      ULONG type = PROP_TYPE(all[i].ulPropTag);
      EXPECT_NE(type & ~MV_FLAG, other) << std::hex << all[i].ulPropTag;
      if (PROP_ID(all[i].ulPropTag) == 0x6004) {
        sawMulti = true;
        EXPECT_EQ(Show(all[i]), flags ? std::to_string(PT_MV_UNICODE) + ":\u00fcber|na\u00efve|"
                                      : std::to_string(PT_MV_STRING8) + ":\xFC" "ber|na\xEF" "ve|");
      }
      if (PROP_ID(all[i].ulPropTag) >= 0x8000) {  // the one named property
        sawNamed = true;
        EXPECT_EQ(Show(all[i]),
                  flags ? std::to_string(PT_UNICODE) + ":r\u00f6t" : std::to_string(PT_STRING8) + ":r\xF6t");
      }
    }
    EXPECT_TRUE(sawMulti && sawNamed);
  }
}

TEST_F(PstAnsi, TableColumnsComeInEitherWidth) {
  struct Case {
    std::function<HRESULT(ULONG, LPMAPITABLE*)> open;
    ULONG id;
    std::vector<std::string> cp1252;  // the rows' values, in order
    std::vector<std::u16string> text;
  } cases[] = {
      {[&](ULONG f, LPMAPITABLE* t) { return subtree_->GetHierarchyTable(f, t); }, PROP_ID(PR_DISPLAY_NAME),
       {"Deleted Items", "Entw\xFCrfe", "Kontakte"}, {u"Deleted Items", u"Entw\u00fcrfe", u"Kontakte"}},
      {[&](ULONG f, LPMAPITABLE* t) { return drafts_->GetContentsTable(f, t); }, PROP_ID(PR_SUBJECT),
       {"Caf\xE9 \x96 \xA3" "5", "Zweite"}, {u"Caf\u00e9 \u2013 \u00a35", u"Zweite"}},
      {[&](ULONG f, LPMAPITABLE* t) { return message_->GetRecipientTable(f, t); }, PROP_ID(PR_DISPLAY_NAME),
       {"Zo\xEB M\xFCller"}, {u"Zo\u00eb M\u00fcller"}},
      {[&](ULONG f, LPMAPITABLE* t) { return message_->GetAttachmentTable(f, t); }, PROP_ID(PR_ATTACH_FILENAME),
       {"R\xE9sum\xE9.txt", ""}, {u"R\u00e9sum\u00e9.txt", u""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id));
    for (ULONG flags : {0u, ULONG(MAPI_UNICODE)}) {
      ComPtr<IMAPITable> table;
      ASSERT_EQ(c.open(flags, table.ReleaseAndGetAddressOf()), S_OK);
      mapi::RowSet rows = AllRows(table.Get(), {PROP_TAG(PT_STRING8, c.id), PROP_TAG(PT_UNICODE, c.id),
                                                PROP_TAG(PT_UNSPECIFIED, c.id)});
      ASSERT_EQ(rows->cRows, c.text.size());
      for (ULONG i = 0; i < rows->cRows; ++i) {
        const SPropValue* v = rows->aRow[i].lpProps;
        if (c.text[i].empty()) {  // the embedded message has no file name
          EXPECT_TRUE(IsNotFound(v[0]) && IsNotFound(v[1]) && IsNotFound(v[2]));
          continue;
        }
        EXPECT_EQ(std::string(v[0].Value.lpszA), c.cp1252[i]);
        EXPECT_EQ(Text(v[1]), c.text[i]);
        EXPECT_EQ(PROP_TYPE(v[2].ulPropTag), flags ? ULONG(PT_UNICODE) : ULONG(PT_STRING8));
        EXPECT_EQ(flags ? Text(v[2]) : std::u16string(), flags ? c.text[i] : u"");
      }
    }
  }
}

// Folder tree, counts and every object's properties, in both widths, as the
// Unicode file of the same description answers.
TEST_F(PstAnsi, AnswersAsItsUnicodeTwin) {
  int folders = 0, messages = 0;
  std::function<void(IMessage*, IMessage*)> compareMessage = [&](IMessage* a, IMessage* u) {
    ++messages;
    for (ULONG flags : {0u, ULONG(MAPI_UNICODE)}) {
      EXPECT_EQ(AllProps(a, flags), AllProps(u, flags));
      ComPtr<IMAPITable> ar, ur, aa, ua;
      ASSERT_EQ(a->GetRecipientTable(flags, ar.ReleaseAndGetAddressOf()), S_OK);
      ASSERT_EQ(u->GetRecipientTable(flags, ur.ReleaseAndGetAddressOf()), S_OK);
      EXPECT_EQ(Rows(ar.Get()), Rows(ur.Get()));
      ASSERT_EQ(a->GetAttachmentTable(flags, aa.ReleaseAndGetAddressOf()), S_OK);
      ASSERT_EQ(u->GetAttachmentTable(flags, ua.ReleaseAndGetAddressOf()), S_OK);
      EXPECT_EQ(Rows(aa.Get()), Rows(ua.Get()));
    }
    mapi::RowSet list = AllRows([&] {
      ComPtr<IMAPITable> t;
      a->GetAttachmentTable(0, t.ReleaseAndGetAddressOf());
      return t;
    }().Get(), {PR_ATTACH_NUM, PR_ATTACH_METHOD});
    for (ULONG i = 0; i < list->cRows; ++i) {
      LONG n = list->aRow[i].lpProps[0].Value.l;
      ComPtr<IAttach> at, ut;
      ASSERT_EQ(a->OpenAttach(n, nullptr, MAPI_BEST_ACCESS, at.ReleaseAndGetAddressOf()), S_OK);
      ASSERT_EQ(u->OpenAttach(n, nullptr, MAPI_BEST_ACCESS, ut.ReleaseAndGetAddressOf()), S_OK);
      for (ULONG flags : {0u, ULONG(MAPI_UNICODE)}) EXPECT_EQ(AllProps(at.Get(), flags), AllProps(ut.Get(), flags));
      if (list->aRow[i].lpProps[1].Value.l != ATTACH_EMBEDDED_MSG) continue;
      ComPtr<IMessage> ai, ui;
      ASSERT_EQ(at->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                 reinterpret_cast<LPUNKNOWN*>(ai.ReleaseAndGetAddressOf())),
                S_OK);
      ASSERT_EQ(ut->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                 reinterpret_cast<LPUNKNOWN*>(ui.ReleaseAndGetAddressOf())),
                S_OK);
      compareMessage(ai.Get(), ui.Get());
    }
  };
  std::function<void(IMAPIFolder*, IMAPIFolder*)> compareFolder = [&](IMAPIFolder* a, IMAPIFolder* u) {
    ++folders;
    for (ULONG flags : {0u, ULONG(MAPI_UNICODE)}) {
      EXPECT_EQ(AllProps(a, flags), AllProps(u, flags));
      ComPtr<IMAPITable> ah, uh, ac, uc;
      ASSERT_EQ(a->GetHierarchyTable(flags, ah.ReleaseAndGetAddressOf()), S_OK);
      ASSERT_EQ(u->GetHierarchyTable(flags, uh.ReleaseAndGetAddressOf()), S_OK);
      EXPECT_EQ(Rows(ah.Get()), Rows(uh.Get()));
      ASSERT_EQ(a->GetContentsTable(flags, ac.ReleaseAndGetAddressOf()), S_OK);
      ASSERT_EQ(u->GetContentsTable(flags, uc.ReleaseAndGetAddressOf()), S_OK);
      EXPECT_EQ(Rows(ac.Get()), Rows(uc.Get()));
    }
    ComPtr<IMAPITable> contents, hierarchy;
    ASSERT_EQ(a->GetContentsTable(0, contents.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet items = AllRows(contents.Get(), {PR_ENTRYID});
    for (ULONG i = 0; i < items->cRows; ++i)
      compareMessage(Open<IMessage>(ansi_.Get(), items->aRow[i].lpProps[0]).Get(),
                     Open<IMessage>(unicode_.Get(), items->aRow[i].lpProps[0]).Get());
    ASSERT_EQ(a->GetHierarchyTable(0, hierarchy.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet subs = AllRows(hierarchy.Get(), {PR_ENTRYID});
    for (ULONG i = 0; i < subs->cRows; ++i)
      compareFolder(Open<IMAPIFolder>(ansi_.Get(), subs->aRow[i].lpProps[0]).Get(),
                    Open<IMAPIFolder>(unicode_.Get(), subs->aRow[i].lpProps[0]).Get());
  };
  for (ULONG flags : {0u, ULONG(MAPI_UNICODE)})
    EXPECT_EQ(AllProps(ansi_.Get(), flags), AllProps(unicode_.Get(), flags));
  auto root = [](IMsgStore* s) {
    ComPtr<IMAPIFolder> f;
    ULONG type = 0;
    EXPECT_EQ(s->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type,
                           reinterpret_cast<LPUNKNOWN*>(f.ReleaseAndGetAddressOf())),
              S_OK);
    return f;
  };
  compareFolder(root(ansi_.Get()).Get(), root(unicode_.Get()).Get());
  EXPECT_EQ(folders, 7);   // root, subtree, search root, deleted items, two described and one below
  EXPECT_EQ(messages, 4);  // three in folders, one embedded
}

}  // namespace
