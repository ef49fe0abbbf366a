#include "TaggedEntries.h"

#include <algorithm>

#include "ItemTextRecord.h"

namespace {

constexpr char16_t kOpen[] = u"<ITEM>";
constexpr char16_t kClose[] = u"</ITEM>";

}  // namespace

std::int32_t CountItemEntries(const CString& text) {
  std::int32_t count = 0;
  for (std::size_t at = text.find(kClose); at != CString::npos; at = text.find(kClose, at + 1)) ++count;
  return count;
}

CString StripItemMarkers(const CString& text) {
  return StripLabel(StripLabel(text.substr(0, text.find(kClose)), kOpen), kClose);
}

CString GetItemEntry(const CString& text, std::int32_t index) {
  if (index < 0) return {};
  std::size_t at = text.find(kOpen);
  for (std::int32_t i = 0; i < index && at != CString::npos; ++i) at = text.find(kOpen, at + 1);
  if (at == CString::npos) return {};
  const std::size_t close = text.find(kClose, at);
  return StripItemMarkers(text.substr(at, close == CString::npos ? CString::npos : close - at));
}

void SplitItemEntry(const CString& entry, CString& label, CString& value) { SplitKeyValue(entry, label, value); }

CString WithoutCategoryCount(const CString& categories) {
  return categories.size() < 2 ? CString() : categories.substr(2);
}

CString CategoriesWithCommas(const CString& categories) {
  CString text = WithoutCategoryCount(categories);
  std::replace(text.begin(), text.end(), u';', u',');
  return text;
}
