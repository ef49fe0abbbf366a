// The memory store: a walk from the store to attachment bytes, stable entry
// ids, and injected failures.
#include <gtest/gtest.h>

#include "mapi/memory_store.h"
#include "mapi_test_util.h"

namespace {

using mapi_test::Tags;
using mapi_test::W;
namespace memory = mapi::memory;

struct Fixture {
  std::shared_ptr<memory::StoreData> data = std::make_shared<memory::StoreData>();
  mapi::StoreIdentity id;
  memory::Folder* inbox = nullptr;
  memory::Message* mail = nullptr;

  Fixture() {
    id.uid = mapi::UidFromText("memory-test");
    id.displayName = u"Test Store";
    id.storeEntryId = mapi::MakeStoreEntryId(id.uid, mapi::StoreKind::kMemory, "test");
    inbox = &data->AddFolder(*data->ipmSubtree, u"Inbox", "IPF.Note");
    data->AddFolder(*data->ipmSubtree, u"Calendar", "IPF.Appointment");
    mail = &data->AddMessage(*inbox);
    mail->props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Hello"));
    mapi::PropMap to;
    to.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Ann"));
    to.Set(mapi::MakeLong(PR_RECIPIENT_TYPE, MAPI_TO));
    mail->recipients.push_back(to);
    memory::Attachment file;
    file.props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE));
    file.props.Set(mapi::MakeBinary(PR_ATTACH_DATA_BIN, std::string("PK\3\4\0x", 6)));
    mail->attachments.push_back(std::move(file));
    mail->attachments.emplace_back();
    data->AddEmbedded(mail->attachments.back()).props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Inner"));
  }
  ComPtr<IMsgStore> Open() {
    ComPtr<IMsgStore> store;
    EXPECT_EQ(memory::OpenStore(data, id, store.ReleaseAndGetAddressOf()), S_OK);
    return store;
  }
};

template <class T>
ComPtr<T> OpenEntry(IMsgStore* store, const SPropValue& eid, ULONG flags = 0) {
  ComPtr<IUnknown> unk;
  ULONG type = 0;
  EXPECT_EQ(store->OpenEntry(eid.Value.bin.cb, reinterpret_cast<LPENTRYID>(eid.Value.bin.lpb), nullptr, flags,
                             &type, unk.ReleaseAndGetAddressOf()),
            S_OK);
  return unk.As<T>();
}

mapi::RowSet AllRows(IMAPITable* table, std::initializer_list<ULONG> cols) {
  auto tags = Tags(cols);
  LPSRowSet raw = nullptr;
  EXPECT_EQ(HrQueryAllRows(table, tags.get(), nullptr, nullptr, 0, &raw), S_OK);
  return mapi::RowSet(raw);
}

TEST(MemoryStore, WalksFromTheStoreToAttachmentBytes) {
  Fixture f;
  auto store = f.Open();
  LPSPropValue raw = nullptr;
  ASSERT_EQ(HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, &raw), S_OK);
  mapi::Buffer<SPropValue> subtree(raw);
  auto top = OpenEntry<IMAPIFolder>(store.Get(), *subtree);
  ASSERT_TRUE(top);

  ComPtr<IMAPITable> hier;
  ASSERT_EQ(top->GetHierarchyTable(MAPI_UNICODE, hier.ReleaseAndGetAddressOf()), S_OK);
  auto folders = AllRows(hier.Get(), {PR_CONTENT_COUNT, PR_DISPLAY_NAME_W, PR_CONTAINER_CLASS_A, PR_ENTRYID});
  ASSERT_EQ(folders->cRows, 2u);
  EXPECT_EQ(folders->aRow[0].lpProps[0].Value.l, 1);
  EXPECT_EQ(W(folders->aRow[0].lpProps[1]), u"Inbox");
  EXPECT_EQ(mapi_test::A(folders->aRow[1].lpProps[2]), "IPF.Appointment");

  auto inbox = OpenEntry<IMAPIFolder>(store.Get(), folders->aRow[0].lpProps[3]);
  ComPtr<IMAPITable> contents;
  ASSERT_EQ(inbox->GetContentsTable(0, contents.ReleaseAndGetAddressOf()), S_OK);
  auto items = AllRows(contents.Get(), {PR_ENTRYID, PR_MESSAGE_CLASS_A});
  ASSERT_EQ(items->cRows, 1u);
  EXPECT_EQ(mapi_test::A(items->aRow[0].lpProps[1]), "IPM.Note");
  auto msg = OpenEntry<IMessage>(store.Get(), items->aRow[0].lpProps[0], MAPI_BEST_ACCESS);
  ASSERT_TRUE(msg);

  ComPtr<IMAPITable> recips;
  ASSERT_EQ(msg->GetRecipientTable(MAPI_UNICODE, recips.ReleaseAndGetAddressOf()), S_OK);
  auto to = AllRows(recips.Get(), {PR_DISPLAY_NAME_W, PR_RECIPIENT_TYPE});
  ASSERT_EQ(to->cRows, 1u);
  EXPECT_EQ(W(to->aRow[0].lpProps[0]), u"Ann");

  ComPtr<IAttach> file;
  ASSERT_EQ(msg->OpenAttach(0, nullptr, 0, file.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IUnknown> unk;
  ASSERT_EQ(file->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, unk.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(mapi_test::ReadAll(unk.As<IStream>().Get()), std::string("PK\3\4\0x", 6));

  ComPtr<IAttach> embedded;
  ASSERT_EQ(msg->OpenAttach(1, nullptr, 0, embedded.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(embedded->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, unk.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(HrGetOneProp(unk.As<IMessage>().Get(), PR_SUBJECT_W, &raw), S_OK);
  mapi::Buffer<SPropValue> inner(raw);
  EXPECT_EQ(W(*inner), u"Inner");
  EXPECT_EQ(msg->OpenAttach(2, nullptr, 0, embedded.ReleaseAndGetAddressOf()), MAPI_E_NOT_FOUND);
}

TEST(MemoryStore, EntryIdsAreStableAndChecked) {
  Fixture f;
  const std::string eid = memory::MessageEntryId(f.id.uid, *f.mail);
  for (int i = 0; i < 2; ++i) {
    auto store = f.Open();
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    ASSERT_EQ(store->OpenEntry(static_cast<ULONG>(eid.size()), (LPENTRYID)eid.data(), nullptr, 0, &type,
                               unk.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(type, MAPI_MESSAGE);
    LPSPropValue raw = nullptr;
    ASSERT_EQ(HrGetOneProp(unk.As<IMessage>().Get(), PR_ENTRYID, &raw), S_OK);
    mapi::Buffer<SPropValue> got(raw);
    EXPECT_EQ(mapi_test::Bin(*got), eid);
  }
  auto store = f.Open();
  std::string other = eid;
  other[5] ^= 1;  // another store's uid
  std::string gone = eid;
  gone[21] = 0x7F;  // no such serial
  struct Case {
    std::string id;
    HRESULT want;
  } cases[] = {{other, MAPI_E_INVALID_ENTRYID}, {gone, MAPI_E_NOT_FOUND}, {eid.substr(0, 10), MAPI_E_INVALID_ENTRYID}};
  for (const auto& c : cases) {
    ComPtr<IUnknown> unk;
    EXPECT_EQ(store->OpenEntry(static_cast<ULONG>(c.id.size()), (LPENTRYID)c.id.data(), nullptr, 0, nullptr,
                               unk.ReleaseAndGetAddressOf()),
              c.want);
    EXPECT_FALSE(unk);
  }
}

TEST(MemoryStore, LeftOutTagsAreMissingFromTheRowOrTheFolderOnly) {
  Fixture f;
  f.inbox->leftOutOfRow = {PR_CONTENT_COUNT};  // computed for the folder, not put in its row
  f.data->ipmSubtree->folders[1]->leftOutOfObject = {PR_CONTENT_COUNT};
  auto store = f.Open();
  LPSPropValue raw = nullptr;
  ASSERT_EQ(HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID, &raw), S_OK);
  mapi::Buffer<SPropValue> subtree(raw);
  ComPtr<IMAPITable> hier;
  ASSERT_EQ(OpenEntry<IMAPIFolder>(store.Get(), *subtree)->GetHierarchyTable(0, hier.ReleaseAndGetAddressOf()), S_OK);
  auto rows = AllRows(hier.Get(), {PR_CONTENT_COUNT, PR_ENTRYID});
  ASSERT_EQ(rows->cRows, 2u);
  EXPECT_EQ(rows->aRow[0].lpProps[0].ulPropTag, CHANGE_PROP_TYPE(PR_CONTENT_COUNT, PT_ERROR));
  EXPECT_EQ(rows->aRow[1].lpProps[0].ulPropTag, PR_CONTENT_COUNT);

  auto inbox = OpenEntry<IMAPIFolder>(store.Get(), rows->aRow[0].lpProps[1]);
  ASSERT_EQ(HrGetOneProp(inbox.Get(), PR_CONTENT_COUNT, &raw), S_OK);
  mapi::Buffer<SPropValue> count(raw);
  EXPECT_EQ(count->Value.l, 1);
  auto calendar = OpenEntry<IMAPIFolder>(store.Get(), rows->aRow[1].lpProps[1]);
  EXPECT_EQ(HrGetOneProp(calendar.Get(), PR_CONTENT_COUNT, &raw), MAPI_E_NOT_FOUND);
}

TEST(MemoryStore, InjectedFailuresAnswerTheChosenCalls) {
  Fixture f;
  f.data->faults.Fail("GetHierarchyTable", MAPI_E_BAD_CHARWIDTH).WhenFlags(MAPI_UNICODE);
  f.data->faults.Fail("QueryRows", MAPI_E_CALL_FAILED).After(1).Times(1);
  auto store = f.Open();
  ComPtr<IUnknown> unk;
  ASSERT_EQ(store->OpenEntry(0, nullptr, nullptr, 0, nullptr, unk.ReleaseAndGetAddressOf()), S_OK);
  auto root = unk.As<IMAPIFolder>();
  ComPtr<IMAPITable> table;
  EXPECT_EQ(root->GetHierarchyTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf()), MAPI_E_BAD_CHARWIDTH);
  ASSERT_EQ(root->GetHierarchyTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  const HRESULT want[] = {S_OK, MAPI_E_CALL_FAILED, S_OK};
  for (HRESULT w : want) {
    LPSRowSet raw = nullptr;
    EXPECT_EQ(table->QueryRows(1, 0, &raw), w);
    FreeProws(raw);
  }
  f.data->faults.Fail("OpenEntry", MAPI_E_NO_ACCESS);
  EXPECT_EQ(store->OpenEntry(0, nullptr, nullptr, 0, nullptr, unk.ReleaseAndGetAddressOf()), MAPI_E_NO_ACCESS);
}

}  // namespace
