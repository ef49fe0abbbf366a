#include "ItemWriters.h"

#include <algorithm>
#include <string>

#include "NotesStatus.h"
#include "NotesText.h"

namespace {

constexpr int kFirstPostedYear = 1901;
constexpr int kLastPostedYear = 3999;

bool WriteTextList(const CString& name, const std::vector<CString>& values, LNDocument& document) {
  try {
    LNText text;
    for (const CString& value : values) RaiseIfFailed(text.Insert(text.GetCount(), ToLNString(value)));
    return document.CreateItem(ToLNString(name), text, kItemFlags, kItemOption) == LNNOERROR;
  } catch (LNSTATUS) {
    return false;
  }
}

// The units as little-endian bytes, whatever the machine's order.
std::string LittleEndianBytes(std::u16string_view units) {
  std::string bytes(units.size() * 2, '\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
  }
  return bytes;
}

bool WriteDateItemIfInRange(const char16_t* name, const COleDateTime& date, LNDocument& document) {
  if (date.GetStatus() != COleDateTime::valid) return false;
  const int year = date.GetYear();
  if (year < kFirstPostedYear || year > kLastPostedYear) return false;
  return WriteDatetimeItem(name, ToLNDatetime(date), document);
}

}  // namespace

bool WriteTextItem(const CString& name, const CString& value, LNDocument document) {
  return WriteTextList(name, {value}, document);
}

bool WriteExcludeFromView(LNDocument document) { return WriteTextList(u"ExcludeFromView", {u"S", u"D"}, document); }

bool WriteMembersItem(const std::vector<CString>& members, LNDocument document) {
  return WriteTextList(u"Members", members, document);
}

bool HasUtf8Charset(const CString& text) { return AsciiUpper(text).find(u"CHARSET=UTF-8") != CString::npos; }
bool HasArabicCharset(const CString& text) { return AsciiUpper(text).find(u"WINDOWS-1256") != CString::npos; }

bool WriteHtmlBody(const CString& name, const CString& html, LNDocument document) {
  const bool utf8 = HasUtf8Charset(html);
  if (!utf8 && HasArabicCharset(html)) return false;
  try {
    const LNString itemName = utf8 ? ToLNStringCharset1(name) : ToLNString(name);
    const std::u16string_view text(html);
    for (std::size_t at = 0; at < text.size(); at += kHtmlChunkUnits) {
      const std::string bytes = LittleEndianBytes(text.substr(at, kHtmlChunkUnits));
      // A chunk the library refuses is left out; the rest still goes in.
      document.CreateItem(itemName, LNITEMTYPE_HTML, bytes.data(), static_cast<LNINT>(bytes.size()), kItemFlags,
                          kItemOption);
    }
  } catch (LNSTATUS) {
    return false;
  }
  return true;
}

void WriteBody(std::int32_t plainBody, const CString& htmlBody, const CString& textBody, LNDocument document) {
  const char16_t* const name = u"Body";
  if (plainBody & 0xFF) {
    WriteTextItem(name, textBody.empty() ? htmlBody : textBody, document);
  } else if (htmlBody.empty() || !WriteHtmlBody(name, htmlBody, document)) {
    WriteTextItem(name, textBody, document);
  }
}

LNDatetime ToLNDatetime(const COleDateTime& date) {
  LNDatetime value;
  RaiseIfFailed(value.SetDate(date.GetMonth(), date.GetDay(), date.GetYear()));
  RaiseIfFailed(value.SetTime(date.GetHour(), date.GetMinute(), date.GetSecond(), 0));
  return value;
}

bool WriteDatetimeItem(const CString& name, const LNDatetime& value, LNDocument document) {
  LNDatetimes dates;
  RaiseIfFailed(dates.Insert(dates.GetDatetimeCount(), value));
  RaiseIfFailed(document.CreateItem(ToLNString(name), dates, kItemFlags, kItemOption));
  return true;
}

bool WritePostedDate(const COleDateTime& date, LNDocument document) {
  return WriteDateItemIfInRange(u"PostedDate", date, document);
}

bool WriteTimeCreated(const COleDateTime& date, LNDocument document) {
  return WriteDateItemIfInRange(u"TimeCreated", date, document);
}
