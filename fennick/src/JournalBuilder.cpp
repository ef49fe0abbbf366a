// Journal entries: "JournalEntry" documents dated by the item text's
// creation date alone. No sender, no recipients.
#include "BuilderValues.h"
#include "ItemWriters.h"
#include "NotesEngine.h"
#include "TaggedEntries.h"

std::int32_t CNotesEngine::BuildJournalDocument(ItemBlock block) {
  const ItemTextRecord& record = block.record;
  const MimeValues mime = ReadMimeWithFallbacks(block.emlFile, record);
  const auto writeItems = [&](LNDocument& document) {
    WriteTextItem(u"Form", u"JournalEntry", document);
    WriteTextItem(u"Subject", mime.subject, document);
    WriteTextItem(u"Categories", CategoriesWithCommas(record.category), document);
    WriteExcludeFromView(document);
    // The received time is no stand-in here: without a creation date
    // neither item is written.
    WriteTimeCreated(record.created, document);
    WritePostedDate(record.created, document);
  };
  return BuildDocument(writeItems, block.attachmentList, {block.plainBody, mime.htmlBody, mime.textBody});
}
