// The first export mode: every item of one folder, in contents-table order,
// written out as its MIME file, attachment files with "AttachmentList.txt"
// and item text, announced to the requester with CD_ITEM_INFO. The
// requester's answer decides: not 0, the item's three files go and the next
// item follows; 0, the export ends there and leaves them.
#include <climits>
#include <memory>

#include "CressingDlg.h"
#include "CressingText.h"
#include "ExportNames.h"
#include "ItemText.h"
#include "ItemValues.h"
#include "com/com.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/mimeconv.h"
#include "mapisupport/ErrorLog.h"
#include "mapisupport/MapiMime.h"
#include "win32/files.h"
#include "win32/window.h"

namespace {

constexpr DWORD kWorkingFolderUnits = 260;

// A text body read whole through its stream, when GetProps had no room for
// it.
std::u16string ReadBodyStream(IMessage* message) {
  ComPtr<IStream> stream;
  if (FAILED(message->OpenProperty(PR_BODY_W, &IID_IStream, 0, 0,
                                   reinterpret_cast<LPUNKNOWN*>(stream.ReleaseAndGetAddressOf()))) ||
      !stream)
    return {};
  std::u16string body;
  char16_t buffer[16 * 1024];
  for (;;) {
    ULONG read = 0;
    if (FAILED(stream->Read(buffer, sizeof buffer, &read)) || read == 0) break;
    body.append(buffer, read / sizeof(char16_t));
  }
  // A stream may carry the terminator along.
  while (!body.empty() && body.back() == u'\0') body.pop_back();
  return body;
}

bool IsBodyTooLarge(const SPropValue& value) {
  return value.ulPropTag == CHANGE_PROP_TYPE(PR_BODY_W, PT_ERROR) && value.Value.err == MAPI_E_NOT_ENOUGH_MEMORY;
}

bool Exists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void DeleteIfNamed(const std::u16string& path) {
  if (!path.empty()) DeleteFileW(path.c_str());
}

}  // namespace

// The current directory and a separator; empty when it does not fit the
// 260 units it is read into.
std::u16string CCressingDlg::WorkingFolder() {
  WCHAR folder[kWorkingFolderUnits] = {};
  const DWORD length = GetCurrentDirectoryW(kWorkingFolderUnits, folder);
  if (length == 0 || length >= kWorkingFolderUnits) return {};
  return std::u16string(folder, length) + u"\\";
}

std::int32_t CCressingDlg::ExportFolderForLotus(HWND requester, const CString& folderPath, std::int32_t entryIndex) {
  for (const auto& entry : m_pDisplayNameList) {
    if (!entry || entry->m_index != entryIndex) continue;
    if (!requester) continue;
    HeldEntry held(*entry);
    return EnumLotusMessage(held.EntryID(), held.Store(), requester, folderPath);
  }
  return 0;
}

HRESULT CCressingDlg::ExportItemFiles(IMessage* message, const CString& emlPath, const CString& workingFolder,
                                      CString& attachmentListPath) {
  HRESULT hRes = S_OK;
  if (message && !emlPath.empty()) {
    WC_H(SaveMessageToEml(message, emlPath.c_str(), CCSF_SMTP));
    if (hRes != S_OK) WC_H(SaveMessageToEml(message, emlPath.c_str(), CCSF_USE_TNEF));
  }
  if (message) SaveAttachments(message, workingFolder, attachmentListPath);
  return hRes;
}

std::int32_t CCressingDlg::EnumLotusMessage(SBinary* entryID, IMsgStore* store, HWND requester,
                                            const CString& folderPath) {
  m_replyWnd = requester;
  if (!store) {
    SendErrorText(u"Error in getting store LPMDB");
    return 0;
  }
  // Every file of the export goes into this folder; one that cannot be
  // named in full names none.
  const std::u16string workingFolder = WorkingFolder();
  if (workingFolder.empty()) {
    SendErrorText(u"Fail to get the current folder from GetCurrentDirectoryW in EnumLotusMessage.");
    return 0;
  }
  ComPtr<IMAPIFolder> folder;
  const SBinary noId{};
  HRESULT hRes = OpenEntryAs(store, entryID ? *entryID : noId, 0, folder);
  if (!folder) {
    SendErrorText(GetMapiErrorText(hRes, u"Fail to get lpMapiFolder from OpenEntry in EnumLotusMessage."));
    return 0;
  }
  ComPtr<IMAPITable> table;
  ULONG rowCount = 0;
  hRes = folder->GetContentsTable(0, table.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hRes) && table) hRes = table->GetRowCount(0, &rowCount);
  if (FAILED(hRes) || !table) {
    SendErrorText(GetMapiErrorText(hRes, u"Fail to get lpMapiTable from GetContentsTable in EnumLotusMessage."));
    return 0;
  }
  ExportState state;
  state.itemTotal = hRes == S_OK ? static_cast<std::int32_t>(rowCount) : 0;
  SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_CONTAINER_CLASS_A}};
  WC_H(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0));

  const com::InitializeScope com;  // for the MIME converter, for the length of one export
  for (;;) {
    LPSRowSet rawRows = nullptr;
    hRes = table->QueryRows(1, 0, &rawRows);
    const RowSetPtr rows(rawRows);
    if (FAILED(hRes)) {
      SendErrorText(GetMapiErrorText(hRes, u"Fail to get RowSet from QueryRows in EnumLotusMessage."));
      return 0;
    }
    if (!rows || rows->cRows != 1) break;
    const SPropValue* id = rows->aRow[0].cValues ? rows->aRow[0].lpProps : nullptr;
    ComPtr<IMessage> message;
    if (!id || PROP_TYPE(id->ulPropTag) != PT_BINARY)
      hRes = MAPI_E_INVALID_ENTRYID;
    else
      hRes = OpenEntryAs(store, id->Value.bin, MAPI_BEST_ACCESS, message);
    if (FAILED(hRes) || !message) {
      SendErrorText(GetMapiErrorText(hRes, u"Fail to get pMsg from OpenEntry in EnumLotusMessage."));
      continue;
    }
    if (!ExportItem(message.Get(), requester, folderPath, workingFolder, state)) return 1;
  }
  COPYDATASTRUCT done{CD_EXPORT_DONE, sizeof kNoMoreItems, const_cast<char16_t*>(kNoMoreItems)};
  SendMessageW(requester, WM_COPYDATA, static_cast<WPARAM>(win32::HandleValue(requester)),
               reinterpret_cast<LPARAM>(&done));
  return 1;
}

void CCressingDlg::ReadFixedValues(IMessage* message, ItemValues& values) {
  const std::span<const ULONG> fixed = FixedPropTags();
  std::vector<ULONG> tags{static_cast<ULONG>(fixed.size())};
  tags.insert(tags.end(), fixed.begin(), fixed.end());
  ULONG count = 0;
  LPSPropValue raw = nullptr;
  const HRESULT hr = message->GetProps(reinterpret_cast<LPSPropTagArray>(tags.data()), 0, &count, &raw);
  const MapiBufferPtr<SPropValue> props(raw);
  if (FAILED(hr) || !props) return;
  for (ULONG i = 0; i < count && m_stopRequested != 1; ++i) {
    if (IsBodyTooLarge(props.get()[i])) {
      values.body = ReadBodyStream(message);
      continue;
    }
    StoreFixedValue(values, props.get(), i);
    if (props.get()[i].ulPropTag != PR_MESSAGE_CLASS_W) continue;
    values.itemType = GetItemType(values.messageClass);
    if (!IsItemTypeEnabled(values.itemType)) {
      values.skip = true;
      return;
    }
  }
}

// One item: its values, the filters, its files, the announcement. False
// when the requester answered 0.
bool CCressingDlg::ExportItem(IMessage* message, HWND requester, const CString& folderPath,
                              const std::u16string& workingFolder, ExportState& state) {
  ItemValues values;
  ReadNamedValues(message, values);
  ReadFixedValues(message, values);
  const std::u16string& date = values.DateText();
  if (!values.skip && !date.empty() && !PassesDateFilter(date)) values.skip = true;
  if (values.skip) return true;

  ItemFiles files;
  if (GetFileAttributesW(workingFolder.c_str()) != INVALID_FILE_ATTRIBUTES ||
      CreateDirectoryW(workingFolder.c_str(), nullptr)) {
    for (int n = 1; files.eml.empty() && n < INT_MAX; ++n) files.eml = GetFreeEmlFileName(workingFolder, n);
    const HRESULT converted = ExportItemFiles(message, files.eml, workingFolder, files.attachmentList);
    // Only a file written whole is announced.
    if (FAILED(converted) || !Exists(files.eml)) {
      DeleteFileW(files.eml.c_str());
      SendErrorText(
          GetMapiErrorText(converted, u"Fail to write the MIME file from SaveMessageToEml in EnumLotusMessage."));
      files.eml.clear();
    }
  }
  const ItemTextFile text = ComposeItemText(values, folderPath);
  files.itemText = workingFolder + text.fileName;
  if (!SaveItemText(files.itemText, text.text)) {
    SendErrorText(GetMapiErrorText(S_OK, u"Fail to write the item text file in EnumLotusMessage."));
    files.itemText.clear();
  }

  ++state.itemNumber;
  if (AnnounceItem(requester, values.itemType, files, state) == 0) return false;
  DeleteIfNamed(files.eml);
  DeleteIfNamed(files.attachmentList);
  DeleteIfNamed(files.itemText);
  return true;
}

LRESULT CCressingDlg::AnnounceItem(HWND requester, std::int32_t itemType, const ItemFiles& files,
                                   const ExportState& state) {
  auto info = std::make_unique<ITEM_INFO>();
  CopyToField(info->emlFile, files.eml);
  info->itemType = itemType;
  CopyToField(info->itemTextFile, files.itemText);
  CopyToField(info->attachmentList, files.attachmentList);
  info->itemNumber = state.itemNumber;
  info->itemTotal = state.itemTotal;
  CopyToField(info->membersFile, m_memberFilePath);
  COPYDATASTRUCT cds{CD_ITEM_INFO, sizeof(ITEM_INFO), info.get()};
  return SendMessageW(requester, WM_COPYDATA, static_cast<WPARAM>(win32::HandleValue(requester)),
                      reinterpret_cast<LPARAM>(&cds));
}
