// The attachments of one exported item: each saved as a file named by a
// fresh GUID in the item folder, and "AttachmentList.txt" telling the import
// engine which file holds which attachment under which name.
#include <algorithm>
#include <optional>

#include "CressingDlg.h"
#include "CressingText.h"
#include "ListFile.h"
#include "MsgFile.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapisupport/ErrorLog.h"
#include "win32/files.h"
#include "win32/guid.h"

namespace {

SizedSPropTagArray(1, sptAttachTableCols) = {1, {PR_ATTACH_NUM}};
SizedSPropTagArray(4, sptaAttachProps) = {
    4, {PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_W, PR_ATTACH_FILENAME_W, PR_DISPLAY_NAME_W}};
enum { ATTACH_METHOD_VALUE, ATTACH_LONG_FILENAME_VALUE, ATTACH_FILENAME_VALUE, DISPLAY_NAME_VALUE };

constexpr ULONG kFileStreamFlags = STGM_CREATE | STGM_READWRITE;                // 0x1002
constexpr DWORD kDocfileMode = STGM_READWRITE | STGM_TRANSACTED | STGM_CREATE;  // 0x11002
constexpr char16_t kAttachmentListName[] = u"AttachmentList.txt";

// A failed step of saving one attachment: its status and step text.
struct SaveFailure {
  HRESULT status;
  const char16_t* step;
};
using SaveOutcome = std::optional<SaveFailure>;

template <class T>
HRESULT OpenData(IAttach* attach, ULONG tag, const IID& iid, ComPtr<T>& out) {
  return attach->OpenProperty(tag, &iid, 0, 0, reinterpret_cast<LPUNKNOWN*>(out.ReleaseAndGetAddressOf()));
}

// The first non-empty Unicode name of the three, else "Unknown".
std::u16string AttachDisplayName(const SPropValue* props) {
  for (int i : {ATTACH_LONG_FILENAME_VALUE, ATTACH_FILENAME_VALUE, DISPLAY_NAME_VALUE}) {
    const SPropValue& value = props[i];
    if (PROP_TYPE(value.ulPropTag) == PT_UNICODE && value.Value.lpszW && value.Value.lpszW[0]) return value.Value.lpszW;
  }
  return u"Unknown";
}

// An embedded message's name ends in ".msg" (in any case) after something.
std::u16string WithMsgSuffix(std::u16string name) {
  std::u16string tail = name.size() > 4 ? name.substr(name.size() - 4) : std::u16string();
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; });
  if (tail != u".MSG") name += u".msg";
  return name;
}

// Names are one line of the list: a CR or LF would shift every later line.
std::u16string ListLine(std::u16string text) {
  std::replace_if(
      text.begin(), text.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
  return text + u"\r\n";
}

// The 38-character text of a fresh GUID; empty when none can be made (a
// fixed name would let attachments overwrite each other).
std::u16string NewStoredName() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) return {};
  WCHAR text[260] = {};
  const int length = StringFromGUID2(guid, text, 260);
  return std::u16string(text, length > 0 ? static_cast<std::size_t>(length - 1) : 0);
}

// The whole of source into a new file stream at target. The copy runs to
// the end of the source, whatever size the source reports of itself.
SaveOutcome CopyStreamToFile(IStream* source, const std::u16string& target) {
  HRESULT hRes = S_OK;
  ComPtr<IStream> file;
  WC_H(MyOpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, kFileStreamFlags, target.c_str(), nullptr,
                          file.ReleaseAndGetAddressOf()));
  if (FAILED(hRes) || !file)
    return SaveFailure{hRes, u"Fail to create the attachment file from OpenStreamOnFile in SaveAttachments."};
  ULARGE_INTEGER all;
  all.QuadPart = ~0ULL;
  WC_H(source->CopyTo(file.Get(), all, nullptr, nullptr));
  if (FAILED(hRes)) return SaveFailure{hRes, u"Fail to copy the attachment data from CopyTo in SaveAttachments."};
  WC_H(file->Commit(STGC_DEFAULT));
  if (FAILED(hRes)) return SaveFailure{hRes, u"Fail to write the attachment file from Commit in SaveAttachments."};
  return std::nullopt;
}

// Methods 1 to 4: the binary data; none (no file) when there is none.
SaveOutcome SaveBinaryData(IAttach* attach, const std::u16string& target) {
  ComPtr<IStream> data;
  if (FAILED(OpenData(attach, PR_ATTACH_DATA_BIN, IID_IStream, data)) || !data) return std::nullopt;
  return CopyStreamToFile(data.Get(), target);
}

// Method 5: an Outlook message file.
SaveOutcome SaveEmbeddedMessage(IAttach* attach, const std::u16string& target) {
  ComPtr<IMessage> embedded;
  if (FAILED(OpenData(attach, PR_ATTACH_DATA_OBJ, IID_IMessage, embedded)) || !embedded) return std::nullopt;
  HRESULT hRes = S_OK;
  WC_H(SaveToMSG(embedded.Get(), target.c_str()));
  if (FAILED(hRes)) return SaveFailure{hRes, u"Fail to save the embedded message from SaveToMSG in SaveAttachments."};
  return std::nullopt;
}

// Method 6: the OLE object's compound file, as one stream or, failing
// that, as a storage copied into a new docfile.
SaveOutcome SaveOleObject(IAttach* attach, const std::u16string& target) {
  ComPtr<IStream> stream;
  if (SUCCEEDED(OpenData(attach, PR_ATTACH_DATA_OBJ, IID_IStreamDocfile, stream)) && stream)
    return CopyStreamToFile(stream.Get(), target);
  ComPtr<IStorage> storage;
  if (FAILED(OpenData(attach, PR_ATTACH_DATA_OBJ, IID_IStorage, storage)) || !storage) return std::nullopt;
  HRESULT hRes = S_OK;
  ComPtr<IStorage> file;
  WC_H(StgCreateDocfile(target.c_str(), kDocfileMode, 0, file.ReleaseAndGetAddressOf()));
  if (FAILED(hRes) || !file)
    return SaveFailure{hRes, u"Fail to create the attachment file from StgCreateDocfile in SaveAttachments."};
  WC_H(storage->CopyTo(0, nullptr, nullptr, file.Get()));
  if (FAILED(hRes)) return SaveFailure{hRes, u"Fail to copy the OLE object from CopyTo in SaveAttachments."};
  WC_H(file->Commit(STGC_DEFAULT));
  if (FAILED(hRes)) return SaveFailure{hRes, u"Fail to write the attachment file from Commit in SaveAttachments."};
  return std::nullopt;
}

SaveOutcome SaveAttachmentData(IAttach* attach, LONG method, const std::u16string& target) {
  switch (method) {
    case ATTACH_BY_VALUE:
    case ATTACH_BY_REFERENCE:
    case ATTACH_BY_REF_RESOLVE:
    case ATTACH_BY_REF_ONLY:
      return SaveBinaryData(attach, target);
    case ATTACH_EMBEDDED_MSG:
      return SaveEmbeddedMessage(attach, target);
    case ATTACH_OLE:
      return SaveOleObject(attach, target);
    default:
      return std::nullopt;  // nothing to save
  }
}

}  // namespace

void CCressingDlg::SaveAttachments(IMessage* item, const CString& folder, CString& listPath) {
  listPath = folder + kAttachmentListName;
  win32::File list;
  if (list.Open(listPath, win32::kFileWrite) != ERROR_SUCCESS) {
    SendErrorText(GetMapiErrorText(S_OK, u"Fail to create AttachmentList.txt in SaveAttachments."));
    listPath.clear();
    return;
  }
  bool listWritten = true;
  std::vector<std::u16string> saved;  // the files the list names
  ForEachAttachment(item, [&](IAttach* attach, const SPropValue* props) {
    if (!listWritten) return;  // a list that failed lists no more
    std::u16string displayName = AttachDisplayName(props);
    const std::u16string storedName = NewStoredName();
    if (storedName.empty()) {
      SendErrorText(GetMapiErrorText(S_OK, u"Fail to get a file name from CoCreateGuid in SaveAttachments."));
      return;
    }
    const std::u16string target = folder + storedName;
    // A missing method comes as its error code, which is no method.
    const LONG method = props[ATTACH_METHOD_VALUE].Value.l;
    if (method == ATTACH_EMBEDDED_MSG) displayName = WithMsgSuffix(displayName);
    if (const SaveOutcome failed = SaveAttachmentData(attach, method, target)) {
      // Not listed: the list names only files that were written whole.
      DeleteFileW(target.c_str());
      SendErrorText(GetMapiErrorText(failed->status, failed->step));
      return;
    }
    saved.push_back(target);
    const std::vector<unsigned char> entry =
        Utf16LeBytes(ListLine(storedName) + ListLine(displayName) + ListLine(folder));
    if (list.Write(entry.data(), entry.size()) != ERROR_SUCCESS) listWritten = false;
  });
  if (list.Close() != ERROR_SUCCESS) listWritten = false;
  if (!listWritten) {
    // Files that no list names would be no one's to remove.
    for (const std::u16string& file : saved) DeleteFileW(file.c_str());
    DeleteFileW(listPath.c_str());
    SendErrorText(GetMapiErrorText(S_OK, u"Fail to write AttachmentList.txt in SaveAttachments."));
    listPath.clear();
  }
}

// The walk over the attachment table. An attachment that cannot be opened
// or read is reported and left out; the others still go.
void CCressingDlg::ForEachAttachment(IMessage* item, const std::function<void(IAttach*, const SPropValue*)>& visit) {
  HRESULT hRes = S_OK;
  LPSPropValue rawHasAttach = nullptr;
  WC_H(HrGetOneProp(item, PR_HASATTACH, &rawHasAttach));
  const MapiBufferPtr<SPropValue> hasAttach(rawHasAttach);
  if (FAILED(hRes) || !hasAttach || hasAttach->ulPropTag != PR_HASATTACH || !hasAttach->Value.b) return;

  ComPtr<IMAPITable> table;
  WC_H(item->OpenProperty(PR_MESSAGE_ATTACHMENTS, &IID_IMAPITable, 0, 0,
                          reinterpret_cast<LPUNKNOWN*>(table.ReleaseAndGetAddressOf())));
  LPSRowSet rawRows = nullptr;
  if (SUCCEEDED(hRes) && table)
    WC_H(QueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&sptAttachTableCols), &rawRows));
  const RowSetPtr rows(rawRows);
  if (FAILED(hRes) || !table || !rows) {
    SendErrorText(GetMapiErrorText(hRes, u"Fail to get the attachment table from HrQueryAllRows in SaveAttachments."));
    return;
  }
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const SRow& row = rows->aRow[i];
    if (!row.cValues || !row.lpProps || row.lpProps[0].ulPropTag != PR_ATTACH_NUM) continue;
    ComPtr<IAttach> attach;
    WC_H(item->OpenAttach(static_cast<ULONG>(row.lpProps[0].Value.l), nullptr, MAPI_BEST_ACCESS,
                          attach.ReleaseAndGetAddressOf()));
    if (FAILED(hRes) || !attach) {
      SendErrorText(GetMapiErrorText(hRes, u"Fail to get lpAttach from OpenAttach in SaveAttachments."));
      continue;
    }
    ULONG count = 0;
    LPSPropValue rawProps = nullptr;
    WC_H(attach->GetProps(reinterpret_cast<LPSPropTagArray>(&sptaAttachProps), MAPI_UNICODE, &count, &rawProps));
    const MapiBufferPtr<SPropValue> props(rawProps);
    if (FAILED(hRes) || !props || count != sptaAttachProps.cValues) {
      SendErrorText(
          GetMapiErrorText(hRes, u"Fail to get the attachment's properties from GetProps in SaveAttachments."));
      continue;
    }
    visit(attach.Get(), props.get());
  }
}
