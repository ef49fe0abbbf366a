// Base types, constants and statuses of the Notes object library stand-in.
//
// Every call returns an LNSTATUS (0 for success) or, in throw-all-errors
// mode, throws the failing LNSTATUS itself (see LNNotesSession). The values
// of the statuses and constants are this library's own.
#pragma once

#include <cstdint>

using LNSTATUS = std::uint32_t;
using LNINT = std::int32_t;
using LNBOOL = std::int32_t;
using LNNOTEID = std::int64_t;

// Item flags are kept with the item as given; the library gives them no meaning.
using LNITEMFLAGS = std::uint32_t;
// Raw item types are kept with the item as given.
using LNITEMTYPE = std::uint16_t;
constexpr LNITEMTYPE LNITEMTYPE_HTML = 21;

// What CreateItem does when the note already has an item of the same name
// (names compare without regard to case): by default the new item takes the
// place of the first one and the others are removed; with
// LNITEMOPTION_APPEND it is added after them.
using LNITEMOPTION = std::uint32_t;
constexpr LNITEMOPTION LNITEMOPTION_DEFAULT = 0;
constexpr LNITEMOPTION LNITEMOPTION_APPEND = 0x10000;

// The text form that LNStringTranslate reads or writes: both are UTF-16,
// so every text converts without loss (a lone surrogate becomes U+FFFD).
using LNCHARSET = LNINT;
constexpr LNCHARSET LNCHARSET_UNICODE = 0;  // UTF-16 in this machine's byte order
constexpr LNCHARSET LNCHARSET_UTF16LE = 1;  // UTF-16, little-endian whatever the machine

// Kinds of database files for LNNotesSession::GetDatabases; combine them.
using LNDBTYPE = LNINT;
constexpr LNDBTYPE LNDBTYPE_DATABASE = 2;  // ".nsf"
constexpr LNDBTYPE LNDBTYPE_TEMPLATE = 4;  // ".ntf"

constexpr LNSTATUS LNNOERROR = 0;
// Statuses the library raises; LNGetErrorMessageText has a text for each.
constexpr LNSTATUS LNERR_BAD_DATABASE_NAME = 0x011B;  // the target's file name is refused
constexpr LNSTATUS LNERR_NOTES_NOT_INSTALLED = 0x1902;  // no Notes data folder
constexpr LNSTATUS LNERR_SERVER_NOT_REACHABLE = 0x2140;  // any server name: there is no network
constexpr LNSTATUS LNERR_NOT_INITIALIZED = 0x0A01;
constexpr LNSTATUS LNERR_NULL_ARGUMENT = 0x0A02;
constexpr LNSTATUS LNERR_BAD_ARGUMENT = 0x0A03;
constexpr LNSTATUS LNERR_OBJECT_NOT_BOUND = 0x0A04;
constexpr LNSTATUS LNERR_OBJECT_NOT_OPEN = 0x0A05;
constexpr LNSTATUS LNERR_FILE_NOT_FOUND = 0x0A06;
constexpr LNSTATUS LNERR_FILE_EXISTS = 0x0A07;
constexpr LNSTATUS LNERR_DIRECTORY_NOT_FOUND = 0x0A08;
constexpr LNSTATUS LNERR_NOT_A_DATABASE = 0x0A09;
constexpr LNSTATUS LNERR_DATABASE_DAMAGED = 0x0A0A;
constexpr LNSTATUS LNERR_DATABASE_IO = 0x0A0B;
constexpr LNSTATUS LNERR_DATABASE_VERSION = 0x0A0C;
constexpr LNSTATUS LNERR_BAD_DATABASE_TYPE = 0x0A0D;
constexpr LNSTATUS LNERR_FOLDER_EXISTS = 0x0A10;
constexpr LNSTATUS LNERR_BAD_FOLDER_NAME = 0x0A11;
constexpr LNSTATUS LNERR_FOLDER_NOT_FOUND = 0x0A12;
constexpr LNSTATUS LNERR_NOT_A_FOLDER = 0x0A13;
constexpr LNSTATUS LNERR_NOTE_NOT_SAVED = 0x0A20;
constexpr LNSTATUS LNERR_NOTE_DELETED = 0x0A21;
constexpr LNSTATUS LNERR_WRONG_DATABASE = 0x0A22;
constexpr LNSTATUS LNERR_BAD_ITEM_NAME = 0x0A23;
constexpr LNSTATUS LNERR_BAD_DATETIME = 0x0A24;
constexpr LNSTATUS LNERR_BAD_DATE = 0x0A25;
constexpr LNSTATUS LNERR_BAD_TIME = 0x0A26;
constexpr LNSTATUS LNERR_BAD_CHARSET = 0x0A27;
constexpr LNSTATUS LNERR_ATTACH_FILE_UNREADABLE = 0x0A28;
constexpr LNSTATUS LNERR_BAD_ATTACHMENT_NAME = 0x0A29;
// Has a message text but is never raised: the stand-in has no ID files.
constexpr LNSTATUS LNERR_ID_FILE = 0x0A30;
