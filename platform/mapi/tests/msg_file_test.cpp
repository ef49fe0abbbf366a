// Outlook message files written through OpenIMsgOnIStg as the export does
// (StgCreateDocfile, the class id, CopyTo with excluded tags, SaveChanges,
// Commit), read back by our own reader, by olefile and by `file`.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "com/storage.h"
#include "mapi/memory_store.h"
#include "mapi_test_util.h"
#include "pst_test_support.h"

namespace {

using namespace pst_test;
namespace fs = std::filesystem;

constexpr DWORD kCreateMode = STGM_READWRITE | STGM_TRANSACTED | STGM_CREATE;  // 0x11002

// The tags the export leaves out of a message file.
const std::vector<ULONG> kExcluded = {PR_ACCESS,
                                      PR_BODY_W,
                                      PR_RTF_SYNC_BODY_COUNT,
                                      PR_RTF_SYNC_BODY_CRC,
                                      PR_RTF_SYNC_BODY_TAG_W,
                                      PR_RTF_SYNC_PREFIX_COUNT,
                                      PR_RTF_SYNC_TRAILING_COUNT};

std::u16string Path16(const fs::path& p) { return p.u16string(); }

HRESULT SaveToMsg(IMessage* source, const fs::path& file, const std::vector<ULONG>& exclude) {
  ComPtr<IStorage> stg;
  ComPtr<IMessage> msg;
  HRESULT hr = StgCreateDocfile(Path16(file).c_str(), kCreateMode, 0, stg.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr))
    hr = OpenIMsgOnIStg(nullptr, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer, MAPIGetDefaultMalloc(), nullptr,
                        stg.Get(), nullptr, 0, MAPI_UNICODE, msg.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr)) hr = WriteClassStg(stg.Get(), CLSID_MailMessage);
  std::vector<ULONG> tags = {static_cast<ULONG>(exclude.size())};
  tags.insert(tags.end(), exclude.begin(), exclude.end());
  if (SUCCEEDED(hr))
    hr = source->CopyTo(0, nullptr, exclude.empty() ? nullptr : reinterpret_cast<LPSPropTagArray>(tags.data()), 0,
                        nullptr, &IID_IMessage, msg.Get(), 0, nullptr);
  if (SUCCEEDED(hr)) hr = msg->SaveChanges(KEEP_OPEN_READWRITE);
  if (SUCCEEDED(hr)) hr = stg->Commit(STGC_DEFAULT);
  return hr;
}

ComPtr<IMessage> OpenMsg(const fs::path& file, ComPtr<IStorage>* storage = nullptr) {
  ComPtr<IStorage> stg;
  ComPtr<IMessage> msg;
  EXPECT_EQ(StgOpenStorage(Path16(file).c_str(), nullptr, STGM_READ | STGM_TRANSACTED, nullptr, 0,
                           stg.ReleaseAndGetAddressOf()),
            S_OK);
  if (!stg) return nullptr;
  EXPECT_EQ(OpenIMsgOnIStg(nullptr, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer, MAPIGetDefaultMalloc(),
                           nullptr, stg.Get(), nullptr, 0, MAPI_UNICODE, msg.ReleaseAndGetAddressOf()),
            S_OK);
  if (storage) *storage = stg;
  return msg;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << command;
  }
  return out;
}

// A value as comparable text: its type and its bytes.
std::string Render(const SPropValue& v) {
  const ULONG type = PROP_TYPE(v.ulPropTag);
  auto raw = [](const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); };
  std::string out = std::to_string(type) + ":";
  switch (type) {
    case PT_I2: return out + std::to_string(v.Value.i);
    case PT_LONG: return out + std::to_string(v.Value.l);
    case PT_BOOLEAN: return out + std::to_string(v.Value.b != 0);
    case PT_R4: return out + raw(&v.Value.flt, 4);
    case PT_DOUBLE:
    case PT_APPTIME:
    case PT_CURRENCY:
    case PT_I8:
    case PT_SYSTIME: return out + raw(&v.Value.li, 8);
    case PT_UNICODE:
    case PT_STRING8: return out + Utf8(v);
    case PT_BINARY: return out + Bytes(v);
    case PT_CLSID: return out + raw(v.Value.lpguid, sizeof(GUID));
    case PT_MV_UNICODE:
      for (ULONG i = 0; i < v.Value.MVszW.cValues; ++i) out += win32::Utf16ToUtf8(v.Value.MVszW.lppszW[i]) + "|";
      return out;
    case PT_MV_BINARY:
      for (ULONG i = 0; i < v.Value.MVbin.cValues; ++i)
        out += raw(v.Value.MVbin.lpbin[i].lpb, v.Value.MVbin.lpbin[i].cb) + "|";
      return out;
    case PT_MV_LONG: return out + raw(v.Value.MVl.lpl, 4 * v.Value.MVl.cValues);
    case PT_MV_SYSTIME: return out + raw(v.Value.MVft.lpft, 8 * v.Value.MVft.cValues);
  }
  return out + "?";
}

// Every property of obj but error values and the skipped tags, named ones
// keyed by their name, so that two objects with different name maps compare.
std::map<std::string, std::string> Snapshot(IMAPIProp* obj, const std::vector<ULONG>& skip) {
  std::map<std::string, std::string> out;
  Values all = GetProps(obj, {}, MAPI_UNICODE);
  EXPECT_TRUE(SUCCEEDED(all.hr));
  for (ULONG i = 0; i < all.count; ++i) {
    const SPropValue& v = all[i];
    if (PROP_TYPE(v.ulPropTag) == PT_ERROR) continue;
    if (std::any_of(skip.begin(), skip.end(), [&](ULONG t) { return PROP_ID(t) == PROP_ID(v.ulPropTag); })) continue;
    char key[64];
    std::snprintf(key, sizeof key, "%08X", v.ulPropTag);
    std::string name = key;
    if (PROP_ID(v.ulPropTag) >= 0x8000) {
      auto tags = mapi_test::Tags({v.ulPropTag});
      LPSPropTagArray asked = tags.get();
      ULONG n = 0;
      LPMAPINAMEID* names = nullptr;
      obj->GetNamesFromIDs(&asked, nullptr, 0, &n, &names);
      mapi::Buffer<LPMAPINAMEID> held(names);
      if (!names || !names[0]) {
        ADD_FAILURE() << "no name for " << key;
        continue;
      }
      name = std::string(reinterpret_cast<const char*>(names[0]->lpguid), sizeof(GUID)) + "/" +
             (names[0]->ulKind == MNID_ID ? std::to_string(names[0]->Kind.lID)
                                          : win32::Utf16ToUtf8(names[0]->Kind.lpwstrName)) +
             "/" + std::to_string(PROP_TYPE(v.ulPropTag));
    }
    out[name] = Render(v);
  }
  return out;
}

std::string StreamOf(IMAPIProp* obj, ULONG tag) {
  ComPtr<IStream> s;
  if (FAILED(obj->OpenProperty(tag, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(s.ReleaseAndGetAddressOf()))))
    return "<none>";
  return ReadStream(s.Get());
}

std::string ContentsOf(IAttach* a) {
  ComPtr<IStorage> stg;
  ComPtr<IStream> s;
  if (FAILED(a->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IStorage, 0, 0,
                             reinterpret_cast<LPUNKNOWN*>(stg.ReleaseAndGetAddressOf()))) ||
      FAILED(stg->OpenStream(u"CONTENTS", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, s.ReleaseAndGetAddressOf())))
    return "<none>";
  return ReadStream(s.Get());
}

std::vector<ULONG> AttachNumbers(IMessage* m) {
  ComPtr<IMAPITable> table;
  EXPECT_EQ(m->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(table.Get(), {PR_ATTACH_NUM});
  std::vector<ULONG> out;
  for (ULONG i = 0; i < rows->cRows; ++i) out.push_back(static_cast<ULONG>(rows->aRow[i].lpProps[0].Value.l));
  return out;
}

std::vector<std::map<std::string, std::string>> RecipientRows(IMessage* m) {
  ComPtr<IMAPITable> table;
  EXPECT_EQ(m->GetRecipientTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(table.Get(), {PR_DISPLAY_NAME_W, PR_EMAIL_ADDRESS_W, PR_ADDRTYPE_W, PR_RECIPIENT_TYPE,
                                            PR_ENTRYID, PR_SEARCH_KEY, PR_ROWID});
  std::vector<std::map<std::string, std::string>> out;
  for (ULONG i = 0; i < rows->cRows; ++i) {
    std::map<std::string, std::string> row;
    for (ULONG c = 0; c < rows->aRow[i].cValues; ++c) {
      const SPropValue& v = rows->aRow[i].lpProps[c];
      row[std::to_string(c)] = PROP_TYPE(v.ulPropTag) == PT_ERROR ? "missing" : Render(v);
    }
    out.push_back(std::move(row));
  }
  return out;
}

// got holds what want holds: properties (but `skip`), recipients, and
// attachments with their data, embedded messages compared the same way.
void ExpectSameMessage(IMessage* want, IMessage* got, const std::vector<ULONG>& skip, int depth = 0) {
  SCOPED_TRACE("message at depth " + std::to_string(depth));
  std::vector<ULONG> messageSkip = skip;
  messageSkip.push_back(PR_STORE_SUPPORT_MASK);  // the file's own
  EXPECT_EQ(Snapshot(want, messageSkip), Snapshot(got, messageSkip));
  EXPECT_EQ(RecipientRows(want), RecipientRows(got));
  const std::vector<ULONG> wantNums = AttachNumbers(want), gotNums = AttachNumbers(got);
  ASSERT_EQ(wantNums.size(), gotNums.size());
  for (size_t i = 0; i < wantNums.size(); ++i) {
    SCOPED_TRACE("attachment " + std::to_string(i));
    ComPtr<IAttach> a, b;
    ASSERT_EQ(want->OpenAttach(wantNums[i], nullptr, 0, a.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(got->OpenAttach(gotNums[i], nullptr, 0, b.ReleaseAndGetAddressOf()), S_OK);
    // The data is compared through its stream: GetProps of a PST gives no large values.
    EXPECT_EQ(Snapshot(a.Get(), {PR_ATTACH_NUM, PR_ATTACH_DATA_BIN}),
              Snapshot(b.Get(), {PR_ATTACH_NUM, PR_ATTACH_DATA_BIN}));
    EXPECT_TRUE(StreamOf(a.Get(), PR_ATTACH_DATA_BIN) == StreamOf(b.Get(), PR_ATTACH_DATA_BIN));
    EXPECT_EQ(ContentsOf(a.Get()), ContentsOf(b.Get()));
    ComPtr<IMessage> innerA, innerB;
    const HRESULT ha = a->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                       reinterpret_cast<LPUNKNOWN*>(innerA.ReleaseAndGetAddressOf()));
    const HRESULT hb = b->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                       reinterpret_cast<LPUNKNOWN*>(innerB.ReleaseAndGetAddressOf()));
    ASSERT_EQ(SUCCEEDED(ha), SUCCEEDED(hb));
    if (SUCCEEDED(ha)) ExpectSameMessage(innerA.Get(), innerB.Get(), {}, depth + 1);
  }
}

class MsgFileTest : public ::testing::Test {
 protected:
  // The first message of the Inbox of a PST that pstgen writes.
  ComPtr<IMessage> PstMessage(const std::string& messageJson) {
    const fs::path pst =
        MakePst(machine_.scratch(), R"({"folders": [{"name": "Inbox", "messages": [)" + messageJson + "]}]}");
    store_ = OpenStore(pst);
    EXPECT_TRUE(store_);
    if (!store_) return nullptr;
    ComPtr<IMAPIFolder> top = Open<IMAPIFolder>(store_.Get(), GetProps(store_.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
    ComPtr<IMAPITable> level;
    top->GetHierarchyTable(0, level.ReleaseAndGetAddressOf());
    mapi::RowSet folders = AllRows(level.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID});
    for (ULONG i = 0; i < folders->cRows; ++i)
      if (Utf8(folders->aRow[i].lpProps[0]) == "Inbox")
        inbox_ = Open<IMAPIFolder>(store_.Get(), folders->aRow[i].lpProps[1]);
    ComPtr<IMAPITable> contents;
    inbox_->GetContentsTable(0, contents.ReleaseAndGetAddressOf());
    mapi::RowSet rows = AllRows(contents.Get(), {PR_ENTRYID});
    return Open<IMessage>(store_.Get(), rows->aRow[0].lpProps[0]);
  }

  testing_support::TempMachine machine_;
  ComPtr<IMsgStore> store_;
  ComPtr<IMAPIFolder> inbox_;
};

// A mail with what a message file must carry: properties of every kind,
// named properties of numeric and string names, three recipients, data
// small and too large for GetProps, an OLE object, and embedded messages
// with recipients and attachments of their own.
const std::string kMail = R"({"props": {"PR_SUBJECT_W": "Quarterly \u00e9t\u00e9 figures", "PR_BODY_W": "See attached.",
     "PR_CLIENT_SUBMIT_TIME": "2024-03-15T13:05:00Z", "PR_IMPORTANCE": 2, "PR_RTF_SYNC_BODY_CRC": 77,
     "PR_HTML": "base64:PGI+aGk8L2I+", "0x0E070003": 1, "0x10800003": {"type": "PT_LONG", "value": 5}},
   "named": [{"set": "PSETID_Appointment", "lid": 33293, "type": "PT_SYSTIME", "value": "2024-03-15T13:05:00Z"},
             {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": ["red", "blue"]},
             {"set": "PS_INTERNET_HEADERS", "name": "x-mailer", "type": "PT_UNICODE", "value": "Brackenford"},
             {"set": "PSETID_Common", "lid": 34070, "type": "PT_BOOLEAN", "value": true}],
   "recipients": [{"type": "to", "name": "Ann \u00c5berg", "email": "ann@example.com"},
                  {"type": "cc", "name": "Bob", "email": "bob@example.com"},
                  {"type": "bcc", "name": "Cy", "email": "cy@example.com"}],
   "attachments": [{"method": 1, "long_filename": "a.txt", "data": "base64:aGVsbG8gd29ybGQ="},
                   {"method": 1, "long_filename": "big.bin", "data": "@BIG@"},
                   {"method": 6, "display_name": "Picture", "data": "@OLE@"},
                   {"method": 5, "display_name": "Fwd", "message": {"props": {"PR_SUBJECT_W": "level 1"},
                     "recipients": [{"name": "Dee", "email": "dee@example.com"}],
                     "named": [{"set": "PS_PUBLIC_STRINGS", "name": "Inner", "type": "PT_LONG", "value": 9}],
                     "attachments": [{"method": 5, "display_name": "Inner", "message": {
                       "props": {"PR_SUBJECT_W": "level 2"},
                       "attachments": [{"method": 1, "long_filename": "deep.bin", "data": "hex:00010203"}]}}]}}]})";

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out = "hex:";
  for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
  return out;
}

// The bytes of a docfile holding one stream "CONTENTS".
std::string OleDocfile(const std::string& contents) {
  ComPtr<IStorage> stg;
  EXPECT_EQ(StgCreateDocfile(nullptr, STGM_READWRITE | STGM_CREATE, 0, stg.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IStream> s, bytes;
  stg->CreateStream(u"CONTENTS", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, s.ReleaseAndGetAddressOf());
  s->Write(contents.data(), static_cast<ULONG>(contents.size()), nullptr);
  EXPECT_EQ(com::CreateDocfileStream(stg.Get(), bytes.ReleaseAndGetAddressOf()), S_OK);
  return ReadStream(bytes.Get());
}

// kMail with its big attachment of `bigBytes` bytes and the OLE object.
std::string Mail(size_t bigBytes) {
  std::string json = kMail;
  json.replace(json.find("@BIG@"), 5, Hex(std::string(bigBytes, 'Z')));
  json.replace(json.find("@OLE@"), 5, Hex(OleDocfile("ole contents")));
  return json;
}

TEST_F(MsgFileTest, PstMessageIsReadBackWhole) {
  ComPtr<IMessage> source = PstMessage(Mail(1100 * 1024));
  ASSERT_TRUE(source);
  const fs::path file = machine_.scratch() / "mail.msg";
  ASSERT_EQ(SaveToMsg(source.Get(), file, kExcluded), S_OK);

  ComPtr<IMessage> read = OpenMsg(file);
  ASSERT_TRUE(read);
  ExpectSameMessage(source.Get(), read.Get(), kExcluded);
  EXPECT_EQ(Utf8(GetProps(read.Get(), {PR_SUBJECT_W})[0]), "Quarterly \u00e9t\u00e9 figures");
  EXPECT_TRUE(IsNotFound(GetProps(read.Get(), {PR_BODY_W})[0]));
  EXPECT_TRUE(GetProps(read.Get(), {PR_HASATTACH})[0].Value.b);
  EXPECT_EQ(GetProps(read.Get(), {PR_STORE_SUPPORT_MASK})[0].Value.l & STORE_UNICODE_OK, STORE_UNICODE_OK);
  ComPtr<IAttach> picture;
  ASSERT_EQ(read->OpenAttach(2, nullptr, 0, picture.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(ContentsOf(picture.Get()), "ole contents");

  // Another message file as the source: the same again.
  const fs::path again = machine_.scratch() / "again.msg";
  ASSERT_EQ(SaveToMsg(read.Get(), again, {}), S_OK);
  ComPtr<IMessage> second = OpenMsg(again);
  ASSERT_TRUE(second);
  ExpectSameMessage(read.Get(), second.Get(), {});
}

TEST_F(MsgFileTest, FileIsAnOutlookMessageToOtherReaders) {
  ComPtr<IMessage> source = PstMessage(Mail(1));
  ASSERT_TRUE(source);
  const fs::path file = machine_.scratch() / "mail.msg";
  ASSERT_EQ(SaveToMsg(source.Get(), file, kExcluded), S_OK);

  EXPECT_NE(RunCommand("file -b '" + file.string() + "'").find("CDFV2 Microsoft Outlook Message"), std::string::npos);
  const std::string out = RunCommand("/usr/bin/python3 " MIME_TESTS_DIR "/msg_check.py '" + file.string() + "'");
  nlohmann::json j = nlohmann::json::parse(out, nullptr, false);
  ASSERT_FALSE(j.is_discarded()) << out;
  EXPECT_TRUE(j["ole"].get<bool>());
  EXPECT_EQ(j["clsid"], "00020D0B-0000-0000-C000-000000000046");
  EXPECT_TRUE(j["errors"].empty()) << j["errors"].dump(1);
  const auto& objects = j["objects"];
  for (const char* storage :
       {"", "__recip_version1.0_#00000000", "__recip_version1.0_#00000002", "__attach_version1.0_#00000000",
        "__attach_version1.0_#00000003", "__attach_version1.0_#00000003/__substg1.0_3701000D",
        "__attach_version1.0_#00000003/__substg1.0_3701000D/__recip_version1.0_#00000000",
        "__attach_version1.0_#00000003/__substg1.0_3701000D/__attach_version1.0_#00000000/"
        "__substg1.0_3701000D/__attach_version1.0_#00000000"})
    EXPECT_TRUE(objects.contains(storage)) << storage;
  EXPECT_FALSE(objects.contains("__recip_version1.0_#00000003"));
  std::vector<std::string> streams = j["streams"];
  auto has = [&](const std::string& s) { return std::find(streams.begin(), streams.end(), s) != streams.end(); };
  EXPECT_TRUE(has("__substg1.0_0037001F"));
  EXPECT_FALSE(has("__substg1.0_1000001F"));  // excluded body
  EXPECT_TRUE(has("__attach_version1.0_#00000000/__substg1.0_37010102"));
  EXPECT_TRUE(has("__nameid_version1.0/__substg1.0_00020102"));
  EXPECT_TRUE(has("__nameid_version1.0/__substg1.0_00030102"));
  EXPECT_TRUE(has("__nameid_version1.0/__substg1.0_00040102"));
  // The multi-valued string: its lengths, then a stream per value.
  bool mv = false;
  for (const auto& s : streams) mv = mv || (s.find("101F-00000001") != std::string::npos);
  EXPECT_TRUE(mv);
}

TEST_F(MsgFileTest, NamedPropertiesGetTheFilesIdsAndLookupStreams) {
  ComPtr<IMessage> source = PstMessage(R"({"props": {"PR_SUBJECT_W": "named"},
    "named": [{"set": "PS_INTERNET_HEADERS", "name": "x-mailer", "type": "PT_UNICODE", "value": "B"}]})");
  ASSERT_TRUE(source);
  const fs::path file = machine_.scratch() / "named.msg";
  ASSERT_EQ(SaveToMsg(source.Get(), file, {}), S_OK);
  ComPtr<IStorage> stg;
  ComPtr<IMessage> read = OpenMsg(file, &stg);
  ASSERT_TRUE(read);
  // The only name is the file's first id; its entry goes into the lookup
  // stream that the name's CRC-32 (0xFF504E89) and GUID index 3 select.
  EXPECT_EQ(Utf8(GetProps(read.Get(), {PROP_TAG(PT_UNICODE, 0x8000)})[0]), "B");
  ComPtr<IStorage> names;
  ASSERT_EQ(stg->OpenStorage(u"__nameid_version1.0", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                             names.ReleaseAndGetAddressOf()),
            S_OK);
  ComPtr<IStream> lookup;
  ASSERT_EQ(names->OpenStream(u"__substg1.0_100F0102", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                              lookup.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(ReadStream(lookup.Get()), std::string("\x89\x4E\x50\xFF\x07\x00\x00\x00", 8));
}

// A memory-store message: the copy has every tag but the excluded ones,
// and its recipients, attachments and embedded message.
TEST_F(MsgFileTest, ExcludedTagsAreExactlyTheOnesMissing) {
  auto data = std::make_shared<mapi::memory::StoreData>();
  auto& inbox = data->AddFolder(*data->ipmSubtree, u"Inbox", "IPF.Note");
  auto& m = data->AddMessage(inbox);
  m.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Memory"));
  m.props.Set(mapi::MakeUnicode(PR_BODY_W, u"body"));
  m.props.Set(mapi::MakeLong(PR_ACCESS, 3));
  m.props.Set(mapi::MakeLong(PR_RTF_SYNC_BODY_COUNT, 4));
  m.props.Set(mapi::MakeLong(PR_RTF_SYNC_BODY_CRC, 5));
  m.props.Set(mapi::MakeUnicode(PR_RTF_SYNC_BODY_TAG_W, u"tag"));
  m.props.Set(mapi::MakeLong(PR_RTF_SYNC_PREFIX_COUNT, 6));
  m.props.Set(mapi::MakeLong(PR_RTF_SYNC_TRAILING_COUNT, 7));
  m.props.Set(mapi::MakeMvLong(PROP_TAG(PT_MV_LONG, 0x6801), {1, 2, 3}));
  m.props.Set(mapi::MakeString8(PR_DISPLAY_TO_A, "Ann"));  // 8-bit: written as UTF-16
  mapi::PropMap& to = m.recipients.emplace_back();
  to.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Ann"));
  to.Set(mapi::MakeUnicode(PR_EMAIL_ADDRESS_W, u"ann@example.com"));
  to.Set(mapi::MakeLong(PR_RECIPIENT_TYPE, MAPI_TO));
  mapi::memory::Attachment& file = m.attachments.emplace_back();
  file.props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE));
  file.props.Set(mapi::MakeBinary(PR_ATTACH_DATA_BIN, std::string("\0\1\2", 3)));
  mapi::memory::Attachment& fwd = m.attachments.emplace_back();
  data->AddEmbedded(fwd).props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"inner"));
  ComPtr<IMsgStore> store;
  ASSERT_EQ(mapi::memory::OpenStore(data, Identity(), store.ReleaseAndGetAddressOf()), S_OK);
  const std::string id = mapi::memory::MessageEntryId(Identity().uid, m);
  SPropValue eid{};
  eid.Value.bin = {static_cast<ULONG>(id.size()), reinterpret_cast<LPBYTE>(const_cast<char*>(id.data()))};
  ComPtr<IMessage> source = Open<IMessage>(store.Get(), eid);
  ASSERT_TRUE(source);

  const fs::path out = machine_.scratch() / "memory.msg";
  ASSERT_EQ(SaveToMsg(source.Get(), out, kExcluded), S_OK);
  ComPtr<IMessage> read = OpenMsg(out);
  ASSERT_TRUE(read);
  auto tagsOf = [](IMessage* msg) {
    std::set<ULONG> ids;
    for (const auto& [key, value] : Snapshot(msg, {})) ids.insert(std::stoul(key, nullptr, 16) >> 16);
    return ids;
  };
  std::set<ULONG> want = tagsOf(source.Get());
  for (ULONG t : kExcluded) EXPECT_EQ(want.erase(PROP_ID(t)), 1u);
  want.insert(PROP_ID(PR_STORE_SUPPORT_MASK));
  EXPECT_EQ(tagsOf(read.Get()), want);
  EXPECT_EQ(PROP_TYPE(GetProps(read.Get(), {PR_DISPLAY_TO_W})[0].ulPropTag), PT_UNICODE);
  ExpectSameMessage(source.Get(), read.Get(), kExcluded);
}

}  // namespace

namespace {

std::string Le32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Entry(ULONG tag, uint32_t a, uint32_t b = 0) { return Le32(tag) + Le32(6) + Le32(a) + Le32(b); }

void Put(IStorage* stg, const std::u16string& name, const std::string& bytes) {
  ComPtr<IStream> s;
  ASSERT_EQ(stg->CreateStream(name.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0,
                              s.ReleaseAndGetAddressOf()),
            S_OK);
  s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
}

ComPtr<IStorage> Child(IStorage* stg, const std::u16string& name) {
  ComPtr<IStorage> child;
  EXPECT_EQ(stg->CreateStorage(name.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0,
                               child.ReleaseAndGetAddressOf()),
            S_OK);
  return child;
}

// A damaged file reads as far as it is sound: entries whose streams are
// missing, cut short or point past their data are passed over, nothing is
// read beyond a stream's end.
TEST(MsgFileDamage, SoundPartsOfADamagedFileAreRead) {
  ComPtr<IStorage> stg;
  ASSERT_EQ(StgCreateDocfile(nullptr, STGM_READWRITE | STGM_CREATE, 0, stg.ReleaseAndGetAddressOf()), S_OK);
  Put(stg.Get(), u"__properties_version1.0",
      std::string(32, '\0') + Entry(PR_SUBJECT_W, 6) + Entry(PR_BODY_W, 10) + Entry(PR_IMPORTANCE, 2) +
          Entry(PROP_TAG(PT_MV_UNICODE, 0x6802), 4000) + Entry(PROP_TAG(PT_UNICODE, 0x8000), 4) +
          Entry(PROP_TAG(PT_LONG, 0x8001), 7) + "\x03\x00\x17");       // a cut entry at the end
  Put(stg.Get(), u"__substg1.0_0037001F", std::string("H\0i\0!", 5));  // an odd byte
  Put(stg.Get(), u"__substg1.0_6802101F", std::string(4000, '\x01'));  // lengths without values
  Put(stg.Get(), u"__substg1.0_8000001F", std::string("x\0", 2));
  ComPtr<IStorage> names = Child(stg.Get(), u"__nameid_version1.0");
  Put(names.Get(), u"__substg1.0_00020102", std::string(16, '\x11'));
  Put(names.Get(), u"__substg1.0_00030102",
      Le32(400) + Le32(0 << 16 | 3 << 1 | 1) +     // a string past the string stream's end
          Le32(0x8205) + Le32(1 << 16 | 3 << 1) +  // numeric, the file's one GUID
          Le32(0x10) + Le32(2 << 16 | 9 << 1) +    // a GUID the file does not have
          "\x01\x02");
  Put(names.Get(), u"__substg1.0_00040102", Le32(0x7FFFFFF0) + "ab");              // a length beyond the stream
  ComPtr<IStorage> recipient = Child(stg.Get(), u"__recip_version1.0_#00000000");  // no property stream
  Child(stg.Get(), u"__attach_version1.0_#0000000G");                              // not a number

  ComPtr<IMessage> msg;
  ASSERT_EQ(OpenIMsgOnIStg(nullptr, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer, MAPIGetDefaultMalloc(),
                           nullptr, stg.Get(), nullptr, 0, MAPI_UNICODE, msg.ReleaseAndGetAddressOf()),
            S_OK);
  Values v = GetProps(msg.Get(), {PR_SUBJECT_W, PR_BODY_W, PR_IMPORTANCE, PROP_TAG(PT_MV_UNICODE, 0x6802),
                                  PROP_TAG(PT_UNICODE, 0x8000), PROP_TAG(PT_LONG, 0x8001)});
  EXPECT_EQ(Utf8(v[0]), "Hi");
  EXPECT_TRUE(IsNotFound(v[1]));
  EXPECT_EQ(v[2].Value.l, 2);
  EXPECT_TRUE(IsNotFound(v[3]));
  EXPECT_EQ(Utf8(v[4]), "x");
  EXPECT_EQ(v[5].Value.l, 7);
  auto tags = mapi_test::Tags({PROP_TAG(PT_UNICODE, 0x8000), PROP_TAG(PT_LONG, 0x8001), PROP_TAG(PT_LONG, 0x8002)});
  LPSPropTagArray asked = tags.get();
  ULONG count = 0;
  LPMAPINAMEID* found = nullptr;
  EXPECT_EQ(msg->GetNamesFromIDs(&asked, nullptr, 0, &count, &found), MAPI_W_ERRORS_RETURNED);
  mapi::Buffer<LPMAPINAMEID> held(found);
  ASSERT_EQ(count, 3u);
  EXPECT_FALSE(found[0]);
  ASSERT_TRUE(found[1]);
  EXPECT_EQ(found[1]->Kind.lID, 0x8205);
  EXPECT_EQ(found[1]->lpguid->Data1, 0x11111111u);
  EXPECT_FALSE(found[2]);
  ComPtr<IMAPITable> rows;
  ASSERT_EQ(msg->GetRecipientTable(0, rows.ReleaseAndGetAddressOf()), S_OK);
  ULONG n = 99;
  EXPECT_EQ(rows->GetRowCount(0, &n), S_OK);
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(AttachNumbers(msg.Get()).empty());
}

// OpenStreamOnFile(W): STGM_CREATE | STGM_READWRITE creates or truncates,
// STGM_READ reads an existing file only.
TEST(MapiFileStreams, CreateTruncateAndRead) {
  testing_support::TempMachine machine;
  const fs::path file = machine.scratch() / "out.eml";
  const std::u16string wide = file.u16string();
  auto write = [&](const std::string& text) {
    ComPtr<IStream> s;
    ASSERT_EQ(OpenStreamOnFileW(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE, wide.c_str(), nullptr,
                                s.ReleaseAndGetAddressOf()),
              S_OK);
    ASSERT_EQ(s->Write(text.data(), static_cast<ULONG>(text.size()), nullptr), S_OK);
  };
  write("first, longer text");
  write("second");
  ComPtr<IStream> in;
  ASSERT_EQ(OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_READ, file.c_str(), nullptr,
                             in.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(ReadStream(in.Get()), "second");
  EXPECT_TRUE(FAILED(in->Write("x", 1, nullptr)));
  const std::u16string missing = (machine.scratch() / "none.eml").u16string();
  EXPECT_TRUE(FAILED(OpenStreamOnFileW(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_READ, missing.c_str(), nullptr,
                                       in.ReleaseAndGetAddressOf())));
  EXPECT_FALSE(fs::exists(machine.scratch() / "none.eml"));
}

}  // namespace
