// Calendar items: "Appointment" documents with their location, categories
// and both ends, each end under two names. No recipients.
#include "BuilderValues.h"
#include "ItemWriters.h"
#include "NotesEngine.h"
#include "TaggedEntries.h"

std::int32_t CNotesEngine::BuildAppointmentDocument(ItemBlock block) {
  const ItemTextRecord& record = block.record;
  const MimeValues mime = ReadMimeWithFallbacks(block.emlFile, record);
  const COleDateTime posted = PostedDateOf(record, mime);
  const auto writeItems = [&](LNDocument& document) {
    WriteTextItem(u"Form", u"Appointment", document);
    WriteTextItem(u"Subject", mime.subject, document);
    WriteTextItem(u"From", mime.from, document);
    WriteTextItem(u"Location", record.location, document);
    WriteTextItem(u"Categories", WithoutCategoryCount(record.category), document);
    WriteExcludeFromView(document);
    WriteValidDate(u"StartDate", record.start, document);
    WriteValidDate(u"STARTDATETIME", record.start, document);
    WriteValidDate(u"EndDate", record.end, document);
    WriteValidDate(u"EndDateTime", record.end, document);
    WritePostedDate(posted, document);
  };
  return BuildDocument(writeItems, block.attachmentList, {block.plainBody, mime.htmlBody, mime.textBody});
}
