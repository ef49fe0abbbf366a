// The code page of an item's 8-bit strings in an ANSI (32-bit) file: the
// one the item declares (PR_MESSAGE_CODEPAGE), else the ANSI code page of
// its locale (PR_MESSAGE_LOCALE_ID), else the ANSI code page of its
// internet code page (PR_INTERNET_CPID: 50220 is held in 932), else the
// machine's ANSI code page, as MAPI converts with the system's. A value
// that leads to no code page this machine converts is passed over.
#pragma once

#include <cstdint>
#include <optional>

#include "mapi/prop_bag.h"
#include "win32/types.h"

namespace pst {

constexpr uint16_t kPidMessageCodePage = 0x3FFD;  // PR_MESSAGE_CODEPAGE
constexpr uint16_t kPidMessageLocaleId = 0x3FF1;  // PR_MESSAGE_LOCALE_ID
constexpr uint16_t kPidInternetCpid = 0x3FDE;     // PR_INTERNET_CPID

// What an item declares about its text; each value may be absent.
struct TextDeclarations {
  std::optional<uint32_t> messageCodePage;
  std::optional<uint32_t> localeId;
  std::optional<uint32_t> internetCpid;
};

UINT ItemCodePage(const TextDeclarations& item, UINT machineCodePage);

// The ANSI code page that holds a code page's text: itself for an ANSI
// page, 932 for ISO-2022-JP and EUC-JP, 1252 for ISO-8859-1 and so on;
// nothing for one without (UTF-8, an unknown page).
std::optional<UINT> AnsiCodePageOf(uint32_t codePage);
// The ANSI code page of a locale (an LCID); nothing for one without
// (Unicode-only languages, the neutral and default locales).
std::optional<UINT> AnsiCodePageOfLocale(uint32_t lcid);

// The declarations among an object's (or a table row's) PT_LONG values.
TextDeclarations DeclarationsOf(const mapi::PropMap& props);

}  // namespace pst
