// The records and message codes of Fennick's window protocol. Every record is
// little-endian without padding and the same in the 32-bit engine and a
// 64-bit requester (no record carries a window handle: the requester comes
// in wParam). Fennick checks each request's size exactly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win32/types.h"

// WM_COPYDATA codes (dwData, low 32 bits).
constexpr DWORD CD_NOTES_ERROR = 1128;       // to the requester: NotesErrorReply
constexpr DWORD CD_FOLDER_NAME = 1129;       // to the requester: FolderNameReply
constexpr DWORD CD_SET_MAILFILE_DIR = 1130;  // MailFileDirRecord
constexpr DWORD CD_CREATE_NSF = 1524;        // CREATE_FILE_INFO
constexpr DWORD CD_CREATE_FOLDER = 1625;     // CREATE_FOLDER_INFO
constexpr DWORD CD_INSERT_ITEM = 1726;       // MIME_FILE_INFO

constexpr std::size_t kMailFileDirUnits = 1024;
constexpr std::size_t kFileInfoUnits = 260;
constexpr std::size_t kFolderPathUnits = 5000;
constexpr std::size_t kItemFileUnits = 300;
constexpr std::size_t kNotesErrorUnits = 1024;

#pragma pack(push, 1)

// CD_SET_MAILFILE_DIR: the folder that holds the user's "Mail.nsf".
struct MailFileDirRecord {
  WCHAR folder[kMailFileDirUnits];
};

// CD_CREATE_NSF: the database targetFolder\databaseName.nsf.
struct CREATE_FILE_INFO {
  WCHAR targetFolder[kFileInfoUnits];
  WCHAR databaseName[kFileInfoUnits];  // without ".nsf"
};

// CD_CREATE_FOLDER: a "\"-separated Notes folder path followed by one extra
// character, which Fennick drops.
struct CREATE_FOLDER_INFO {
  WCHAR folderPath[kFolderPathUnits];
  std::uint8_t reserved[4];
};

// CD_INSERT_ITEM: one exported item and the Notes folder that receives it.
struct MIME_FILE_INFO {
  WCHAR folderPath[kFolderPathUnits];  // as CD_CREATE_FOLDER was given it
  WCHAR emlFile[kItemFileUnits];
  WCHAR itemTextFile[kItemFileUnits];
  WCHAR attachmentList[kItemFileUnits];
  std::uint8_t plainBody;  // non-zero: the body is built from the plain text
  std::uint8_t reserved;
  WCHAR membersFile[kFolderPathUnits];  // "DistListInfo.txt" of a distribution list; may be empty
};

// CD_NOTES_ERROR: the error text, cut to 1023 characters.
struct NotesErrorReply {
  WCHAR text[kNotesErrorUnits];
};

// CD_FOLDER_NAME: the created folder's final path, cut to 4999 characters.
struct FolderNameReply {
  WCHAR folderPath[kFolderPathUnits];
};

#pragma pack(pop)

static_assert(sizeof(WCHAR) == 2);
static_assert(sizeof(MailFileDirRecord) == 2048);
static_assert(sizeof(CREATE_FILE_INFO) == 1040);
static_assert(offsetof(CREATE_FILE_INFO, databaseName) == 520);
static_assert(sizeof(CREATE_FOLDER_INFO) == 10004);
static_assert(sizeof(MIME_FILE_INFO) == 21802);
static_assert(offsetof(MIME_FILE_INFO, emlFile) == 10000);
static_assert(offsetof(MIME_FILE_INFO, itemTextFile) == 10600);
static_assert(offsetof(MIME_FILE_INFO, attachmentList) == 11200);
static_assert(offsetof(MIME_FILE_INFO, plainBody) == 11800);
static_assert(offsetof(MIME_FILE_INFO, membersFile) == 11802);
static_assert(sizeof(NotesErrorReply) == 2048);
static_assert(sizeof(FolderNameReply) == 10000);
