#include "pst/pst_codepage.h"

#include <algorithm>
#include <iterator>

#include "mapi/mapitags.h"
#include "win32/codepage.h"

namespace pst {
namespace {

struct Pair {
  uint32_t from;
  UINT to;
};

constexpr UINT kAnsiPages[] = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

// Internet and ISO code pages to the ANSI page of the same script.
constexpr Pair kToAnsi[] = {
    {20127, 1252}, {20866, 1251}, {20932, 932},  {20936, 936},  {21866, 1251}, {28591, 1252}, {28592, 1250},
    {28593, 1254}, {28594, 1257}, {28595, 1251}, {28596, 1256}, {28597, 1253}, {28598, 1255}, {28599, 1254},
    {28603, 1257}, {28605, 1252}, {38598, 1255}, {50220, 932},  {50221, 932},  {50222, 932},  {50225, 949},
    {50227, 936},  {51932, 932},  {51936, 936},  {51949, 949},  {51950, 950},  {52936, 936},  {54936, 936},
};

// Locales whose script is not their language's first one.
constexpr Pair kLocales[] = {
    {0x0404, 950},  {0x0804, 936},  {0x0C04, 950},  {0x1004, 936},  {0x1404, 950},  // Chinese
    {0x081A, 1250}, {0x0C1A, 1251}, {0x141A, 1250}, {0x181A, 1250}, {0x1C1A, 1251},  // Serbian, Bosnian
    {0x201A, 1251}, {0x042C, 1254}, {0x082C, 1251}, {0x0443, 1254}, {0x0843, 1251},  // Azeri, Uzbek
};

// Primary languages (the low ten bits of an LCID).
constexpr Pair kLanguages[] = {
    {0x01, 1256}, {0x02, 1251}, {0x03, 1252}, {0x05, 1250}, {0x06, 1252}, {0x07, 1252}, {0x08, 1253},
    {0x09, 1252}, {0x0A, 1252}, {0x0B, 1252}, {0x0C, 1252}, {0x0D, 1255}, {0x0E, 1250}, {0x0F, 1252},
    {0x10, 1252}, {0x11, 932},  {0x12, 949},  {0x13, 1252}, {0x14, 1252}, {0x15, 1250}, {0x16, 1252},
    {0x18, 1250}, {0x19, 1251}, {0x1A, 1250}, {0x1B, 1250}, {0x1C, 1250}, {0x1D, 1252}, {0x1E, 874},
    {0x1F, 1254}, {0x20, 1256}, {0x21, 1252}, {0x22, 1251}, {0x23, 1251}, {0x24, 1250}, {0x25, 1257},
    {0x26, 1257}, {0x27, 1257}, {0x29, 1256}, {0x2A, 1258}, {0x2D, 1252}, {0x2F, 1251}, {0x36, 1252},
    {0x38, 1252}, {0x3E, 1252}, {0x3F, 1251}, {0x40, 1251}, {0x41, 1252}, {0x44, 1251}, {0x50, 1251},
    {0x56, 1252}, {0x62, 1252},
};

template <size_t N>
std::optional<UINT> Lookup(const Pair (&table)[N], uint32_t key) {
  const auto* it = std::find_if(std::begin(table), std::end(table), [&](const Pair& p) { return p.from == key; });
  return it == std::end(table) ? std::nullopt : std::optional<UINT>(it->to);
}

// The page an item's value leads to, when this machine converts it.
std::optional<UINT> Usable(std::optional<UINT> page) {
  return page && IsValidCodePage(*page) ? page : std::nullopt;
}

std::optional<uint32_t> LongOf(const mapi::PropMap& props, uint16_t id) {
  const SPropValue* v = props.Find(PROP_TAG(PT_LONG, id));
  if (!v || PROP_TYPE(v->ulPropTag) != PT_LONG) return std::nullopt;
  return static_cast<uint32_t>(v->Value.l);
}

}  // namespace

std::optional<UINT> AnsiCodePageOf(uint32_t codePage) {
  if (std::find(std::begin(kAnsiPages), std::end(kAnsiPages), codePage) != std::end(kAnsiPages)) return codePage;
  return Lookup(kToAnsi, codePage);
}

std::optional<UINT> AnsiCodePageOfLocale(uint32_t lcid) {
  lcid &= 0xFFFF;  // the sort order above it does not change the script
  if (auto page = Lookup(kLocales, lcid)) return page;
  return Lookup(kLanguages, lcid & 0x3FF);
}

UINT ItemCodePage(const TextDeclarations& item, UINT machineCodePage) {
  if (item.messageCodePage)
    if (auto page = Usable(*item.messageCodePage)) return *page;
  if (item.localeId)
    if (auto page = Usable(AnsiCodePageOfLocale(*item.localeId))) return *page;
  if (item.internetCpid)
    if (auto page = Usable(AnsiCodePageOf(*item.internetCpid))) return *page;
  return machineCodePage;
}

TextDeclarations DeclarationsOf(const mapi::PropMap& props) {
  return {LongOf(props, kPidMessageCodePage), LongOf(props, kPidMessageLocaleId), LongOf(props, kPidInternetCpid)};
}

}  // namespace pst
