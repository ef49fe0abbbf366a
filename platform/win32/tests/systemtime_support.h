// SYSTEMTIME values and their text, for the date and time tests.
#pragma once

#include <cstdio>
#include <string>

#include "win32/types.h"

inline SYSTEMTIME St(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
  SYSTEMTIME st{};
  st.wYear = y;
  st.wMonth = mo;
  st.wDay = d;
  st.wHour = h;
  st.wMinute = mi;
  st.wSecond = s;
  st.wMilliseconds = ms;
  return st;
}

// "yyyy-mm-dd hh:mm:ss.mmm", and " dow N" when asked: comparable in EXPECT_EQ
// and readable in its failure message.
inline std::string Show(const SYSTEMTIME& st, bool withDayOfWeek = false) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", st.wYear, st.wMonth, st.wDay, st.wHour,
                st.wMinute, st.wSecond, st.wMilliseconds);
  std::string out = buf;
  if (withDayOfWeek) out += " dow " + std::to_string(st.wDayOfWeek);
  return out;
}
