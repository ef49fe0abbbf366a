// Contacts: "Person" documents from the tagged entries of the item text's
// body, each label written as the Notes items of its row; entries of other
// labels are kept as lines of the "Comment".
#include "ItemWriters.h"
#include "MimeFields.h"
#include "NotesEngine.h"
#include "NotesStatus.h"
#include "TaggedEntries.h"
#include "win32/oledate.h"

namespace {

// How a row writes the entry's value into its items.
enum class Value { kText, kDate, kCategories, kDropped };

// Up to two labels and three items; unused places are null.
struct ContactRow {
  const char16_t* labels[2];
  const char16_t* items[3];
  Value value = Value::kText;
};

// Labels compared exactly, in this order; the first match applies.
const ContactRow kContactRows[] = {
    {{u"Name", u"Namn"}, {u"FullName"}},
    {{u"Group Name"}, {u"Groups"}},
    {{u"dspEmail1"}, {u"dspEmail1", u"MailAddress"}},
    {{u"dspEmail2"}, {u"dspEmail2", u"miscPhone1"}},
    {{u"dspEmail3"}, {u"dspEmail5", u"email_5"}},
    {{u"CreateDate"}, {}, Value::kDropped},
    {{u"LastModificationDate"}, {}, Value::kDropped},
    {{u"First Name", u"F\u00f6rnamn"}, {u"FirstName"}},
    {{u"Office Phone Number"}, {u"OfficePhoneNumber"}},
    {{u"Home Phone Number"}, {u"PhoneNumber"}},
    {{u"Last Name", u"Efternamn"}, {u"LastName"}},
    {{u"Organization"}, {u"CompanyName"}},
    {{u"Title"}, {u"Title"}},
    {{u"Department"}, {u"Department"}},
    {{u"Phone Number"}, {u"PhoneNumber"}},
    {{u"Cellular Phone Number"}, {u"CellPhoneNumber"}},
    {{u"Mobile Phone"}, {u"CellPhoneNumber"}},
    {{u"Pager Number"}, {u"PhoneNumber_6"}},
    {{u"Fax Number"}, {u"OfficeFAXPhoneNumber", u"dspDefaultPhone2", u"phone_2"}},
    {{u"Home Fax Number"}, {u"HomeFaxPhoneNumber", u"dspDefaultPhone6", u"phone_4"}},
    {{u"dspDefaultPhone8"}, {u"dspDefaultPhone8", u"PhoneNumber_8", u"phone_8"}},
    {{u"dspDefaultPhone9"}, {u"dspDefaultPhone9", u"PhoneNumber_9", u"phone_9"}},
    {{u"dspDefaultPhone10"}, {u"dspDefaultPhone10", u"PhoneNumber_10", u"phone_10"}},
    {{u"Country"}, {u"Country"}},
    {{u"City"}, {u"City"}},
    {{u"State"}, {u"State"}},
    {{u"StreetAddress"}, {u"StreetAddress"}},
    {{u"ZIP Code"}, {u"Zip"}},
    {{u"Birthday"}, {u"Birthday"}, Value::kDate},
    {{u"Middle Name"}, {u"MiddleInitial"}},
    {{u"WebSite"}, {u"WebSite"}},
    {{u"Spouse"}, {u"Spouse"}},
    {{u"Children"}, {u"Children"}},
    {{u"Home City"}, {u"City"}},
    {{u"Home Country"}, {u"Country"}},
    {{u"Home ZIP"}, {u"Zip"}},
    {{u"Home State"}, {u"State"}},
    {{u"Home Address"}, {u"StreetAddress"}},
    {{u"Suffix"}, {u"Suffix"}},
    {{u"Prefix"}, {u"Prefix"}},
    {{u"Anniversary"}, {u"Anniversary"}, Value::kDate},
    {{u"Assistant"}, {u"Assistant"}},
    {{u"Manager"}, {u"Manager"}},
    {{u"JobTitle"}, {u"JobTitle"}},
    {{u"dspEmail5"}, {u"dspEmail5", u"email_5"}},
    {{u"OfficeCity"}, {u"OfficeCity"}},
    {{u"OfficeCountry"}, {u"OfficeCountry"}},
    {{u"OfficeState"}, {u"OfficeState"}},
    {{u"OfficeStreetAddress"}, {u"OfficeStreetAddress"}},
    {{u"OfficeZip"}, {u"OfficeZip"}},
    {{u"OtherCity"}, {u"OtherCity"}},
    {{u"OtherCountry"}, {u"OtherCountry"}},
    {{u"OtherState"}, {u"OtherState"}},
    {{u"OtherStreetAddress"}, {u"OtherStreetAddress"}},
    {{u"OtherZip"}, {u"OtherZip"}},
    {{u"Categories"}, {u"Categories"}, Value::kCategories},
    {{u"ShortName"}, {u"ShortName"}},
};

constexpr char16_t kCommentLabel[] = u"Comment";
constexpr char16_t kLineBreak[] = u"\r\n";
constexpr LCID kUserDefaultLocale = 0x400;

const ContactRow* FindRow(const CString& label) {
  for (const ContactRow& row : kContactRows)
    for (const char16_t* rowLabel : row.labels)
      if (rowLabel && label == rowLabel) return &row;
  return nullptr;
}

// A date of the user's locale; nothing for a value that does not read as
// one (nor an extra line). A Notes status raises.
void WriteContactDate(const CString& name, const CString& value, LNDocument& document) {
  DATE date = 0;
  if (value.empty() || FAILED(VarDateFromStr(value.c_str(), kUserDefaultLocale, 0, &date))) return;
  WriteDatetimeItem(name, ToLNDatetime(COleDateTime(date)), document);
}

// The items of the label's row; for a label without one, the extra line
// that stands for the entry in the comment.
CString MapContactField(const CString& label, const CString& value, LNDocument& document) {
  const ContactRow* row = FindRow(label);
  if (!row) return kLineBreak + label + u":" + value;
  for (const char16_t* item : row->items) {
    if (!item) break;
    switch (row->value) {
      case Value::kText:
        WriteTextItem(item, value, document);
        break;
      case Value::kCategories:
        WriteTextItem(item, CategoriesWithCommas(value), document);
        break;
      case Value::kDate:
        WriteContactDate(item, value, document);
        break;
      case Value::kDropped:
        break;
    }
  }
  return {};
}

struct ContactComment {
  bool seen = false;
  CString text;   // the last "Comment" entry's value
  CString extra;  // the extra lines
};

ContactComment WriteContactEntries(const CString& body, LNDocument& document) {
  ContactComment comment;
  const std::int32_t count = CountItemEntries(body);
  for (std::int32_t i = 0; i < count; ++i) {
    CString label, value;
    SplitItemEntry(GetItemEntry(body, i), label, value);
    if (label == kCommentLabel) {
      comment.seen = true;
      comment.text = value;
    } else {
      comment.extra += MapContactField(label, value, document);
    }
  }
  return comment;
}

void AppendExtra(CString& text, const CString& extra) {
  if (!text.empty()) text += kLineBreak + extra;
}

// "Comment": the contact's body (from the MIME file, else its "Comment"
// entry) with the extra lines after it; without a "Comment" entry the
// extra lines alone.
void WriteComment(ContactComment comment, MimeValues mime, std::int32_t plainBody, LNDocument& document) {
  if (!comment.seen) {
    WriteTextItem(kCommentLabel, comment.extra, document);
    return;
  }
  AppendExtra(mime.textBody, comment.extra);
  AppendExtra(mime.htmlBody, comment.extra);
  AppendExtra(comment.text, comment.extra);
  if (plainBody & 0xFF) {
    const CString& html = mime.htmlBody.empty() ? comment.text : mime.htmlBody;
    WriteTextItem(kCommentLabel, mime.textBody.empty() ? html : mime.textBody, document);
  } else if (!mime.htmlBody.empty()) {
    if (!WriteHtmlBody(kCommentLabel, mime.htmlBody, document)) WriteTextItem(kCommentLabel, mime.textBody, document);
  } else {
    WriteTextItem(kCommentLabel, mime.textBody.empty() ? comment.text : mime.textBody, document);
  }
}

}  // namespace

std::int32_t CNotesEngine::BuildPersonDocument(ItemBlock block) {
  LNDocument document;
  if (!CreateOpenDocument(document)) return kDocumentNotesFailure;
  MimeValues mime;
  ReadMimeFields(block.emlFile, mime);
  const ContactComment comment = WriteContactEntries(block.record.body, document);
  WriteTextItem(u"Form", u"Person", document);
  WriteComment(comment, mime, block.plainBody, document);
  const BOOL attachedAll = AttachFiles(document, block.attachmentList);
  WriteExcludeFromView(document);
  return SaveToCurrentFolder(document, attachedAll);
}
