// The second export mode: every item of one folder announced with its item
// text only. No filters, no stop test, no error texts and no deletions;
// contacts go to the flat contact file.
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "CressingDlg.h"
#include "CressingText.h"
#include "ExportNames.h"
#include "GroupwiseItem.h"
#include "ItemText.h"
#include "ItemValues.h"
#include "ListFile.h"
#include "mapi/mapitags.h"
#include "win32/files.h"
#include "win32/window.h"

namespace {

// The named values this mode uses, read by the shared pass without its stop
// test.
void TakeNamedValues(CCressingDlg& dlg, IMessage* message, GroupwiseValues& values) {
  ItemValues named;
  dlg.ReadNamedValues(message, named, CCressingDlg::StopTest::Ignore);
  values.appointmentStart = named.appointmentStart;
  values.appointmentEnd = named.appointmentEnd;
  values.location = named.appointmentLocation;
  values.taskStart = named.taskStart;
  values.taskDue = named.taskDue;
  values.taskStatus = named.taskStatus;
  values.categories = named.categories;
}

void TakeFixedValues(IMessage* message, GroupwiseValues& values) {
  const std::span<const ULONG> fixed = GroupwisePropTags();
  std::vector<ULONG> tags{static_cast<ULONG>(fixed.size())};
  tags.insert(tags.end(), fixed.begin(), fixed.end());
  ULONG count = 0;
  LPSPropValue raw = nullptr;
  const HRESULT hr = message->GetProps(reinterpret_cast<LPSPropTagArray>(tags.data()), 0, &count, &raw);
  const MapiBufferPtr<SPropValue> props(raw);
  if (FAILED(hr) || !props) return;
  for (ULONG i = 0; i < count; ++i) StoreGroupwiseValue(values, props.get(), i);
}

GroupwiseValues ReadItem(CCressingDlg& dlg, IMessage* message) {
  GroupwiseValues values;
  TakeNamedValues(dlg, message, values);
  TakeFixedValues(message, values);
  values.itemType = GetItemType(values.messageClass);
  values.JoinEmails();
  return values;
}

// The MIME file name the item would have: the first free MSG<n>.eml of the
// working folder, which is created when it is missing. Nothing is written
// there, so items in a row get the same name. Empty when the folder can be
// neither found nor created.
std::u16string EmlFileName(const std::u16string& workingFolder) {
  if (GetFileAttributesW(workingFolder.c_str()) == INVALID_FILE_ATTRIBUTES &&
      !CreateDirectoryW(workingFolder.c_str(), nullptr))
    return {};
  std::u16string name;
  for (std::int32_t n = 1; name.empty(); ++n) name = GetFreeEmlFileName(workingFolder, n);
  return name;
}

// The item text of the types that have one in this mode; sticky notes and
// distribution lists have none.
bool ComposeGroupwiseText(const GroupwiseValues& v, ItemTextFile& file) {
  switch (v.itemType) {
    case 0:
      file = {kMailTextFile,
              WriteEmailItem(v.creationTime, v.readStatus, v.from, v.to, v.cc, v.bcc, v.subject, v.body, u"")};
      return true;
    case 1:
      file = {kCalendarTextFile, WriteCalendarItem(v.creationTime, v.readStatus, v.from, v.to, v.cc, v.bcc, v.subject,
                                                   v.appointmentStart, v.appointmentEnd, v.location, v.body, u"")};
      return true;
    case 2:
      file = {kGroupwiseContactFile, WriteGroupwiseContact(v)};
      return true;
    case 4:
      file = {kTaskTextFile,
              WriteTaskItem(v.creationTime, v.readStatus, v.from, v.to, v.cc, v.bcc, v.subject, v.taskStart, v.taskDue,
                            v.body, v.categories, v.taskStatus, v.priority, u"")};
      return true;
    case 5:
      file = {kJournalTextFile,
              WriteJournalItem(v.creationTime, v.readStatus, v.from, v.to, v.cc, v.bcc, v.subject, v.body, u"")};
      return true;
    default:
      return false;
  }
}

// Writes the item's text, if its type has one, and returns the path to
// announce: the text file's, or the working folder itself. A file that
// cannot be written is announced all the same.
std::u16string WriteItemText(const GroupwiseValues& values, const std::u16string& workingFolder) {
  ItemTextFile file;
  if (!ComposeGroupwiseText(values, file)) return workingFolder;
  const std::u16string path = workingFolder + file.fileName;
  SaveItemText(path, file.text);
  return path;
}

// CD_ITEM_INFO with the MIME file name, the type and the item text path;
// the other fields stay empty. The requester's answer.
LRESULT SendItemInfo(HWND requester, const std::u16string& emlFile, std::int32_t itemType,
                     const std::u16string& itemTextFile) {
  auto info = std::make_unique<ITEM_INFO>();
  std::memset(info.get(), 0, sizeof *info);
  CopyToField(info->emlFile, emlFile);
  info->itemType = itemType;
  CopyToField(info->itemTextFile, itemTextFile);
  COPYDATASTRUCT cds{CD_ITEM_INFO, sizeof(ITEM_INFO), info.get()};
  return SendMessageW(requester, WM_COPYDATA, win32::HandleValue(requester), reinterpret_cast<LPARAM>(&cds));
}

void SendExportDone(HWND requester) {
  COPYDATASTRUCT cds{CD_EXPORT_DONE, sizeof kNoMoreItems, const_cast<char16_t*>(kNoMoreItems)};
  SendMessageW(requester, WM_COPYDATA, win32::HandleValue(requester), reinterpret_cast<LPARAM>(&cds));
}

}  // namespace

std::int32_t CCressingDlg::EnumGroupwiseMessage(SBinary* entryID, IMsgStore* store, HWND requester,
                                                const CString& folderPath) {
  (void)folderPath;  // this mode names no address book
  if (!store || !entryID) return 0;
  ComPtr<IMAPIFolder> folder;
  OpenEntryAs(store, *entryID, 0, folder);
  if (!folder) return 0;
  ComPtr<IMAPITable> table;
  if (FAILED(folder->GetContentsTable(0, table.ReleaseAndGetAddressOf())) || !table) return 0;
  SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_CONTAINER_CLASS_A}};
  table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0);
  const std::u16string workingFolder = CurrentFolderPath(u"");

  for (;;) {
    LPSRowSet rawRows = nullptr;
    const HRESULT hr = table->QueryRows(1, 0, &rawRows);
    const RowSetPtr rows(rawRows);
    if (FAILED(hr)) return 0;
    if (!rows || rows->cRows != 1) {
      SendExportDone(requester);
      return 1;
    }
    // A row without its entry id names no message.
    const SRow& row = rows->aRow[0];
    if (row.cValues < 1 || !row.lpProps || row.lpProps[0].ulPropTag != PR_ENTRYID) continue;
    ComPtr<IMessage> message;
    if (FAILED(OpenEntryAs(store, row.lpProps[0].Value.bin, MAPI_BEST_ACCESS, message)) || !message) continue;

    const GroupwiseValues values = ReadItem(*this, message.Get());
    const std::u16string emlFile = EmlFileName(workingFolder);
    const std::u16string itemTextFile = WriteItemText(values, workingFolder);
    if (requester && SendItemInfo(requester, emlFile, values.itemType, itemTextFile) == 0) return 1;
  }
}
