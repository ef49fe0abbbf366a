// The records and message codes of Cressing's window protocol. Every record is
// little-endian without padding; the layouts are fixed by what the
// controlling program writes and reads, so each offset is checked here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win32/types.h"

// Plain messages to Cressing.
constexpr UINT WM_LIST_STORES = 0x0400 + 1;
constexpr UINT WM_LIST_STORE_FOLDERS = 0x0400 + 2;
constexpr UINT WM_STOP_EXPORT = 0x0400 + 16;

// WM_COPYDATA codes (dwData, low 32 bits).
constexpr DWORD CD_ITEM_INFO = 1031;
constexpr DWORD CD_LIST_MAILBOXES = 1032;
constexpr DWORD CD_EXPORT_FOLDER = 1033;
constexpr DWORD CD_EXPORT_DONE = 1035;
constexpr DWORD CD_LIST_MAILBOX_FOLDERS = 1036;
constexpr DWORD CD_LOGON = 1038;
constexpr DWORD CD_ERROR_TEXT = 1041;
constexpr DWORD CD_CHECK_MAILBOX = 1043;
constexpr DWORD CD_CHECK_STORE = 1044;
constexpr DWORD CD_LOGON_PROFILE = 1046;

// Values of LOGON_INFO::case_Mapi.
constexpr std::int32_t kCasePstFiles = 0;
constexpr std::int32_t kCaseOutlook = 1;
constexpr std::int32_t kCaseExchange = 2;

#pragma pack(push, 1)

struct LOGON_INFO {
  std::uint64_t hwnd;  // the requester's window
  std::int32_t case_Mapi;
  std::uint8_t reserved[4];
  char profile[512];
  char user[512];
};

constexpr std::size_t kMaxDateRanges = 1000;
constexpr std::size_t kDateRangeSize = 25;
constexpr std::size_t kItemTypeSwitches = 6;

struct EXPORT_FOLDER_INFO {
  WCHAR folderPath[5000];
  WCHAR reserved[5000];
  std::int32_t entryIndex;
  std::int32_t target;  // 0 first export mode, 1 second, else none
  std::int32_t dateFilterMode;
  std::int32_t relativeDateChoice;
  char dateRanges[kMaxDateRanges][kDateRangeSize];
  std::int32_t dateRangeCount;
  std::uint8_t typeEnabled[kItemTypeSwitches];  // mail, appointment, task, contact, journal, sticky note
};

struct MAILBOX_FOLDER_INFO {
  WCHAR server[5000];
  std::int32_t entryIndex;
};

constexpr std::size_t kProfileUnits = 5120;

struct PROFILE_LOGON_INFO {
  std::uint8_t reserved[4];
  WCHAR profile[kProfileUnits];
};

struct ITEM_INFO {
  WCHAR emlFile[5000];
  std::int32_t itemType;
  WCHAR itemTextFile[5000];
  WCHAR attachmentList[5000];
  std::int32_t itemNumber;
  std::int32_t itemTotal;
  WCHAR membersFile[5000];
};

constexpr std::size_t kErrorTextUnits = 1024;

struct ERROR_TEXT_INFO {
  WCHAR message[kErrorTextUnits];
  WCHAR mailbox[kErrorTextUnits];
};

// CD_CHECK_STORE's bare record.
struct CHECK_STORE_INFO {
  std::int32_t entryIndex;
};

#pragma pack(pop)

static_assert(sizeof(WCHAR) == 2);
static_assert(sizeof(LOGON_INFO) == 1040);
static_assert(offsetof(LOGON_INFO, case_Mapi) == 8);
static_assert(offsetof(LOGON_INFO, profile) == 16);
static_assert(offsetof(LOGON_INFO, user) == 528);

static_assert(sizeof(EXPORT_FOLDER_INFO) == 45026);
static_assert(offsetof(EXPORT_FOLDER_INFO, reserved) == 10000);
static_assert(offsetof(EXPORT_FOLDER_INFO, entryIndex) == 20000);
static_assert(offsetof(EXPORT_FOLDER_INFO, target) == 20004);
static_assert(offsetof(EXPORT_FOLDER_INFO, dateFilterMode) == 20008);
static_assert(offsetof(EXPORT_FOLDER_INFO, relativeDateChoice) == 20012);
static_assert(offsetof(EXPORT_FOLDER_INFO, dateRanges) == 20016);
static_assert(offsetof(EXPORT_FOLDER_INFO, dateRangeCount) == 45016);
static_assert(offsetof(EXPORT_FOLDER_INFO, typeEnabled) == 45020);

static_assert(sizeof(MAILBOX_FOLDER_INFO) == 10004);
static_assert(offsetof(MAILBOX_FOLDER_INFO, entryIndex) == 10000);

static_assert(sizeof(PROFILE_LOGON_INFO) == 4 + 10240);
static_assert(offsetof(PROFILE_LOGON_INFO, profile) == 4);

static_assert(sizeof(ITEM_INFO) == 40012);
static_assert(offsetof(ITEM_INFO, itemType) == 10000);
static_assert(offsetof(ITEM_INFO, itemTextFile) == 10004);
static_assert(offsetof(ITEM_INFO, attachmentList) == 20004);
static_assert(offsetof(ITEM_INFO, itemNumber) == 30004);
static_assert(offsetof(ITEM_INFO, itemTotal) == 30008);
static_assert(offsetof(ITEM_INFO, membersFile) == 30012);

static_assert(sizeof(ERROR_TEXT_INFO) == 4096);
static_assert(offsetof(ERROR_TEXT_INFO, mailbox) == 2048);

// CD_EXPORT_DONE's text, with its terminator (28 bytes).
inline constexpr char16_t kNoMoreItems[] = u"No more items";
static_assert(sizeof(kNoMoreItems) == 28);
