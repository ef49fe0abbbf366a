// Date and time pieces of the locales the machine knows.
#include "win32/datetime_format.h"

namespace win32 {
namespace {

constexpr std::array<std::u16string_view, 7> kDays = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                                      u"Thursday", u"Friday", u"Saturday"};
constexpr std::array<std::u16string_view, 7> kAbbrevDays = {u"Sun", u"Mon", u"Tue", u"Wed",
                                                            u"Thu", u"Fri", u"Sat"};
constexpr std::array<std::u16string_view, 12> kMonths = {
    u"January", u"February", u"March",     u"April",   u"May",      u"June",
    u"July",    u"August",   u"September", u"October", u"November", u"December"};
constexpr std::array<std::u16string_view, 12> kAbbrevMonths = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                               u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};

constexpr DateLocale kEnglishUs = {
    0x0409, kDays, kAbbrevDays, kMonths, kAbbrevMonths, u"AM", u"PM", u"A.D.",
    u"M/d/yyyy", u"dddd, MMMM d, yyyy", u"MMMM yyyy", u"MMMM d", u"h:mm:ss tt",
};

constexpr DateLocale kInvariant = {
    LOCALE_INVARIANT, kDays, kAbbrevDays, kMonths, kAbbrevMonths, u"AM", u"PM", u"A.D.",
    u"MM/dd/yyyy", u"dddd, dd MMMM yyyy", u"yyyy MMMM", u"MMMM dd", u"HH:mm:ss",
};

struct LocaleRow {
  LANGID langid;
  const DateLocale* locale;
};

// The user's and the system's locale are English (United States).
constexpr LocaleRow kLocales[] = {
    {0x0000, &kEnglishUs},  // neutral: the user default
    {0x0400, &kEnglishUs},  // user default
    {0x0800, &kEnglishUs},  // system default
    {0x0409, &kEnglishUs},
    {0x007F, &kInvariant},
};

}  // namespace

const DateLocale* FindDateLocale(LCID lcid) {
  // The sort identifier (bits 16-19) does not change date texts.
  const LANGID langid = static_cast<LANGID>(lcid & 0xFFFF);
  if ((lcid >> 20) != 0) return nullptr;
  for (const LocaleRow& row : kLocales)
    if (row.langid == langid) return row.locale;
  return nullptr;
}

const DateLocale& UserDateLocale() { return kEnglishUs; }

}  // namespace win32
