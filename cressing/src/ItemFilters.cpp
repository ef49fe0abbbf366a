// The type switches and date filters of the first export mode: an item they
// refuse is skipped without a trace.
#include "ItemFilters.h"

#include <climits>
#include <cstring>
#include <iterator>
#include <utility>

#include "CressingDlg.h"
#include "ExportNames.h"
#include "win32/codepage.h"
#include "win32/datetime_format.h"
#include "win32/oledate.h"

namespace {

// Which switch governs which item type; a type without one always passes.
const std::pair<std::int32_t, std::size_t> kTypeSwitches[] = {
    {kItemMail, 0},     {kItemAppointment, 1}, {kItemTask, 2},       {kItemContact, 3},
    {kItemDistList, 3}, {kItemJournal, 4},     {kItemStickyNote, 5},
};

// Day counts of the relative choices 1 to 10 (0: no limit).
constexpr int kRelativeDays[] = {7, 14, 21, 30, 90, 180, 270, 365, 730, 1095};

// Leading blanks skipped, digits up to the first other character; no
// digits give 0, and a number too long for an int stays at its largest.
int ReadNumber(std::u16string_view text) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == u' ') ++at;
  long long value = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
    value = std::min<long long>(value * 10 + (text[at] - u'0'), INT_MAX);
  return static_cast<int>(value);
}

// The date part of a date, at 00:00.
COleDateTime DayOf(const COleDateTime& date) {
  return COleDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
}

}  // namespace

int ParseDateParts(const std::u16string& text, int& day, int& month, int& year) {
  if (text.size() < 9) return 0;
  const std::size_t first = text.find(u'/');
  if (first == std::u16string::npos || text.find(u'/', first + 1) == std::u16string::npos) return 0;
  const std::u16string_view whole(text);
  const std::u16string_view monthText = whole.substr(0, first);
  const std::u16string_view dayText = whole.substr(first + 1, 2);
  const std::u16string_view yearText = whole.substr(whole.size() - 4);
  if (monthText.empty() || dayText.empty() || yearText.empty()) return 0;
  month = ReadNumber(monthText);
  day = ReadNumber(dayText);
  year = ReadNumber(yearText);
  return 1;
}

int ParseDateRange(const std::u16string& text, COleDateTime& from, COleDateTime& to) {
  if (text.empty()) return 0;
  const std::size_t dollar = text.find(u'$');
  if (dollar == std::u16string::npos) return 0;
  const std::u16string fromText = text.substr(0, dollar);
  const std::u16string toText = text.substr(dollar + 1);
  int day = 0, month = 0, year = 0;
  if (fromText.empty() || !ParseDateParts(fromText, day, month, year)) return 0;
  from = COleDateTime(year, month, day, 0, 0, 0);
  if (toText.empty() || !ParseDateParts(toText, day, month, year)) return 0;
  to = COleDateTime(year, month, day, 0, 0, 0);
  return from.GetStatus() == COleDateTime::valid && to.GetStatus() == COleDateTime::valid ? 1 : 0;
}

bool CCressingDlg::IsItemTypeEnabled(std::int32_t itemType) const {
  for (const auto& [type, index] : kTypeSwitches)
    if (type == itemType) return m_typeEnabled[index] != 0;
  return true;
}

bool CCressingDlg::PassesDateFilter(const std::u16string& dateText) const {
  DATE date = 0;
  if (FAILED(VarDateFromStr(dateText.c_str(), LOCALE_USER_DEFAULT, VAR_DATEVALUEONLY, &date))) return false;
  const COleDateTime itemDate(date);
  switch (m_dateFilterMode) {
    case 0:
      return PassesRelativeDateFilter(itemDate);
    case 1:
      return PassesDateRangeFilter(itemDate);
    default:
      return false;
  }
}

bool CCressingDlg::PassesRelativeDateFilter(const COleDateTime& itemDate) const {
  if (m_relativeDateChoice == 0) return true;
  const int days = m_relativeDateChoice >= 1 && m_relativeDateChoice <= static_cast<int>(std::size(kRelativeDays))
                       ? kRelativeDays[m_relativeDateChoice - 1]
                       : 0;
  const COleDateTime day = DayOf(itemDate);
  const COleDateTime now = COleDateTime::GetCurrentTime();
  const COleDateTime threshold = now - COleDateTimeSpan(days, 0, 0, 0);
  return threshold <= day && day <= now;
}

bool CCressingDlg::PassesDateRangeFilter(const COleDateTime& itemDate) const {
  const COleDateTime day = DayOf(itemDate);
  for (std::int32_t i = 0; i < m_dateRangeCount && i < static_cast<std::int32_t>(kMaxDateRanges); ++i) {
    const char* slot = m_dateRanges[i];
    const int length = static_cast<int>(strnlen(slot, kDateRangeSize - 1));
    std::u16string range(static_cast<std::size_t>(length), u'\0');
    const int units = MultiByteToWideChar(CP_THREAD_ACP, 0, slot, length, range.data(), static_cast<int>(range.size()));
    range.resize(units > 0 ? static_cast<std::size_t>(units) : 0);
    COleDateTime from, to;
    if (ParseDateRange(range, from, to) && from <= day && day <= to) return true;
  }
  return false;
}
