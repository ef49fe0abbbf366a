#include "variant_date.h"

#include <cmath>
#include <string>

#include "win32/datetime_format.h"
#include "win32/oledate.h"

namespace com {

HRESULT DateFromText(std::u16string_view text, LCID lcid, DATE* out) {
  const std::u16string terminated(text);
  return VarDateFromStr(terminated.c_str(), lcid, 0, out);
}

// As the variant conversion writes dates: the short date and the time with
// seconds; day 0 (30 December 1899) is written as its time alone, and a
// time of 00:00:00 is left out.
HRESULT TextFromDate(DATE date, LCID lcid, std::u16string* out) {
  SYSTEMTIME st{};
  if (!VariantTimeToSystemTime(date, &st)) return DISP_E_OVERFLOW;
  WCHAR buf[128];
  out->clear();
  const bool dayZero = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
  const bool midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
  if (!dayZero) {
    if (GetDateFormatW(lcid, DATE_SHORTDATE, &st, nullptr, buf, 128) == 0) return DISP_E_TYPEMISMATCH;
    *out = buf;
  }
  if (dayZero || !midnight) {
    if (GetTimeFormatW(lcid, 0, &st, nullptr, buf, 128) == 0) return DISP_E_TYPEMISMATCH;
    if (!out->empty()) *out += u' ';
    *out += buf;
  }
  return S_OK;
}

}  // namespace com
