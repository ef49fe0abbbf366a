// The walk of a PST file that the PST fuzz targets share: a profile "PST"
// over one file, logged on to, its folder tree walked, each folder's
// contents rows read and each message's properties, named-property names,
// recipients and attachments (their data, embedded messages one level
// down), and each message converted to MIME, as Cressing's listings and
// export read them. The work per walk is bounded, and every MAPI buffer is
// freed again by the end of it.
#include "pst_walk.h"

#include <string>
#include <vector>

#include "com/com.h"
#include "com/stream.h"
#include "fuzz_session.h"
#include "mapi/holders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/mapix.h"
#include "mapi/mimeconv.h"
#include "mapi/profiles.h"
#include "mapi/props.h"
#include "testing/fuzz.h"

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);

namespace mapi_fuzz {

namespace {

// What one walk may cost.
constexpr int kMaxFolders = 32;
constexpr int kMaxDepth = 12;
constexpr LONG kRowsPerFolder = 8;
constexpr int kMaxMessages = 24;
constexpr LONG kMaxAttachments = 8;
constexpr ULONG kMaxStreamBytes = 1 << 20;

ComPtr<IConverterSession> g_converter;

struct Budget {
  int folders = kMaxFolders;
  int messages = kMaxMessages;
};

mapi::RowSet Rows(IMAPITable* table, std::initializer_list<ULONG> columns, LONG count) {
  auto tags = mapi::NewTagArray({columns.begin(), columns.size()});
  if (FAILED(table->SetColumns(tags.get(), 0))) return mapi::RowSet();
  LPSRowSet rows = nullptr;
  if (FAILED(table->QueryRows(count, 0, &rows))) return mapi::RowSet();
  FUZZ_CHECK(rows != nullptr);
  return mapi::RowSet(rows);
}

// The object a row's PR_ENTRYID names, or null.
template <class T>
ComPtr<T> Open(IMsgStore* store, const SRow& row) {
  for (ULONG i = 0; i < row.cValues; ++i) {
    if (row.lpProps[i].ulPropTag != PR_ENTRYID) continue;
    const SBinary& eid = row.lpProps[i].Value.bin;
    ComPtr<T> out;
    ULONG type = 0;
    store->OpenEntry(eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), &IidOf<T>(), 0, &type,
                     reinterpret_cast<LPUNKNOWN*>(out.ReleaseAndGetAddressOf()));
    return out;
  }
  return nullptr;
}

// Every property, as an item text writer reads them.
void ReadAllProps(IMAPIProp* object) {
  ULONG count = 0;
  LPSPropValue raw = nullptr;
  if (FAILED(object->GetProps(nullptr, MAPI_UNICODE, &count, &raw))) return;
  mapi::Buffer<SPropValue> values(raw);
  FUZZ_CHECK(values || count == 0);
  // The names of the named properties, as the named-property pass asks.
  std::vector<ULONG> named;
  for (ULONG i = 0; i < count; ++i)
    if (PROP_ID(values.get()[i].ulPropTag) >= 0x8000) named.push_back(values.get()[i].ulPropTag);
  if (named.empty()) return;
  auto tags = mapi::NewTagArray(named);
  LPSPropTagArray tagsIn = tags.get();
  ULONG names = 0;
  LPMAPINAMEID* rawNames = nullptr;
  if (SUCCEEDED(object->GetNamesFromIDs(&tagsIn, nullptr, 0, &names, &rawNames))) {
    mapi::Buffer<LPMAPINAMEID> held(rawNames);
    FUZZ_CHECK(names == named.size());
  }
}

void ReadStream(IMAPIProp* object, ULONG tag) {
  ComPtr<IStream> stream;
  if (FAILED(
          object->OpenProperty(tag, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(stream.ReleaseAndGetAddressOf()))))
    return;
  char buf[65536];
  ULONG total = 0, got = 0;
  while (total < kMaxStreamBytes && SUCCEEDED(stream->Read(buf, sizeof buf, &got)) && got > 0) total += got;
}

void ReadMessage(IMessage* message, int depth);

void ReadAttachments(IMessage* message, int depth) {
  ComPtr<IMAPITable> table;
  if (FAILED(message->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()))) return;
  mapi::RowSet rows = Rows(table.Get(), {PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_W}, kMaxAttachments);
  for (ULONG r = 0; rows && r < rows->cRows; ++r) {
    const SPropValue& num = rows->aRow[r].lpProps[0];
    if (PROP_TYPE(num.ulPropTag) != PT_LONG) continue;
    ComPtr<IAttach> attach;
    if (FAILED(message->OpenAttach(static_cast<ULONG>(num.Value.l), nullptr, 0, attach.ReleaseAndGetAddressOf())))
      continue;
    ReadAllProps(attach.Get());
    ReadStream(attach.Get(), PR_ATTACH_DATA_BIN);
    ComPtr<IMessage> embedded;
    if (depth < 1 && SUCCEEDED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                                    reinterpret_cast<LPUNKNOWN*>(embedded.ReleaseAndGetAddressOf()))))
      ReadMessage(embedded.Get(), depth + 1);
  }
}

void ReadMessage(IMessage* message, int depth) {
  ReadAllProps(message);
  ReadStream(message, PR_BODY_W);
  ReadStream(message, PR_RTF_COMPRESSED);
  ComPtr<IMAPITable> recipients;
  if (SUCCEEDED(message->GetRecipientTable(MAPI_UNICODE, recipients.ReleaseAndGetAddressOf()))) {
    LPSRowSet raw = nullptr;
    if (SUCCEEDED(HrQueryAllRows(recipients.Get(), nullptr, nullptr, nullptr, 0, &raw))) mapi::RowSet held(raw);
  }
  ReadAttachments(message, depth);
}

void Convert(IMessage* message) {
  ComPtr<IStream> out;
  FUZZ_CHECK(CreateStreamOnHGlobal(nullptr, TRUE, out.ReleaseAndGetAddressOf()) == S_OK);
  try {
    g_converter->MAPIToMIMEStm(message, out.Get(), CCSF_SMTP);
  } catch (const std::exception& e) {
    const std::string text = std::string("MAPIToMIMEStm threw: ") + e.what();
    testing_support::FuzzFailure(text.c_str());
  }
}

void WalkFolder(IMsgStore* store, IMAPIFolder* folder, int depth, Budget& budget) {
  if (--budget.folders < 0 || depth > kMaxDepth) return;
  ReadAllProps(folder);
  ComPtr<IMAPITable> contents;
  if (SUCCEEDED(folder->GetContentsTable(MAPI_UNICODE, contents.ReleaseAndGetAddressOf()))) {
    ULONG count = 0;
    contents->GetRowCount(0, &count);
    mapi::RowSet rows = Rows(contents.Get(),
                             {PR_ENTRYID, PR_MESSAGE_CLASS_W, PR_SUBJECT_W, PR_MESSAGE_DELIVERY_TIME,
                              PR_CLIENT_SUBMIT_TIME, PR_LAST_MODIFICATION_TIME},
                             kRowsPerFolder);
    for (ULONG r = 0; rows && r < rows->cRows && budget.messages > 0; ++r) {
      ComPtr<IMessage> message = Open<IMessage>(store, rows->aRow[r]);
      if (!message) continue;
      --budget.messages;
      ReadMessage(message.Get(), 0);
      Convert(message.Get());
    }
  }
  ComPtr<IMAPITable> children;
  if (FAILED(folder->GetHierarchyTable(MAPI_UNICODE, children.ReleaseAndGetAddressOf()))) return;
  mapi::RowSet rows =
      Rows(children.Get(), {PR_ENTRYID, PR_DISPLAY_NAME_W, PR_CONTENT_COUNT, PR_SUBFOLDERS, PR_CONTAINER_CLASS_W},
           kMaxFolders);
  for (ULONG r = 0; rows && r < rows->cRows && budget.folders > 0; ++r) {
    if (ComPtr<IMAPIFolder> child = Open<IMAPIFolder>(store, rows->aRow[r]))
      WalkFolder(store, child.Get(), depth + 1, budget);
  }
}

void WalkStore(IMAPISession*, IMsgStore* store) {
  ReadAllProps(store);
  ComPtr<IMAPIFolder> root;
  ULONG type = 0;
  if (FAILED(store->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type,
                              reinterpret_cast<LPUNKNOWN*>(root.ReleaseAndGetAddressOf()))))
    return;
  Budget budget;
  WalkFolder(store, root.Get(), 0, budget);
}

}  // namespace

void SetUpPstWalk(const std::filesystem::path& pst) {
  MAPIInitialize(nullptr);
  mapi::profiles::Profile profile;
  profile.name = u"PST";
  profile.services.push_back(mapi::profiles::PstService(pst.u16string()));
  FUZZ_CHECK(mapi::profiles::Create(profile) == S_OK);
  ComPtr<IClassFactory> factory;
  FUZZ_CHECK(DllGetClassObject(CLSID_IConverterSession, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()) ==
             S_OK);
  FUZZ_CHECK(factory->CreateInstance(nullptr, IID_IConverterSession, g_converter.ReleaseAndGetAddressOfVoid()) == S_OK);
}

bool WalkPst() {
  const long buffers = mapi::LiveBuffers();
  const bool loggedOn = ForEachStore("PST", WalkStore);
  FUZZ_CHECK(mapi::LiveBuffers() == buffers);
  return loggedOn;
}

}  // namespace mapi_fuzz
