// Messages of a PST that pstgen wrote: attachments of every method with
// their exact bytes, embedded messages to any depth, OLE objects, recipient
// rows and string-named properties.
#include "com/storage.h"
#include "mapi/props.h"
#include "pst_test_support.h"

namespace {

using namespace pst_test;

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out = "hex:";
  for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

// A docfile holding one stream "CONTENTS".
std::string OleDocfile(const std::filesystem::path& dir, const std::string& contents) {
  auto path = (dir / "object.ole").u16string();
  ComPtr<IStorage> stg;
  EXPECT_EQ(StgCreateDocfile(reinterpret_cast<LPCOLESTR>(path.c_str()), STGM_READWRITE | STGM_CREATE | STGM_SHARE_EXCLUSIVE, 0,
                             stg.ReleaseAndGetAddressOf()),
            S_OK);
  ComPtr<IStream> s;
  EXPECT_EQ(stg->CreateStream(u"CONTENTS", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, s.ReleaseAndGetAddressOf()), S_OK);
  s->Write(contents.data(), static_cast<ULONG>(contents.size()), nullptr);
  s.Reset();
  stg->Commit(STGC_DEFAULT);
  stg.Reset();
  std::ifstream in(dir / "object.ole", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class PstMade : public ::testing::Test {
 protected:
  void SetUp() override {
    ole_ = OleDocfile(machine_.scratch(), "ole contents");
    big_ = Pattern(1536 * 1024);
    std::string json = R"({"store": {"display_name": "Made"}, "folders": [{"name": "Inbox", "messages": [
      {"props": {"PR_SUBJECT_W": "Attachments", "PR_BODY_W": "body"},
       "named": [{"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["red", "blue"]},
                 {"set": "PSETID_Appointment", "lid": 33293, "type": "PT_SYSTIME", "value": "2024-03-15T13:05:00Z"}],
       "recipients": [{"type": "to", "name": "Ann", "email": "ann@example.com"},
                      {"type": "cc", "name": "Bob"}],
       "attachments": [
         {"method": 1, "long_filename": "a.txt", "data": "base64:aGVsbG8gd29ybGQ="},
         {"method": 0, "display_name": "nothing"},
         {"method": 2, "long_filename": "ref.txt", "pathname": "C:\\ref.txt"},
         {"method": 3, "long_filename": "ref3.txt", "pathname": "C:\\ref3.txt"},
         {"method": 4, "long_filename": "ref4.txt", "data": "base64:cmVmIG9ubHkgYnl0ZXM="},
         {"method": 5, "display_name": "Fwd", "message": {"props": {"PR_SUBJECT_W": "level 1"},
           "attachments": [{"method": 5, "display_name": "Inner", "message": {"props": {"PR_SUBJECT_W": "level 2"},
             "attachments": [{"method": 1, "long_filename": "deep.bin", "data": "hex:00010203"}]}}]}},
         {"method": 6, "display_name": "Picture", "data": ")" + Hex(ole_) + R"("},
         {"method": 7, "long_filename": "web"},
         {"method": 1, "long_filename": "big.bin", "data": ")" + Hex(big_) + R"("}]},
      {"class": "IPM.Note", "props": {}}]}]})";
    path_ = MakePst(machine_.scratch(), json);
    store_ = OpenStore(path_);
    ASSERT_TRUE(store_);
    ComPtr<IMAPIFolder> top = Open<IMAPIFolder>(store_.Get(), GetProps(store_.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
    ComPtr<IMAPITable> level;
    ASSERT_EQ(top->GetHierarchyTable(0, level.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet folders = AllRows(level.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID});
    for (ULONG i = 0; i < folders->cRows; ++i)
      if (Utf8(folders->aRow[i].lpProps[0]) == "Inbox") inbox_ = Open<IMAPIFolder>(store_.Get(), folders->aRow[i].lpProps[1]);
    ASSERT_TRUE(inbox_);
    ComPtr<IMAPITable> contents;
    ASSERT_EQ(inbox_->GetContentsTable(0, contents.ReleaseAndGetAddressOf()), S_OK);
    rows_ = AllRows(contents.Get(), {PR_ENTRYID, PR_SUBJECT_W});
    ASSERT_EQ(rows_->cRows, 2u);
    message_ = Open<IMessage>(store_.Get(), rows_->aRow[0].lpProps[0], MAPI_BEST_ACCESS);
    ASSERT_TRUE(message_);
  }
  ComPtr<IAttach> Attachment(IMessage* msg, ULONG n) {
    ComPtr<IAttach> a;
    EXPECT_EQ(msg->OpenAttach(n, nullptr, MAPI_BEST_ACCESS, a.ReleaseAndGetAddressOf()), S_OK);
    return a;
  }
  template <class T>
  HRESULT OpenData(IAttach* a, ULONG tag, const IID& iid, ComPtr<T>* out) {
    return a->OpenProperty(tag, &iid, 0, 0, reinterpret_cast<LPUNKNOWN*>(out->ReleaseAndGetAddressOf()));
  }

  testing_support::TempMachine machine_;
  std::string ole_, big_;
  std::filesystem::path path_;
  ComPtr<IMsgStore> store_;
  ComPtr<IMAPIFolder> inbox_;
  mapi::RowSet rows_;
  ComPtr<IMessage> message_;
};

TEST_F(PstMade, AttachmentsOfEveryMethodGiveTheirStoredBytes) {
  struct Case {
    ULONG num;
    LONG method;
    const char* data;  // null: none
  } cases[] = {{0, 1, "hello world"}, {1, 0, nullptr}, {2, 2, nullptr}, {3, 3, nullptr}, {4, 4, "ref only bytes"},
               {7, 7, nullptr}};
  ComPtr<IMAPITable> table;
  ASSERT_EQ(message_->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(table.Get(), {PR_ATTACH_NUM, PR_ATTACH_METHOD});
  ASSERT_EQ(rows->cRows, 9u);
  for (const Case& c : cases) {
    EXPECT_EQ(rows->aRow[c.num].lpProps[0].Value.l, static_cast<LONG>(c.num));
    EXPECT_EQ(rows->aRow[c.num].lpProps[1].Value.l, c.method) << c.num;
    ComPtr<IAttach> a = Attachment(message_.Get(), c.num);
    Values v = GetProps(a.Get(), {PR_ATTACH_METHOD, PR_ATTACH_DATA_BIN});
    EXPECT_EQ(v[0].Value.l, c.method) << c.num;
    ComPtr<IStream> s;
    HRESULT hr = OpenData(a.Get(), PR_ATTACH_DATA_BIN, IID_IStream, &s);
    if (!c.data) {
      EXPECT_TRUE(IsNotFound(v[1])) << c.num;
      EXPECT_EQ(hr, MAPI_E_NOT_FOUND) << c.num;
      continue;
    }
    EXPECT_EQ(Bytes(v[1]), c.data) << c.num;
    ASSERT_EQ(hr, S_OK) << c.num;
    EXPECT_EQ(ReadStream(s.Get()), c.data) << c.num;
  }
  ComPtr<IMessage> notEmbedded;
  EXPECT_EQ(OpenData(Attachment(message_.Get(), 0).Get(), PR_ATTACH_DATA_OBJ, IID_IMessage, &notEmbedded),
            MAPI_E_NOT_FOUND);
  EXPECT_EQ(message_->OpenAttach(9, nullptr, 0, nullptr), MAPI_E_INVALID_PARAMETER);
  ComPtr<IAttach> none;
  EXPECT_EQ(message_->OpenAttach(9, nullptr, 0, none.ReleaseAndGetAddressOf()), MAPI_E_NOT_FOUND);
}

// A first call that names no data leaves it out; whatever asks for it next,
// by tag, by the whole list or by a copy, still sees it.
TEST_F(PstMade, DataStaysAmongThePropertiesAfterACallWithoutIt) {
  ComPtr<IAttach> a = Attachment(message_.Get(), 0);
  EXPECT_EQ(GetProps(a.Get(), {PR_ATTACH_METHOD})[0].Value.l, ATTACH_BY_VALUE);
  mapi::Buffer<SPropTagArray> list;
  ASSERT_EQ(a->GetPropList(0, mapi::Out(list)), S_OK);
  EXPECT_TRUE(mapi::InTags(list.get(), PR_ATTACH_DATA_BIN));
  EXPECT_EQ(Bytes(GetProps(a.Get(), {PR_ATTACH_DATA_BIN})[0]), "hello world");

  ComPtr<IAttach> b = Attachment(message_.Get(), 0);
  EXPECT_EQ(GetProps(b.Get(), {PR_ATTACH_LONG_FILENAME_W}).hr, S_OK);
  Values all = GetProps(b.Get(), {});
  bool found = false;
  for (ULONG i = 0; i < all.count; ++i)
    if (all[i].ulPropTag == PR_ATTACH_DATA_BIN) found = Bytes(all[i]) == "hello world";
  EXPECT_TRUE(found);
}

// Data too large for GetProps comes whole through the stream, piece by piece.
TEST_F(PstMade, LargeAttachmentDataIsReadThroughItsStream) {
  ComPtr<IAttach> a = Attachment(message_.Get(), 8);
  Values v = GetProps(a.Get(), {PR_ATTACH_DATA_BIN});
  EXPECT_EQ(v.hr, MAPI_W_ERRORS_RETURNED);
  EXPECT_EQ(v[0].Value.err, MAPI_E_NOT_ENOUGH_MEMORY);
  ComPtr<IStream> s;
  ASSERT_EQ(OpenData(a.Get(), PR_ATTACH_DATA_BIN, IID_IStream, &s), S_OK);
  STATSTG st{};
  ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(st.cbSize.QuadPart, big_.size());
  EXPECT_EQ(ReadStream(s.Get()), big_);
  // Seek back into the middle and copy the rest to another stream.
  LARGE_INTEGER to{};
  to.QuadPart = 1000;
  ASSERT_EQ(s->Seek(to, STREAM_SEEK_SET, nullptr), S_OK);
  ComPtr<IStream> copy;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, copy.ReleaseAndGetAddressOf()), S_OK);
  ULARGE_INTEGER all{}, read{}, written{};
  all.QuadPart = UINT64_MAX;
  ASSERT_EQ(s->CopyTo(copy.Get(), all, &read, &written), S_OK);
  EXPECT_EQ(read.QuadPart, big_.size() - 1000);
  EXPECT_EQ(written.QuadPart, big_.size() - 1000);
  EXPECT_EQ(s->Write("x", 1, nullptr), STG_E_ACCESSDENIED);
}

TEST_F(PstMade, EmbeddedMessagesOpenToAnyDepth) {
  ComPtr<IMessage> level = message_;
  for (const char* subject : {"level 1", "level 2"}) {
    ComPtr<IAttach> a = Attachment(level.Get(), level == message_ ? 5 : 0);
    ComPtr<IMessage> inner;
    ASSERT_EQ(OpenData(a.Get(), PR_ATTACH_DATA_OBJ, IID_IMessage, &inner), S_OK) << subject;
    a.Reset();  // the inner message keeps what it needs
    Values v = GetProps(inner.Get(), {PR_SUBJECT_W, PR_ENTRYID});
    EXPECT_EQ(Utf8(v[0]), subject);
    EXPECT_TRUE(IsNotFound(v[1])) << subject;  // embedded messages have no entry id
    level = inner;
  }
  message_.Reset();
  ComPtr<IAttach> deep = Attachment(level.Get(), 0);
  ComPtr<IStream> s;
  ASSERT_EQ(OpenData(deep.Get(), PR_ATTACH_DATA_BIN, IID_IStream, &s), S_OK);
  EXPECT_EQ(ReadStream(s.Get()), std::string("\0\1\2\3", 4));
}

// Attachments opened after their table, with the table asked for again and
// the message let go, read as whole as ones opened without it.
TEST_F(PstMade, AttachmentsOpenedAfterTheirTableOutliveTheMessage) {
  for (int i = 0; i < 2; ++i) {
    ComPtr<IMAPITable> table;
    ASSERT_EQ(message_->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  }
  ComPtr<IAttach> big = Attachment(message_.Get(), 8), again = Attachment(message_.Get(), 8);
  ComPtr<IAttach> embedded = Attachment(message_.Get(), 5);
  message_.Reset();
  for (IAttach* a : {big.Get(), again.Get()}) {
    ComPtr<IStream> s;
    ASSERT_EQ(OpenData(a, PR_ATTACH_DATA_BIN, IID_IStream, &s), S_OK);
    EXPECT_EQ(ReadStream(s.Get()), big_);
  }
  ComPtr<IMessage> inner;
  ASSERT_EQ(OpenData(embedded.Get(), PR_ATTACH_DATA_OBJ, IID_IMessage, &inner), S_OK);
  EXPECT_EQ(Utf8(GetProps(inner.Get(), {PR_SUBJECT_W})[0]), "level 1");
}

// As a converter and then an attachment pass do: each opens the embedded
// message, and the attachments inside it, again.
TEST_F(PstMade, EmbeddedMessagesOpenAgainAfterTheTableAndFromOneAttachment) {
  ComPtr<IAttach> kept;
  for (int pass = 0; pass < 2; ++pass) {
    ComPtr<IMAPITable> table;
    ASSERT_EQ(message_->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IAttach> a = Attachment(message_.Get(), 5);
    if (!kept) kept = a;
    for (IAttach* from : {a.Get(), kept.Get()}) {
      ComPtr<IMessage> inner, innermost;
      ASSERT_EQ(OpenData(from, PR_ATTACH_DATA_OBJ, IID_IMessage, &inner), S_OK) << pass;
      EXPECT_EQ(Utf8(GetProps(inner.Get(), {PR_SUBJECT_W})[0]), "level 1");
      ASSERT_EQ(OpenData(Attachment(inner.Get(), 0).Get(), PR_ATTACH_DATA_OBJ, IID_IMessage, &innermost), S_OK);
      ComPtr<IStream> s;
      ASSERT_EQ(OpenData(Attachment(innermost.Get(), 0).Get(), PR_ATTACH_DATA_BIN, IID_IStream, &s), S_OK);
      EXPECT_EQ(ReadStream(s.Get()), std::string("\0\1\2\3", 4)) << pass;
    }
  }
}

TEST_F(PstMade, OleObjectsOpenAsDocfileStreamOrStorage) {
  ComPtr<IAttach> a = Attachment(message_.Get(), 6);
  ComPtr<IStream> docfile;
  ASSERT_EQ(OpenData(a.Get(), PR_ATTACH_DATA_OBJ, IID_IStreamDocfile, &docfile), S_OK);
  EXPECT_EQ(ReadStream(docfile.Get()), ole_);
  ComPtr<IStorage> storage;
  ASSERT_EQ(OpenData(a.Get(), PR_ATTACH_DATA_OBJ, IID_IStorage, &storage), S_OK);
  ComPtr<IStream> contents;
  ASSERT_EQ(storage->OpenStream(u"CONTENTS", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                contents.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(ReadStream(contents.Get()), "ole contents");
  // A by-value attachment's data is no docfile.
  ComPtr<IStorage> none;
  EXPECT_EQ(OpenData(Attachment(message_.Get(), 0).Get(), PR_ATTACH_DATA_OBJ, IID_IStorage, &none), MAPI_E_NOT_FOUND);
}

TEST_F(PstMade, RecipientRowsLackWhatTheRecipientLacks) {
  ComPtr<IMAPITable> table;
  ASSERT_EQ(message_->GetRecipientTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(table.Get(), {PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W, PR_RECIPIENT_TYPE, PR_ROWID});
  ASSERT_EQ(rows->cRows, 2u);
  const SPropValue* ann = rows->aRow[0].lpProps;
  const SPropValue* bob = rows->aRow[1].lpProps;
  EXPECT_EQ(Utf8(ann[0]), "Ann");
  EXPECT_EQ(Utf8(ann[1]), "ann@example.com");
  EXPECT_EQ(ann[2].Value.l, static_cast<LONG>(MAPI_TO));
  EXPECT_EQ(Utf8(bob[0]), "Bob");
  EXPECT_TRUE(IsNotFound(bob[1]));
  EXPECT_EQ(bob[2].Value.l, static_cast<LONG>(MAPI_CC));
  EXPECT_EQ(bob[3].Value.l, 1);
}

TEST_F(PstMade, NamedPropertiesByStringAndNumber) {
  Values all = GetProps(message_.Get(), {}, MAPI_UNICODE);
  std::vector<ULONG> named{0};
  for (ULONG i = 0; i < all.count; ++i)
    if (PROP_ID(all[i].ulPropTag) >= 0x8000) named.push_back(all[i].ulPropTag);
  named[0] = static_cast<ULONG>(named.size() - 1);
  ASSERT_EQ(named[0], 2u);
  auto* tags = reinterpret_cast<LPSPropTagArray>(named.data());
  ULONG count = 0;
  LPMAPINAMEID* names = nullptr;
  ASSERT_EQ(message_->GetNamesFromIDs(&tags, nullptr, 0, &count, &names), S_OK);
  mapi::Buffer<LPMAPINAMEID> held(names);
  int strings = 0, ids = 0;
  for (ULONG i = 0; i < count; ++i) {
    if (names[i]->ulKind == MNID_STRING) {
      ++strings;
      EXPECT_EQ(std::u16string(names[i]->Kind.lpwstrName), u"Keywords");
      EXPECT_TRUE(*names[i]->lpguid == (GUID{0x00020329, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}));
      EXPECT_EQ(PROP_TYPE(named[i + 1]), PT_MV_UNICODE);
    } else {
      ++ids;
      EXPECT_EQ(names[i]->Kind.lID, 0x820D);
      EXPECT_EQ(PROP_TYPE(named[i + 1]), PT_SYSTIME);
    }
  }
  EXPECT_EQ(strings, 1);
  EXPECT_EQ(ids, 1);
}

TEST_F(PstMade, ContentsRowsShowMissingPropertiesAsErrors) {
  EXPECT_EQ(Utf8(rows_->aRow[0].lpProps[1]), "Attachments");
  EXPECT_TRUE(IsNotFound(rows_->aRow[1].lpProps[1]));  // the second message has no subject
}

}  // namespace
