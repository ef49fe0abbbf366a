// Tasks: "Task" documents with Notes' importance and status texts, the
// categories as the item text has them, and the start and due dates.
#include <climits>
#include <optional>

#include "BuilderValues.h"
#include "ItemWriters.h"
#include "NotesEngine.h"

namespace {

// MAPI's priority as Notes' importance.
struct PriorityRow {
  long priority;
  const char16_t* importance;
};
constexpr PriorityRow kImportance[] = {{-1, u"3"}, {0, u"0"}, {1, u"1"}};

// The task status number as Notes shows it.
struct StatusRow {
  const char16_t* status;
  const char16_t* display;
};
constexpr StatusRow kDisplayStatus[] = {
    {u"0", u"Not started"}, {u"1", u"In progress"}, {u"2", u"Complete"}, {u"3", u"Waiting on someone else"},
    {u"4", u"Overdue"},
};

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// The text read as a decimal integer: leading blanks, one sign, the digits
// up to the first other character; no digits read as 0. A number beyond
// the long's range stays beyond every row.
long ReadPriority(const CString& text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  const bool negative = at < text.size() && text[at] == u'-';
  if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) ++at;
  long value = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    if (value > (LONG_MAX - 9) / 10) return negative ? LONG_MIN : LONG_MAX;
    value = value * 10 + (text[at] - u'0');
  }
  return negative ? -value : value;
}

std::optional<CString> Importance(const CString& priority) {
  const long value = ReadPriority(priority);
  for (const PriorityRow& row : kImportance)
    if (row.priority == value) return CString(row.importance);
  return std::nullopt;
}

std::optional<CString> DisplayStatus(const CString& status) {
  for (const StatusRow& row : kDisplayStatus)
    if (status == row.status) return CString(row.display);
  return std::nullopt;
}

}  // namespace

std::int32_t CNotesEngine::BuildTaskDocument(ItemBlock block) {
  const ItemTextRecord& record = block.record;
  const MimeValues mime = ReadMimeWithFallbacks(block.emlFile, record);
  const COleDateTime posted = PostedDateOf(record, mime);
  const auto writeItems = [&](LNDocument& document) {
    WriteTextItem(u"Form", u"Task", document);
    WriteTextItem(u"Subject", mime.subject, document);
    WriteTextItem(u"From", mime.from, document);
    if (const auto importance = Importance(record.priority)) WriteTextItem(u"Importance", *importance, document);
    if (const auto display = DisplayStatus(record.status)) WriteTextItem(u"DisplayStatus", *display, document);
    // The categories keep the item text's count in front.
    WriteTextItem(u"Categories", record.category, document);
    WriteExcludeFromView(document);
    WriteTextItem(u"OrgConfidential", record.orgConfidential, document);
    WriteValidDate(u"DueDate", record.due, document);
    WriteValidDate(u"StartDate", record.start, document);
    WritePostedDate(posted, document);
  };
  return BuildDocument(writeItems, block.attachmentList, {block.plainBody, mime.htmlBody, mime.textBody});
}
