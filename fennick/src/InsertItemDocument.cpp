// The document builders' entry: one Notes document for one exported item,
// by the builder of the item type that the item text names.
#include "NotesEngine.h"

namespace {

using Builder = std::int32_t (CNotesEngine::*)(ItemBlock);

struct BuilderRow {
  std::int32_t type;
  Builder build;
};

// Item types with a builder of their own; every other type (one without an
// item text among them) becomes a memo made from the MIME file alone.
// clang-format off
constexpr BuilderRow kBuilders[] = {
    {kItemMail, &CNotesEngine::BuildMemoDocument},
    {kItemCalendar, &CNotesEngine::BuildAppointmentDocument},
    {kItemTask, &CNotesEngine::BuildTaskDocument},
    {kItemContact, &CNotesEngine::BuildPersonDocument},
    {kItemJournal, &CNotesEngine::BuildJournalDocument},
    {kItemDistList, &CNotesEngine::BuildGroupDocument},
};
// clang-format on

}  // namespace

std::int32_t CNotesEngine::InsertItemDocument(ItemBlock block) {
  for (const BuilderRow& row : kBuilders)
    if (row.type == block.record.type) return (this->*row.build)(std::move(block));
  return BuildMimeMemoDocument(block.emlFile, block.plainBody, block.attachmentList);
}
