// The PST store through MAPI, over the PST that Outlook wrote: store
// properties, the folder tree as the engine lists it, every message read
// whole, named properties and stable entry ids.
#include <functional>
#include <map>
#include <set>

#include "pst_test_support.h"

namespace {

using namespace pst_test;

constexpr GUID kPsetidAddress = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

class PstStoreSample : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
    HRESULT hr = E_FAIL;
    store_ = OpenStore(sample, &hr);
    ASSERT_EQ(hr, S_OK);
    ASSERT_TRUE(store_);
  }
  ComPtr<IMAPIFolder> Subtree() {
    Values v = GetProps(store_.Get(), {PR_IPM_SUBTREE_ENTRYID});
    EXPECT_EQ(v.hr, S_OK);
    return Open<IMAPIFolder>(store_.Get(), v[0]);
  }
  // Sub-folders of a folder by display name, with their hierarchy rows.
  std::map<std::string, mapi::RowSet> Level(IMAPIFolder* folder, const std::vector<ULONG>& columns) {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetHierarchyTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet rows = AllRows(table.Get(), columns);
    std::map<std::string, mapi::RowSet> byName;
    for (ULONG i = 0; rows && i < rows->cRows; ++i) {
      LPSRowSet one = nullptr;
      MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(1)), reinterpret_cast<void**>(&one));
      one->cRows = 1;
      one->aRow[0] = rows->aRow[i];
      rows->aRow[i] = SRow{};  // moved into `one`
      std::string name;
      for (ULONG c = 0; c < one->aRow[0].cValues; ++c)
        if (one->aRow[0].lpProps[c].ulPropTag == PR_DISPLAY_NAME_W) name = Utf8(one->aRow[0].lpProps[c]);
      byName[name] = mapi::RowSet(one);
    }
    return byName;
  }
  ComPtr<IMsgStore> store_;
};

TEST(PstStoreOpen, MissingFilesAndOtherFilesAreRefused) {
  testing_support::TempMachine machine;
  auto other = machine.scratch() / "other.pst";
  std::ofstream(other) << "this is not a personal folders file";
  struct Case {
    std::filesystem::path path;
    HRESULT hr;
  } cases[] = {{machine.scratch() / "missing.pst", MAPI_E_NOT_FOUND}, {other, MAPI_E_CORRUPT_STORE}};
  for (const Case& c : cases) {
    HRESULT hr = S_OK;
    EXPECT_FALSE(OpenStore(c.path, &hr)) << c.path;
    EXPECT_EQ(hr, c.hr) << c.path;
  }
}

TEST_F(PstStoreSample, StorePropertiesNameTheStoreAndItsSubtree) {
  Values v = GetProps(store_.Get(), {PR_DISPLAY_NAME_W, PR_DISPLAY_NAME_A, PR_ENTRYID, PR_RECORD_KEY,
                                     PR_IPM_SUBTREE_ENTRYID, PR_OBJECT_TYPE, PR_MDB_PROVIDER});
  ASSERT_EQ(v.hr, S_OK);
  mapi::StoreIdentity id = Identity();
  EXPECT_EQ(Text(v[0]), u"Personal Folders");
  EXPECT_EQ(Utf8(v[1]), "Personal Folders");
  EXPECT_EQ(Bytes(v[2]), id.storeEntryId);
  EXPECT_EQ(Bytes(v[3]), std::string(reinterpret_cast<const char*>(id.uid.ab), 16));
  // Object entry ids carry the store's uid after four flag bytes.
  ASSERT_EQ(v[4].Value.bin.cb, 24u);
  EXPECT_EQ(Bytes(v[4]).substr(4, 16), Bytes(v[3]));
  EXPECT_EQ(v[5].Value.l, static_cast<LONG>(MAPI_STORE));
  EXPECT_EQ(Bytes(v[6]), std::string(reinterpret_cast<const char*>(mapi::kPstProviderUid.ab), 16));

  ComPtr<IMAPIFolder> top = Subtree();
  ASSERT_TRUE(top);
  Values name = GetProps(top.Get(), {PR_DISPLAY_NAME_W});
  EXPECT_EQ(Text(name[0]), u"Top of Personal Folders");
}

TEST_F(PstStoreSample, MissingPropertiesComeBackAsErrorValues) {
  ComPtr<IMAPIFolder> top = Subtree();
  ASSERT_TRUE(top);
  Values v = GetProps(top.Get(), {PR_DISPLAY_NAME_W, PROP_TAG(PT_LONG, 0x6789), PR_CONTENT_COUNT});
  EXPECT_EQ(v.hr, MAPI_W_ERRORS_RETURNED);
  ASSERT_EQ(v.count, 3u);
  EXPECT_TRUE(IsNotFound(v[1]));
  EXPECT_EQ(PROP_ID(v[1].ulPropTag), 0x6789u);
  EXPECT_EQ(v[2].ulPropTag, PR_CONTENT_COUNT);
}

// The engine's hierarchy columns: the four mail folders have no class and
// their cells say so, in both widths.
TEST_F(PstStoreSample, HierarchyRowsShowWhatEachFolderHas) {
  ComPtr<IMAPIFolder> top = Subtree();
  ASSERT_TRUE(top);
  auto level = Level(top.Get(), {PR_CONTENT_COUNT, PR_DISPLAY_NAME_W, PR_DISPLAY_NAME_A, PR_CONTAINER_CLASS_W,
                                 PR_CONTAINER_CLASS_A, PR_ENTRYID});
  struct Case {
    const char* name;
    const char* cls;  // null: none
    LONG count;
  } cases[] = {{"Inbox", nullptr, 0},           {"Outbox", nullptr, 0},        {"Sent Items", nullptr, 0},
               {"Deleted Items", nullptr, 0},   {"Calendar", "IPF.Appointment", 1},
               {"Contacts", "IPF.Contact", 2},  {"Tasks", "IPF.Task", 0},      {"Notes", "IPF.StickyNote", 0}};
  for (const Case& c : cases) {
    ASSERT_TRUE(level.count(c.name)) << c.name;
    const SRow& row = level[c.name]->aRow[0];
    ASSERT_EQ(row.cValues, 6u) << c.name;
    EXPECT_EQ(row.lpProps[0].Value.l, c.count) << c.name;
    EXPECT_EQ(Utf8(row.lpProps[2]), c.name);
    for (int col : {3, 4}) {
      if (c.cls) {
        EXPECT_EQ(Utf8(row.lpProps[col]), c.cls) << c.name;
      } else {
        EXPECT_TRUE(IsNotFound(row.lpProps[col])) << c.name << " column " << col;
      }
    }
    EXPECT_EQ(row.lpProps[5].Value.bin.cb, 24u) << c.name;
  }
}

struct Tally {
  int folders = 0, messages = 0, embedded = 0, attachments = 0, recipients = 0, named = 0;
};

void ReadMessage(IMessage* msg, Tally& t, int depth);

void ReadAttachments(IMessage* msg, Tally& t, int depth) {
  ComPtr<IMAPITable> table;
  ASSERT_EQ(msg->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(table.Get(), {PR_ATTACH_NUM, PR_ATTACH_METHOD});
  for (ULONG i = 0; i < rows->cRows; ++i) {
    ++t.attachments;
    ComPtr<IAttach> attach;
    ASSERT_EQ(msg->OpenAttach(rows->aRow[i].lpProps[0].Value.l, nullptr, MAPI_BEST_ACCESS,
                              attach.ReleaseAndGetAddressOf()),
              S_OK);
    Values all = GetProps(attach.Get(), {}, MAPI_UNICODE);
    EXPECT_EQ(all.hr, S_OK);
    if (rows->aRow[i].lpProps[1].Value.l != 5) continue;
    ComPtr<IMessage> inner;
    ASSERT_EQ(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                   reinterpret_cast<LPUNKNOWN*>(inner.ReleaseAndGetAddressOf())),
              S_OK);
    ++t.embedded;
    ReadMessage(inner.Get(), t, depth + 1);
  }
}

void ReadMessage(IMessage* msg, Tally& t, int depth) {
  Values all = GetProps(msg, {}, MAPI_UNICODE);
  ASSERT_EQ(all.hr, S_OK);
  ASSERT_GT(all.count, 10u);
  std::vector<ULONG> named{0};
  for (ULONG i = 0; i < all.count; ++i) {
    EXPECT_NE(PROP_TYPE(all[i].ulPropTag), PT_STRING8);  // MAPI_UNICODE asked
    EXPECT_NE(PROP_TYPE(all[i].ulPropTag), PT_ERROR) << std::hex << all[i].ulPropTag;
    if (PROP_ID(all[i].ulPropTag) >= 0x8000) named.push_back(all[i].ulPropTag);
  }
  named[0] = static_cast<ULONG>(named.size() - 1);
  auto* tags = reinterpret_cast<LPSPropTagArray>(named.data());
  ULONG count = 0;
  LPMAPINAMEID* names = nullptr;
  EXPECT_EQ(msg->GetNamesFromIDs(&tags, nullptr, 0, &count, &names), S_OK);
  mapi::Buffer<LPMAPINAMEID> namesHeld(names);
  EXPECT_EQ(count, named[0]);
  for (ULONG i = 0; i < count; ++i) {
    EXPECT_TRUE(names[i]) << std::hex << named[i + 1];
    t.named += names[i] != nullptr;
  }
  ComPtr<IMAPITable> recipients;
  ASSERT_EQ(msg->GetRecipientTable(MAPI_UNICODE, recipients.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(recipients.Get(), {PR_DISPLAY_NAME_W, PR_RECIPIENT_TYPE});
  t.recipients += static_cast<int>(rows->cRows);
  ReadAttachments(msg, t, depth);
  if (depth == 0) ++t.messages;
}

TEST_F(PstStoreSample, EveryFolderAndMessageReadsWholeThroughMapi) {
  Tally t;
  std::function<void(IMAPIFolder*)> walk = [&](IMAPIFolder* folder) {
    ++t.folders;
    ComPtr<IMAPITable> contents;
    ASSERT_EQ(folder->GetContentsTable(0, contents.ReleaseAndGetAddressOf()), S_OK);
    ULONG total = 0;
    EXPECT_EQ(contents->GetRowCount(0, &total), S_OK);
    SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_CONTAINER_CLASS_A}};
    ASSERT_EQ(contents->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    ULONG seen = 0;
    for (;;) {
      LPSRowSet raw = nullptr;
      ASSERT_EQ(contents->QueryRows(1, 0, &raw), S_OK);
      mapi::RowSet row(raw);
      if (row->cRows != 1) break;
      ++seen;
      ComPtr<IMessage> msg = Open<IMessage>(store_.Get(), row->aRow[0].lpProps[0], MAPI_BEST_ACCESS);
      ASSERT_TRUE(msg);
      ReadMessage(msg.Get(), t, 0);
    }
    EXPECT_EQ(seen, total);
    ComPtr<IMAPITable> hierarchy;
    ASSERT_EQ(folder->GetHierarchyTable(0, hierarchy.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet subs = AllRows(hierarchy.Get(), {PR_ENTRYID});
    for (ULONG i = 0; i < subs->cRows; ++i) {
      ComPtr<IMAPIFolder> sub = Open<IMAPIFolder>(store_.Get(), subs->aRow[i].lpProps[0]);
      ASSERT_TRUE(sub);
      walk(sub.Get());
    }
  };
  ComPtr<IMAPIFolder> root;
  ULONG type = 0;
  ASSERT_EQ(store_->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type,
                              reinterpret_cast<LPUNKNOWN*>(root.ReleaseAndGetAddressOf())),
            S_OK);
  EXPECT_EQ(type, MAPI_FOLDER);
  walk(root.Get());
  EXPECT_GT(t.folders, 20);
  EXPECT_GE(t.messages, 4);
  EXPECT_EQ(t.embedded, 2);
  EXPECT_GT(t.named, 50);
}

TEST_F(PstStoreSample, NamedPropertiesCarryTheirSetsAndIds) {
  ComPtr<IMAPIFolder> top = Subtree();
  auto level = Level(top.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID});
  ASSERT_TRUE(level.count("Contacts"));
  ComPtr<IMAPIFolder> contacts = Open<IMAPIFolder>(store_.Get(), level["Contacts"]->aRow[0].lpProps[1]);
  ComPtr<IMAPITable> table;
  ASSERT_EQ(contacts->GetContentsTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(table.Get(), {PR_ENTRYID, PR_MESSAGE_CLASS_W});
  ComPtr<IMessage> contact;
  for (ULONG i = 0; i < rows->cRows; ++i)
    if (Utf8(rows->aRow[i].lpProps[1]) == "IPM.Contact") contact = Open<IMessage>(store_.Get(), rows->aRow[i].lpProps[0]);
  ASSERT_TRUE(contact);

  // The e-mail display name, by name, and back.
  MAPINAMEID email{const_cast<GUID*>(&kPsetidAddress), MNID_ID, {}};
  email.Kind.lID = 0x8084;
  LPMAPINAMEID ask[] = {&email};
  LPSPropTagArray found = nullptr;
  ASSERT_EQ(contact->GetIDsFromNames(1, ask, 0, &found), S_OK);
  mapi::Buffer<SPropTagArray> held(found);
  ASSERT_EQ(found->cValues, 1u);
  EXPECT_EQ(PROP_ID(found->aulPropTag[0]), 0x803Cu);
  Values v = GetProps(contact.Get(), {PROP_TAG(PT_UNICODE, 0x803C)});
  EXPECT_EQ(v.hr, S_OK);
  EXPECT_NE(Text(v[0]), u"");
}

TEST_F(PstStoreSample, EntryIdsAreEqualAcrossTwoOpens) {
  auto listing = [](IMsgStore* store) {
    std::vector<std::string> ids;
    std::function<void(IMAPIFolder*)> walk = [&](IMAPIFolder* folder) {
      Values self = GetProps(folder, {PR_ENTRYID});
      ids.push_back(Bytes(self[0]));
      ComPtr<IMAPITable> contents;
      folder->GetContentsTable(0, contents.ReleaseAndGetAddressOf());
      mapi::RowSet rows = AllRows(contents.Get(), {PR_ENTRYID});
      for (ULONG i = 0; i < rows->cRows; ++i) {
        ids.push_back(Bytes(rows->aRow[i].lpProps[0]));
        ComPtr<IMessage> m = Open<IMessage>(store, rows->aRow[i].lpProps[0]);
        Values own = GetProps(m.Get(), {PR_ENTRYID});
        EXPECT_EQ(Bytes(own[0]), ids.back());  // the row and the message agree
      }
      ComPtr<IMAPITable> hierarchy;
      folder->GetHierarchyTable(0, hierarchy.ReleaseAndGetAddressOf());
      mapi::RowSet subs = AllRows(hierarchy.Get(), {PR_ENTRYID});
      for (ULONG i = 0; i < subs->cRows; ++i) walk(Open<IMAPIFolder>(store, subs->aRow[i].lpProps[0]).Get());
    };
    ComPtr<IMAPIFolder> root;
    ULONG type = 0;
    store->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type, reinterpret_cast<LPUNKNOWN*>(root.ReleaseAndGetAddressOf()));
    walk(root.Get());
    return ids;
  };
  auto first = listing(store_.Get());
  auto again = listing(OpenStore(Sample()).Get());
  EXPECT_EQ(first, again);
  EXPECT_EQ(std::set<std::string>(first.begin(), first.end()).size(), first.size());  // all distinct
}

TEST_F(PstStoreSample, ForeignAndUnknownEntryIdsAreRefused) {
  Values v = GetProps(store_.Get(), {PR_IPM_SUBTREE_ENTRYID});
  std::string foreign = Bytes(v[0]);
  foreign[8] ^= 0x55;
  std::string unknown = Bytes(v[0]);
  unknown[20] = 0x24, unknown[21] = 0x7F;  // a message identifier the file lacks
  struct Case {
    std::string id;
    HRESULT hr;
  } cases[] = {{foreign, MAPI_E_INVALID_ENTRYID}, {unknown, MAPI_E_NOT_FOUND}, {"short", MAPI_E_INVALID_ENTRYID}};
  for (Case& c : cases) {
    ComPtr<IUnknown> out;
    ULONG type = 0;
    EXPECT_EQ(store_->OpenEntry(static_cast<ULONG>(c.id.size()), reinterpret_cast<LPENTRYID>(c.id.data()), nullptr,
                                0, &type, reinterpret_cast<LPUNKNOWN*>(out.ReleaseAndGetAddressOf())),
              c.hr);
    EXPECT_FALSE(out);
  }
}

}  // namespace

namespace {

// A folder value larger than a hierarchy row holds: the row answers
// MAPI_E_NOT_ENOUGH_MEMORY, the folder itself the whole value.
TEST(PstStoreFolders, AValueTooLargeForARowReadsWholeFromTheFolder) {
  using namespace pst_test;
  testing_support::TempMachine machine;
  const std::string comment(70000, 'c');
  ComPtr<IMsgStore> store = OpenStore(MakePst(
      machine.scratch(), R"({"folders": [{"name": "Big", "props": {"PR_COMMENT_W": ")" + comment + R"("}}]})"));
  ASSERT_TRUE(store);
  ComPtr<IMAPIFolder> subtree = Open<IMAPIFolder>(store.Get(), GetProps(store.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
  ComPtr<IMAPITable> level;
  ASSERT_EQ(subtree->GetHierarchyTable(MAPI_UNICODE, level.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(level.Get(), {PR_DISPLAY_NAME_W, PR_COMMENT_W, PR_ENTRYID});
  const SRow* big = nullptr;
  for (ULONG i = 0; i < rows->cRows; ++i)
    if (Text(rows->aRow[i].lpProps[0]) == u"Big") big = &rows->aRow[i];
  ASSERT_TRUE(big);
  EXPECT_EQ(PROP_TYPE(big->lpProps[1].ulPropTag), ULONG(PT_ERROR));
  EXPECT_EQ(big->lpProps[1].Value.err, MAPI_E_NOT_ENOUGH_MEMORY);
  ComPtr<IMAPIFolder> folder = Open<IMAPIFolder>(store.Get(), big->lpProps[2]);
  Values whole = GetProps(folder.Get(), {PR_COMMENT_W});
  EXPECT_EQ(Utf8(whole[0]), comment);
}

}  // namespace
