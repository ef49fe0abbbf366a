#include "memory_profile.h"

#include <gtest/gtest.h>

#include <string>

#include "com/storage.h"
#include "cressing_test_support.h"
#include "mapi/holders.h"
#include "mapi/install.h"
#include "mapi/memory_store.h"
#include "mapi/profiles.h"
#include "mapi/provider.h"
#include "win32/text.h"

namespace cressing_test {

namespace memory = mapi::memory;

struct MemoryProfile::State {
  std::shared_ptr<memory::StoreData> data = std::make_shared<memory::StoreData>();
  std::u16string path;
  const memory::Folder* exportFolder = nullptr;
};

MemoryProfile::MemoryProfile(const std::filesystem::path& scratch) : state_(std::make_unique<State>()) {
  std::string error;
  EXPECT_TRUE(mapi::InstallMapi(&error)) << error;
  state_->path = win32::Utf8ToUtf16((scratch / "memory.pst").string());
  mapi::SetPstOpener([data = state_->data, path = state_->path](const std::u16string& opened,
                                                                const mapi::StoreIdentity& id, ULONG, IMsgStore** out) {
    return opened == path ? memory::OpenStore(data, id, out) : MAPI_E_NOT_FOUND;
  });
  mapi::profiles::Profile profile;
  profile.name = u"Memory";
  profile.services.push_back(mapi::profiles::PstService(state_->path, u"Memory Mail"));
  EXPECT_EQ(mapi::profiles::Create(profile), S_OK);
}

MemoryProfile::~MemoryProfile() { mapi::SetPstOpener({}); }

void MemoryProfile::AddInboxWithoutRowCounts(InboxCount inboxCount) {
  memory::StoreData& data = *state_->data;
  memory::Folder& inbox = data.AddFolder(*data.ipmSubtree, u"Inbox", "IPF.Note");
  data.AddMessage(inbox);
  data.AddMessage(inbox);
  // Four, not the two items, so that a count made from the contents shows.
  if (inboxCount == InboxCount::Four)
    inbox.props.Set(mapi::MakeLong(PR_CONTENT_COUNT, 4));
  else
    inbox.leftOutOfObject = {PR_CONTENT_COUNT};
  inbox.leftOutOfRow = {PR_CONTENT_COUNT};
  memory::Folder& old = data.AddFolder(inbox, u"Old", "IPF.Note");
  data.AddMessage(old);
  old.leftOutOfRow = {PR_CONTENT_COUNT};
}

namespace {

constexpr GUID kAddressSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kPublicStrings = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

ULONG NamedTag(memory::StoreData& data, const GUID& set, LONG lid, ULONG type) {
  mapi::PropName name;
  name.guid = set;
  name.id = lid;
  return PROP_TAG(type, data.names->IdOf(name, true));
}

ULONG StringNamedTag(memory::StoreData& data, const GUID& set, std::u16string text, ULONG type) {
  mapi::PropName name;
  name.guid = set;
  name.kind = MNID_STRING;
  name.name = std::move(text);
  return PROP_TAG(type, data.names->IdOf(name, true));
}

// A one-off entry id: 8-bit strings, or UTF-16 ones with the Unicode flag.
std::string OneOff(std::u16string_view name, std::u16string_view address, bool unicode) {
  std::string id(4, '\0');
  id += std::string("\x81\x2B\x1F\xA4\xBE\xA3\x10\x19\x9D\x6E\x00\xDD\x01\x0F\x54\x02", 16);
  id += unicode ? std::string("\0\0\x01\x80", 4) : std::string("\0\0\x01\x00", 4);
  for (std::u16string_view part : {name, std::u16string_view(u"SMTP"), address}) {
    for (char16_t c : part) {
      id += static_cast<char>(c & 0xFF);
      if (unicode) id += static_cast<char>(c >> 8);
    }
    id += unicode ? std::string(2, '\0') : std::string(1, '\0');
  }
  return id;
}

}  // namespace

void MemoryProfile::AddDistributionLists() {
  memory::StoreData& data = *state_->data;
  memory::Folder& contacts = data.AddFolder(*data.ipmSubtree, u"Contacts", "IPF.Contact");
  const ULONG members = NamedTag(data, kAddressSet, 0x8054, PT_MV_BINARY);
  const ULONG keywords = StringNamedTag(data, kPublicStrings, u"Keywords", PT_MV_UNICODE);

  memory::Message& team = data.AddMessage(contacts, "IPM.DistList");
  team.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Team"));
  team.props.Set(mapi::MakeUnicode(PROP_TAG(PT_UNICODE, 0x9000), u"a property without a name"));
  team.props.Set(mapi::MakeMvBinary(
      members, {OneOff(u"Al", u"al@example.com", false), OneOff(u"Nobody", u"", true), std::string(24, '\x7F'),
                OneOff(u"Zo\u00eb", u"zo\u00eb@example.com", true), OneOff(u"Li", u"\u674e@example.com", true),
                OneOff(u"Bo", u"bo@example.com", true)}));
  team.props.Set(mapi::MakeMvUnicode(keywords, {u"Red", u"Blue"}));

  memory::Message& odd = data.AddMessage(contacts, "IPM.DistList");
  odd.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Odd"));
  odd.props.Set(mapi::MakeUnicode(CHANGE_PROP_TYPE(members, PT_UNICODE), u"not a member list"));

  memory::Message& plain = data.AddMessage(contacts, "IPM.DistList");
  plain.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Plain"));

  memory::Message& empty = data.AddMessage(contacts, "IPM.DistList");
  empty.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Nobody in it"));
  empty.props.Set(mapi::MakeMvBinary(members, {}));

  memory::Message& after = data.AddMessage(contacts, "IPM.Note");
  after.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"After"));
}

std::u16string MemoryProfile::BigBody() {
  std::u16string body;
  while (body.size() < 5000) body += u"A long line of the body\r\n";
  body.resize(5000);
  return body;
}

namespace {

memory::Attachment& AddFile(memory::Message& message, std::u16string_view name, const std::string& data) {
  memory::Attachment& att = message.attachments.emplace_back();
  att.props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE));
  att.props.Set(mapi::MakeUnicode(PR_ATTACH_LONG_FILENAME_W, name));
  att.props.Set(mapi::MakeBinary(PR_ATTACH_DATA_BIN, data));
  return att;
}

// A compound file with one stream, as its bytes.
std::string Docfile(const std::string& contents) {
  ComPtr<IStorage> storage;
  EXPECT_EQ(StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0,
                             storage.ReleaseAndGetAddressOf()),
            S_OK);
  ComPtr<IStream> stream;
  EXPECT_EQ(
      storage->CreateStream(u"Contents", STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.ReleaseAndGetAddressOf()),
      S_OK);
  EXPECT_EQ(stream->Write(contents.data(), static_cast<ULONG>(contents.size()), nullptr), S_OK);
  stream.Reset();
  ComPtr<IStream> bytes;
  EXPECT_EQ(com::CreateDocfileStream(storage.Get(), bytes.ReleaseAndGetAddressOf()), S_OK);
  STATSTG stat{};
  bytes->Stat(&stat, STATFLAG_NONAME);
  std::string docfile(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
  LARGE_INTEGER start{};
  bytes->Seek(start, STREAM_SEEK_SET, nullptr);
  bytes->Read(docfile.data(), static_cast<ULONG>(docfile.size()), nullptr);
  return docfile;
}

}  // namespace

void MemoryProfile::AddExportFolder() {
  memory::StoreData& data = *state_->data;
  memory::Folder& folder = data.AddFolder(*data.ipmSubtree, u"Export", "IPF.Note");
  state_->exportFolder = &folder;

  memory::Message& mail = data.AddMessage(folder);
  mail.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Attachments"));
  AddFile(mail, u"a.txt", cressing_test::Pattern(200000));
  AddFile(mail, u"b.txt", "bee");
  memory::Attachment& inner = mail.attachments.emplace_back();
  memory::Message& embedded = data.AddEmbedded(inner);
  inner.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Inner"));
  embedded.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Inner"));
  embedded.props.Set(mapi::MakeUnicode(PR_BODY_W, u"inner body"));
  AddFile(mail, u"c.txt", "sea");
  memory::Attachment& ole = mail.attachments.emplace_back();
  ole.props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_OLE));
  ole.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Sheet"));
  ole.oleStorage = Docfile("cells");

  memory::Message& big = data.AddMessage(folder);
  big.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Big body"));
  big.props.Set(mapi::MakeUnicode(PR_BODY_W, BigBody()));
}

IMsgStore* MemoryProfile::OpenUnsharedStore(std::string& exportFolderId) {
  mapi::StoreIdentity identity;
  identity.uid = {{0x55, 0x4E, 0x53, 0x48, 0x41, 0x52, 0x45, 0x44, 1, 2, 3, 4, 5, 6, 7, 8}};
  identity.displayName = u"Unshared";
  identity.storeEntryId = mapi::MakeStoreEntryId(identity.uid, mapi::StoreKind::kPst, "unshared");
  if (state_->exportFolder) exportFolderId = memory::FolderEntryId(identity.uid, *state_->exportFolder);
  IMsgStore* store = nullptr;
  EXPECT_EQ(memory::OpenStore(state_->data, identity, &store), S_OK);
  return store;
}

void MemoryProfile::LimitValues(std::size_t bytes) { state_->data->maxValueBytes = bytes; }

void MemoryProfile::Fail(const std::string& call, std::int32_t status, unsigned after, unsigned times) {
  state_->data->faults.Fail(call, status).After(after).Times(times);
}

void MemoryProfile::FailNames() { state_->data->faults.Fail("GetNamesFromIDs", MAPI_E_NO_SUPPORT); }

void MemoryProfile::FailOneOpenEntry(unsigned letThrough) {
  state_->data->faults.Fail("OpenEntry", MAPI_E_NO_ACCESS).After(letThrough).Times(1);
}

long MemoryProfile::LiveMapiBuffers() { return mapi::LiveBuffers(); }

}  // namespace cressing_test
