// OLE dates: a DATE is a day count from 1899-12-30 with the time of day as
// its fraction. Before that day the whole part counts back and the
// fraction still counts forward: -1.25 is 1899-12-29 06:00.
#pragma once

#include "win32/types.h"

constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);

constexpr ULONG VAR_TIMEVALUEONLY = 0x00000001;
constexpr ULONG VAR_DATEVALUEONLY = 0x00000002;

// Years 100 to 9999; milliseconds are not kept. TRUE on success.
INT SystemTimeToVariantTime(const SYSTEMTIME* lpSystemTime, DOUBLE* pvtime);
// Rounds to the nearest second; wMilliseconds is 0.
INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime);

// Reads a date and/or time text as the locale writes them. S_OK,
// DISP_E_TYPEMISMATCH for text that is no date, DISP_E_OVERFLOW for a date
// outside the years 100 to 9999, E_INVALIDARG for bad arguments.
HRESULT VarDateFromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, DATE* pdateOut);

namespace win32 {

constexpr DATE kMinOleDate = -657434.0;                   // 0100-01-01 00:00:00
constexpr DATE kMaxOleDate = 2958465.0 + 86399.0 / 86400;  // 9999-12-31 23:59:59

// Calendar fields to a DATE and back; false outside the OLE range or for
// fields that name no date or time.
bool OleDateFromParts(int year, int month, int day, int hour, int minute, int second, DATE& out);
bool OleDateToParts(DATE value, SYSTEMTIME& out);

}  // namespace win32
