#include "BuilderValues.h"

#include "ItemWriters.h"

namespace {

void Fallback(CString& value, const CString& fallback) {
  if (value.empty()) value = fallback;
}

}  // namespace

MimeValues ReadMimeWithFallbacks(const CString& emlPath, const ItemTextRecord& record) {
  MimeValues mime;
  ReadMimeFields(emlPath, mime);
  Fallback(mime.subject, record.subject);
  Fallback(mime.from, record.from);
  Fallback(mime.htmlBody, record.body);
  Fallback(mime.textBody, record.body);
  return mime;
}

COleDateTime PostedDateOf(const ItemTextRecord& record, const MimeValues& mime) {
  return record.created.GetStatus() == COleDateTime::valid ? record.created : COleDateTime(mime.received);
}

void WriteValidDate(const CString& name, const COleDateTime& date, LNDocument& document) {
  if (date.GetStatus() == COleDateTime::valid) WriteDatetimeItem(name, ToLNDatetime(date), document);
}
