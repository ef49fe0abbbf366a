// Cressing's hidden engine window: the requests of the controlling program,
// the MAPI session they share and the entry list that names stores,
// mailboxes and folders.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cressing/CressingRecords.h"
#include "ItemTime.h"
#include "ListDisplayName.h"
#include "ListFile.h"
#include "MapiHolders.h"
#include "com/unknown.h"
#include "engine/EngineWindow.h"
#include "mfc/oledatetime.h"
#include "mfc/strings.h"
#include "win32/file.h"

struct ItemValues;

class CCressingDlg : public engine::CEngineDlg {
 public:
  explicit CCressingDlg(CWnd* pParent = nullptr);
  ~CCressingDlg() override;

  // The entry lookups that start a folder export; 0 when no entry matches.
  std::int32_t ExportFolderForLotus(HWND requester, const CString& folderPath, std::int32_t entryIndex);
  std::int32_t ExportFolderForGroupwise(HWND requester, const CString& folderPath, std::int32_t entryIndex);

  // Named properties of an item and the members file of a distribution
  // list (NamedProps.cpp, MembersFile.cpp). Formatting a list's member
  // property writes "DistListInfo.txt" in the current folder.
  void GetPropNameAndValue(const SPropValue& prop, const MAPINAMEID* name, CString& valueText, CString& nameText);
  void FormatNamedProp(const SPropValue& prop, const MAPINAMEID* name, CString& valueText, CString& nameText);
  CString PropValueToText(const SPropValue& prop, TimeBase base = TimeBase::Utc);
  void WriteDistListMember(const SPropValue& members, ULONG index);
  // The named-property pass over one message: every property from id
  // 0x8000 on, formatted with its name, its value stored where its name
  // text says. Clears m_memberFilePath first, so that only a list that
  // writes a members file names one. With StopTest::Honour it stops before
  // the next property once m_stopRequested is 1.
  enum class StopTest { Honour, Ignore };
  void ReadNamedValues(IMAPIProp* message, ItemValues& values, StopTest stopTest = StopTest::Honour);

  // Error texts (Logon.cpp).
  CString GetMapiErrorText(HRESULT status, const CString& stepText) const;
  void SendErrorText(const CString& text);

  // The first export mode (ExportLoop.cpp): every item of the folder
  // written out and announced to the requester; 1 when the folder was
  // worked through or the requester answered 0, 0 when it could not start.
  std::int32_t EnumLotusMessage(SBinary* entryID, IMsgStore* store, HWND requester, const CString& folderPath);
  // The item's MIME file (retried once with TNEF), then its attachments;
  // the conversion's result.
  HRESULT ExportItemFiles(IMessage* message, const CString& emlPath, const CString& workingFolder,
                          CString& attachmentListPath);
  // The item type and date filters of the request (ItemFilters.cpp).
  bool IsItemTypeEnabled(std::int32_t itemType) const;
  bool PassesDateFilter(const std::u16string& dateText) const;
  bool PassesRelativeDateFilter(const COleDateTime& itemDate) const;
  bool PassesDateRangeFilter(const COleDateTime& itemDate) const;
  // Attachment files and "AttachmentList.txt" in the folder (Attachments.cpp).
  // The path comes back empty when the list could not be written.
  void SaveAttachments(IMessage* item, const CString& folder, CString& listPath);

 protected:
  BOOL OnCopyData(CWnd* pWnd, COPYDATASTRUCT* pCopyDataStruct);
  void OnOkClicked();
  LRESULT OnCopyDisplayName(WPARAM wParam, LPARAM lParam);
  LRESULT OnCopyFolderName(WPARAM wParam, LPARAM lParam);
  LRESULT OnStopExport(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()

 private:
  // Requests.
  BOOL OnExportFolder(HWND requester, const EXPORT_FOLDER_INFO& info);
  BOOL OnLogon(const LOGON_INFO& info);
  BOOL OnLogonProfile(HWND requester, const PROFILE_LOGON_INFO& info);
  BOOL LogonResult(HRESULT status, const CString& stepText);

  // Logon (Logon.cpp).
  HRESULT LogonOutlook(HWND hwnd);
  HRESULT LogonProfile(HWND parent, const CString& profile);
  void LogoffSession();
  IMAPISession* Session() const { return m_pMapiObjects ? m_pMapiObjects->GetSession() : nullptr; }

  // Store and mailbox listings (StoreListings.cpp).
  void ClearDisplayNameList();
  BOOL DisplayMailboxTable(const CString& server);
  BOOL CanOpenUserMailbox(std::int32_t index, const CString& server);
  BOOL CanOpenMsgStore(std::int32_t index);
  CListDisplayName& AppendEntry();
  void SendStatusError(HRESULT status, const CString& stepText) { SendErrorText(GetMapiErrorText(status, stepText)); }

  // Folder-tree listings (FolderListings.cpp).
  std::int32_t CopyMailboxFolderNames(const CString& server, std::int32_t entryIndex);
  std::int32_t EnumFolders(SBinary* entryID, IMsgStore* entryStore, ListFile& file);
  std::int32_t EnumMailboxFolders(const CString& mailboxDN, ListFile& file, const CString& server);
  std::int32_t EnumInnerFolders(SBinary* entryID, IMsgStore* store, const CString& passedDown, CString lastWritten,
                                ListFile& file, const CString& parentEntryName);
  std::int32_t EnumMailboxInnerFolders(SBinary* entryID, IMsgStore* store, const CString& passedDown,
                                       CString lastWritten, ListFile& file, const CString& parentEntryName);
  enum class Walk { Store, Mailbox };
  std::int32_t WalkLevel(Walk walk, const SRowSet& rows, IMsgStore* store, const CString& passedDown,
                         const CString& parentEntryName, ListFile& file);
  std::int32_t WalkRow(Walk walk, const SRow& row, IMsgStore* store, const CString& passedDown,
                       const CString& parentEntryName, ListFile& file);
  std::int32_t WalkInner(Walk walk, SBinary* entryID, IMsgStore* store, const CString& passedDown, ListFile& file,
                         const CString& parentEntryName);
  LONG GetFolderContentCount(IMsgStore* store, const SRow& row);
  // Row sets and stores that entries point into stay until the entry list
  // is cleared.
  SRowSet* KeepRows(RowSetPtr rows);
  void KeepStore(IMsgStore* store);

  // The second export mode (GroupwiseExport.cpp): 0 when the folder or its
  // contents cannot be read, else 1.
  std::int32_t EnumGroupwiseMessage(SBinary* entryID, IMsgStore* store, HWND requester, const CString& folderPath);

  // The first export mode's items (ExportLoop.cpp, Attachments.cpp).
  struct ExportState {
    std::int32_t itemNumber = 0;  // items announced so far
    std::int32_t itemTotal = 0;   // rows of the contents table
  };
  struct ItemFiles {  // paths of one item; empty when not written
    std::u16string eml;
    std::u16string itemText;
    std::u16string attachmentList;
  };
  static std::u16string WorkingFolder();
  void ReadFixedValues(IMessage* message, ItemValues& values);
  bool ExportItem(IMessage* message, HWND requester, const CString& folderPath, const std::u16string& workingFolder,
                  ExportState& state);
  LRESULT AnnounceItem(HWND requester, std::int32_t itemType, const ItemFiles& files, const ExportState& state);
  void ForEachAttachment(IMessage* item, const std::function<void(IAttach*, const SPropValue*)>& visit);

 public:
  // State of the requests, in declaration order.
  CString m_exchangeUser;
  CString m_mailboxName;
  HWND m_replyWnd = nullptr;
  std::int32_t m_dateFilterMode = 0;
  std::int32_t m_relativeDateChoice = 0;
  char m_dateRanges[kMaxDateRanges][kDateRangeSize] = {};
  std::int32_t m_dateRangeCount = 0;
  std::uint8_t m_typeEnabled[kItemTypeSwitches] = {1, 1, 1, 1, 1, 1};
  MapiObjectsPtr m_pMapiObjects;
  std::uint8_t m_stopRequested = 0;
  DisplayNameList m_pDisplayNameList;
  std::int32_t m_memberDumpActive = 1;
  win32::File m_memberFile;  // "DistListInfo.txt" while it is written
  std::int32_t m_memberFileOpen = 1;
  CString m_memberFilePath;
  HWND m_logonParent = nullptr;
  std::int32_t m_nextEntryIndex = 0;

 private:
  std::vector<RowSetPtr> m_keptRows;
  std::vector<ComPtr<IMsgStore>> m_keptStores;
};
