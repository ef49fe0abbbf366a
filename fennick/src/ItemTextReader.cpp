#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "ItemTextRecord.h"
#include "Utf16Lines.h"
#include "mfc/olevariant.h"

namespace {

constexpr std::size_t kHeaderLines = 8;  // the type line and the seven header lines

// The type keywords in the order they are tested; the first found decides.
struct TypeKeyword {
  std::u16string_view word;
  std::int32_t type;
};
constexpr TypeKeyword kTypeKeywords[] = {
    {u"EMAIL", kItemMail},      {u"CALENDER", kItemCalendar}, {u"TASK", kItemTask},
    {u"CONTACT", kItemContact}, {u"JOURNAL", kItemJournal},   {u"CONTC_DIST_LIST", kItemDistList},
};

// One line of a type after the header: the label it loses and where its
// value goes (a text, a date, or the value of a "key : value" contact line).
struct TypeLine {
  const char16_t* label;
  CString ItemTextRecord::*text;
  COleDateTime ItemTextRecord::*date;
};
constexpr TypeLine Text(const char16_t* label, CString ItemTextRecord::*field) { return {label, field, nullptr}; }
constexpr TypeLine Date(const char16_t* label, COleDateTime ItemTextRecord::*field) { return {label, nullptr, field}; }
constexpr TypeLine KeyValue(CString ItemTextRecord::*field) { return {nullptr, field, nullptr}; }

constexpr TypeLine kMailLines[] = {Text(u"Importance : ", &ItemTextRecord::importance)};
constexpr TypeLine kCalendarLines[] = {
    Date(u"Start Date : ", &ItemTextRecord::start), Date(u"End Date : ", &ItemTextRecord::end),
    Text(u"Location : ", &ItemTextRecord::location), Text(u"Category : ", &ItemTextRecord::category)};
constexpr TypeLine kTaskLines[] = {
    Date(u"Start Date : ", &ItemTextRecord::start),  Date(u"Due Date : ", &ItemTextRecord::due),
    Text(u"Category : ", &ItemTextRecord::category), Text(u"Status : ", &ItemTextRecord::status),
    Text(u"Priority : ", &ItemTextRecord::priority), Text(u"OrgConfidential : ", &ItemTextRecord::orgConfidential)};
constexpr TypeLine kContactLines[] = {KeyValue(&ItemTextRecord::contact1), KeyValue(&ItemTextRecord::contact2)};
constexpr TypeLine kJournalLines[] = {Text(u"Category : ", &ItemTextRecord::category)};

std::span<const TypeLine> TypeLines(std::int32_t type) {
  switch (type) {
    case kItemMail:
      return kMailLines;
    case kItemCalendar:
      return kCalendarLines;
    case kItemTask:
      return kTaskLines;
    case kItemContact:
      return kContactLines;
    case kItemJournal:
      return kJournalLines;
    default:
      return {};
  }
}

// The header lines after the type line, with the label each loses.
struct HeaderLine {
  const char16_t* label;
  CString ItemTextRecord::*field;
};
constexpr HeaderLine kAddressLines[] = {
    {u"From : ", &ItemTextRecord::from}, {u"To : ", &ItemTextRecord::to},           {u"CC : ", &ItemTextRecord::cc},
    {u"Bcc : ", &ItemTextRecord::bcc},   {u"Subject : ", &ItemTextRecord::subject},
};

// The raw lines of the file, read as the format lays them out.
struct RawLines {
  std::array<CString, kHeaderLines> header;
  std::vector<CString> typeLines;
  CString body;
};

RawLines ReadLines(const CString& text) {
  RawLines raw;
  LineReader reader(text);
  for (CString& line : raw.header)
    if (!reader.Next(line)) return raw;
  const std::size_t wanted = TypeLines(ItemTypeFromText(raw.header[0])).size();
  for (CString line; raw.typeLines.size() < wanted && reader.Next(line);) raw.typeLines.push_back(line);
  if (raw.typeLines.size() == wanted) raw.body = reader.Rest();
  return raw;
}

void FormTypeLine(const TypeLine& line, const CString& raw, ItemTextRecord& record) {
  const CString text = StripLineBreaks(raw);
  if (!line.label) {
    CString key, value;
    SplitKeyValue(text, key, value);
    record.*line.text = StripLabel(StripLabel(value, u"<ITEM>"), u"</ITEM>");
  } else if (line.date) {
    record.*line.date = ParseItemDate(StripLabel(text, line.label));
  } else {
    record.*line.text = StripLabel(text, line.label);
  }
}

void FormRecord(const RawLines& raw, ItemTextRecord& record) {
  std::array<CString, kHeaderLines> header;
  for (std::size_t i = 0; i < kHeaderLines; ++i) header[i] = StripLineBreaks(raw.header[i]);
  record.type = ItemTypeFromText(header[0]);
  record.created = ParseItemDate(header[1]);
  record.read = ParseReadStatus(header[2]);
  for (std::size_t i = 0; i < std::size(kAddressLines); ++i)
    record.*kAddressLines[i].field = StripLabel(header[3 + i], kAddressLines[i].label);
  record.body = StripLabel(raw.body, u"Body : ");
  const std::span<const TypeLine> lines = TypeLines(record.type);
  for (std::size_t i = 0; i < lines.size(); ++i)
    FormTypeLine(lines[i], i < raw.typeLines.size() ? raw.typeLines[i] : CString(), record);
}

}  // namespace

void ReadItemTextFile(const CString& path, ItemTextRecord& record) {
  const std::optional<CString> text = ReadUtf16File(path);
  FormRecord(text ? ReadLines(*text) : RawLines{}, record);
}

std::int32_t ItemTypeFromText(const CString& line) {
  for (const TypeKeyword& keyword : kTypeKeywords)
    if (line.find(keyword.word) != CString::npos) return keyword.type;
  return kItemUnknown;
}

COleDateTime ParseItemDate(const CString& text) {
  const COleVariant value(std::u16string_view(StripLabel(text, u"Creation Date : ")));
  return COleDateTime(static_cast<const VARIANT&>(value));
}

std::uint8_t ParseReadStatus(const CString& text) {
  return StripLabel(text, u"Read Status : ").find(u"UNREAD") == CString::npos ? 1 : 0;
}

CString StripLabel(const CString& text, const CString& label) {
  if (label.empty()) return text;
  CString out;
  out.reserve(text.size());
  std::size_t at = 0;
  for (std::size_t hit; (hit = text.find(label, at)) != CString::npos; at = hit + label.size())
    out.append(text, at, hit - at);
  out.append(text, at, CString::npos);
  return out;
}

void SplitKeyValue(const CString& text, CString& key, CString& value) {
  key.clear();
  value.clear();
  const std::size_t at = text.find(u" : ");
  if (at == CString::npos) return;
  key = text.substr(0, at);
  value = text.substr(at + 3);
}

CString StripLineBreaks(const CString& text) {
  CString out;
  out.reserve(text.size());
  for (char16_t c : text)
    if (c != u'\r' && c != u'\n') out += c;
  return out;
}
