// Mail memos: "Memo" documents from a mail item's text and MIME file, and
// from the MIME file alone for items of any type without a builder.
#include "ItemWriters.h"
#include "MimeFields.h"
#include "NotesEngine.h"

namespace {

// The values of a memo's items.
struct MemoValues {
  CString subject;
  CString from;
  CString to;
  CString cc;
  CString bcc;
  CString importance;
  COleDateTime posted;
};

// Which memo an item belongs to: both, or only the one of a mail item.
enum class Memo { kBoth, kMailOnly };

struct MemoItem {
  const char16_t* name;
  CString MemoValues::*value;  // none: the fixed value
  const char16_t* fixed;
  Memo memo;
};

// The text items before "ExcludeFromView", in order, names as they stand.
const MemoItem kHeaderItems[] = {
    {u"Form", nullptr, u"Memo", Memo::kBoth},
    {u"Type", nullptr, u"Memo", Memo::kMailOnly},
    {u"Subject", &MemoValues::subject, nullptr, Memo::kBoth},
    {u"From", &MemoValues::from, nullptr, Memo::kBoth},
    {u"Principal", &MemoValues::from, nullptr, Memo::kMailOnly},
    {u"INetFrom", &MemoValues::from, nullptr, Memo::kBoth},
    {u"AltFrom", &MemoValues::from, nullptr, Memo::kBoth},
    {u"SendTo", &MemoValues::to, nullptr, Memo::kBoth},
    {u"BliendCopyTo", &MemoValues::bcc, nullptr, Memo::kBoth},
    {u"EnterBliendCopyTo", &MemoValues::bcc, nullptr, Memo::kBoth},
    {u"CopyTo", &MemoValues::cc, nullptr, Memo::kBoth},
    {u"EnterCopyTo", &MemoValues::cc, nullptr, Memo::kBoth},
};

// The item text's importance (MAPI's, as decimal text) as Notes reads it.
CString NotesImportance(const CString& importance) {
  if (importance == u"0") return u"3";
  if (importance == u"2") return u"1";
  return u"";
}

void WriteMemoItems(const MemoValues& values, bool mailItem, LNDocument& document) {
  for (const MemoItem& item : kHeaderItems)
    if (mailItem || item.memo == Memo::kBoth)
      WriteTextItem(item.name, item.value ? values.*item.value : CString(item.fixed), document);
  WriteExcludeFromView(document);
  if (mailItem) WriteTextItem(u"Importance", values.importance, document);
  WritePostedDate(values.posted, document);
}

const CString& FirstOf(const CString& first, const CString& second) { return first.empty() ? second : first; }

}  // namespace

std::int32_t CNotesEngine::BuildMemoDocument(ItemBlock block) {
  MimeValues mime;
  ReadMimeFields(block.emlFile, mime);
  const ItemTextRecord& record = block.record;
  MemoValues values;
  values.subject = FirstOf(record.subject, mime.subject);
  values.from = FirstOf(mime.from, record.from);
  values.to = FirstOf(mime.to, record.to);
  values.cc = FirstOf(mime.cc, record.cc);
  values.bcc = FirstOf(mime.bcc, record.bcc);
  values.importance = NotesImportance(record.importance);
  values.posted = record.created.GetStatus() == COleDateTime::valid ? record.created : COleDateTime(mime.received);
  const DocumentBody body{block.plainBody, FirstOf(mime.htmlBody, record.body), FirstOf(mime.textBody, record.body)};
  return BuildDocument([&](LNDocument& document) { WriteMemoItems(values, true, document); }, block.attachmentList,
                       body);
}

std::int32_t CNotesEngine::BuildMimeMemoDocument(CString emlPath, std::int32_t plainBody, CString attachmentListPath) {
  MimeValues mime;
  ReadMimeFields(emlPath, mime);
  MemoValues values;
  values.subject = mime.subject;
  values.from = mime.from;
  values.to = mime.to;
  values.cc = mime.cc;
  values.bcc = mime.bcc;
  values.posted = COleDateTime(mime.received);
  const DocumentBody body{plainBody, mime.htmlBody, mime.textBody};
  return BuildDocument([&](LNDocument& document) { WriteMemoItems(values, false, document); }, attachmentListPath, body,
                       u"Unable to add document in folder");
}
