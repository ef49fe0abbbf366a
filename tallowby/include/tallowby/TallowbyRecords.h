// The records and message codes of Tallowby's window protocol, and the
// names of the input files the controlling program writes for it. Records
// are little-endian without padding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "win32/types.h"
#include "win32/window.h"

// WM_COPYDATA codes (dwData, low 32 bits).
constexpr DWORD CD_PROFILE_NAME = 1063;        // to the requester: ProfileNameReply
constexpr DWORD CD_CREATE_PST_PROFILE = 1132;  // CREATE_PST_PROFILE_INFO
constexpr DWORD CD_IGNORED_TEXT = 1136;        // a NUL-terminated UTF-16 text

// Plain messages to Tallowby; wParam is the requester's window.
constexpr UINT WM_CHECK_SESSION = WM_USER + 40;
constexpr UINT WM_CREATE_EXCHANGE_PROFILE = WM_USER + 110;

// Input files in the temporary folder: UTF-16LE without byte-order mark,
// lines ended by LF alone.
inline constexpr char16_t kPstPathListFile[] = u"RedemptionLNPstFilePath.Txt";  // one PST path per line
inline constexpr char16_t kExchangeMailboxFile[] = u"ExchangeMailBox.txt";      // mailbox, then server

#pragma pack(push, 1)

// CD_CREATE_PST_PROFILE's record: the window the reply goes to. Nothing
// after it is read.
struct CREATE_PST_PROFILE_INFO {
  std::uint64_t hwnd;
};

constexpr std::size_t kProfileNameUnits = 5120;

// CD_PROFILE_NAME's record: the new profile's name, the rest zero.
struct ProfileNameReply {
  WCHAR profileName[kProfileNameUnits];
};

#pragma pack(pop)

static_assert(sizeof(CREATE_PST_PROFILE_INFO) == 8);
static_assert(sizeof(ProfileNameReply) == 10240);
