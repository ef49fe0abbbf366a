// Copying a PST message into another message, as saving it to an .msg file
// does: properties with named ones mapped to the target's ids, recipients,
// and attachments with their data, embedded messages included.
#include "com/storage.h"
#include "mapi/defaults.h"
#include "pst_test_support.h"

namespace {

using namespace pst_test;

constexpr GUID kPsetidAppointment = {0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A writable message and attachment that keep what is copied into them.
class SinkMessage final : public mapi::MessageObject<> {
 public:
  SinkMessage() { SetNameMap(std::make_shared<mapi::NameMap>()); }
  HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE OpenAttach(ULONG, LPCIID, ULONG, LPATTACH*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG flags, LPADRLIST list) override;
  HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID, ULONG, ULONG* number, LPATTACH* out) override;
  std::vector<mapi::PropMap> recipients;
  std::vector<ComPtr<IAttach>> attachments;
  int saves = 0;
  HRESULT STDMETHODCALLTYPE SaveChanges(ULONG) override { return ++saves, S_OK; }
  mapi::NameMap* Names() { return names(); }
};

class SinkAttach final : public mapi::AttachObject<> {
 public:
  ComPtr<SinkMessage> embedded;
  ComPtr<IStream> data;
  ComPtr<IStorage> storage;

 protected:
  HRESULT OpenObject(ULONG tag, REFIID iid, ULONG, LPUNKNOWN* unk) override {
    if (iid == IID_IMessage) {
      embedded = com::Make<SinkMessage>();
      *unk = static_cast<IMessage*>(embedded.Get());
      embedded->AddRef();
      return S_OK;
    }
    if (iid == IID_IStorage) {
      HRESULT hr = StgCreateDocfile(nullptr, STGM_READWRITE | STGM_CREATE, 0, storage.ReleaseAndGetAddressOf());
      return FAILED(hr) ? hr : storage.CopyTo(reinterpret_cast<IStorage**>(unk));
    }
    if (iid == IID_IStream && PROP_ID(tag) == PROP_ID(PR_ATTACH_DATA_BIN)) {
      CreateStreamOnHGlobal(nullptr, TRUE, data.ReleaseAndGetAddressOf());
      return data.CopyTo(reinterpret_cast<IStream**>(unk));
    }
    return MAPI_E_NO_SUPPORT;
  }
};

HRESULT SinkMessage::ModifyRecipients(ULONG flags, LPADRLIST list) {
  EXPECT_EQ(flags, 2u);  // MODRECIP_ADD
  for (ULONG i = 0; i < list->cEntries; ++i) {
    mapi::PropMap row;
    for (ULONG v = 0; v < list->aEntries[i].cValues; ++v) row.Set(list->aEntries[i].rgPropVals[v]);
    recipients.push_back(std::move(row));
  }
  return S_OK;
}

HRESULT SinkMessage::CreateAttach(LPCIID, ULONG, ULONG* number, LPATTACH* out) {
  *number = static_cast<ULONG>(attachments.size());
  attachments.push_back(com::Make<SinkAttach>());
  return attachments.back().CopyTo(out);
}

SinkAttach* AsSink(const ComPtr<IAttach>& a) { return static_cast<SinkAttach*>(a.Get()); }

std::string Drain(IStream* s) {
  LARGE_INTEGER zero{};
  s->Seek(zero, STREAM_SEEK_SET, nullptr);
  return ReadStream(s);
}

TEST(PstCopy, MessageCopiesWithRecipientsAttachmentsAndNamedProperties) {
  testing_support::TempMachine machine;
  std::string big(1200 * 1024, 'z');
  std::string bigHex = "hex:";
  for (size_t i = 0; i < big.size(); ++i) bigHex += "7a";
  auto path = MakePst(machine.scratch(), R"({"folders": [{"name": "Inbox", "messages": [
    {"props": {"PR_SUBJECT_W": "Original", "PR_BODY_W": "text"},
     "named": [{"set": "PSETID_Appointment", "lid": 33293, "type": "PT_SYSTIME", "value": "2024-03-15T13:05:00Z"}],
     "recipients": [{"name": "Ann", "email": "ann@example.com"}, {"type": "cc", "name": "Bob", "email": "bob@example.com"}],
     "attachments": [{"method": 1, "long_filename": "a.txt", "data": "base64:aGk="},
                     {"method": 1, "long_filename": "big.bin", "data": ")" + bigHex + R"("},
                     {"method": 5, "display_name": "Fwd", "message": {"props": {"PR_SUBJECT_W": "inner"},
                       "attachments": [{"method": 1, "long_filename": "b.txt", "data": "base64:eW8="}]}}]}]}]})");
  ComPtr<IMsgStore> store = OpenStore(path);
  ASSERT_TRUE(store);
  ComPtr<IMAPIFolder> top = Open<IMAPIFolder>(store.Get(), GetProps(store.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
  ComPtr<IMAPITable> level;
  top->GetHierarchyTable(0, level.ReleaseAndGetAddressOf());
  mapi::RowSet folders = AllRows(level.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID});
  ComPtr<IMAPIFolder> inbox;
  for (ULONG i = 0; i < folders->cRows; ++i)
    if (Utf8(folders->aRow[i].lpProps[0]) == "Inbox") inbox = Open<IMAPIFolder>(store.Get(), folders->aRow[i].lpProps[1]);
  ComPtr<IMAPITable> contents;
  inbox->GetContentsTable(0, contents.ReleaseAndGetAddressOf());
  mapi::RowSet rows = AllRows(contents.Get(), {PR_ENTRYID});
  ComPtr<IMessage> message = Open<IMessage>(store.Get(), rows->aRow[0].lpProps[0]);

  auto sink = com::Make<SinkMessage>();
  sink->Names()->IdOf(mapi::PropName{GUID_NULL, MNID_ID, 1, u""}, true);  // the sink's ids differ from the file's
  SizedSPropTagArray(1, exclude) = {1, {PR_BODY_W}};
  ASSERT_EQ(message->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&exclude), 0, nullptr, &IID_IMessage,
                            static_cast<IMessage*>(sink.Get()), 0, nullptr),
            S_OK);

  EXPECT_EQ(Utf8(*sink->props().Find(PR_SUBJECT_W)), "Original");
  EXPECT_FALSE(sink->props().Find(PR_BODY_W));
  ULONG start = sink->Names()->IdOf(mapi::PropName{kPsetidAppointment, MNID_ID, 0x820D, u""}, false);
  ASSERT_NE(start, 0u);
  const SPropValue* when = sink->props().Find(PROP_TAG(PT_SYSTIME, start));
  ASSERT_TRUE(when);
  EXPECT_EQ(PROP_TYPE(when->ulPropTag), PT_SYSTIME);

  ASSERT_EQ(sink->recipients.size(), 2u);
  EXPECT_EQ(Utf8(*sink->recipients[1].Find(PR_EMAIL_ADDRESS_W)), "bob@example.com");
  EXPECT_EQ(sink->recipients[1].Find(PR_RECIPIENT_TYPE)->Value.l, static_cast<LONG>(MAPI_CC));

  ASSERT_EQ(sink->attachments.size(), 3u);
  EXPECT_EQ(Bytes(*AsSink(sink->attachments[0])->props().Find(PR_ATTACH_DATA_BIN)), "hi");
  ASSERT_TRUE(AsSink(sink->attachments[1])->data);  // too large for the properties: copied as a stream
  EXPECT_EQ(Drain(AsSink(sink->attachments[1])->data.Get()), big);
  SinkMessage* inner = AsSink(sink->attachments[2])->embedded.Get();
  ASSERT_TRUE(inner);
  EXPECT_EQ(Utf8(*inner->props().Find(PR_SUBJECT_W)), "inner");
  EXPECT_EQ(inner->saves, 1);
  ASSERT_EQ(inner->attachments.size(), 1u);
  EXPECT_EQ(Bytes(*AsSink(inner->attachments[0])->props().Find(PR_ATTACH_DATA_BIN)), "yo");
}

}  // namespace
