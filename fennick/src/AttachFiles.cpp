// The listed attachment files into the document: each renamed to a safe,
// unique form of its display name, attached under that name, saved, and
// removed once it is in the document.
#include <filesystem>
#include <optional>

#include "AttachList.h"
#include "NotesEngine.h"
#include "NotesText.h"
#include "win32/files.h"
#include "win32/path.h"

namespace {

// A file name of the folder itself, naming no other folder.
bool IsPlainFileName(const CString& name) {
  return !name.empty() && name != u"." && name != u".." && name.find_first_of(u"\\/") == CString::npos;
}
bool IsUsableFolder(const CString& folder) { return !folder.empty() && folder != u"." && folder != u".."; }

// What stands at the path, links not followed.
std::filesystem::file_type TypeAt(const CString& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(win32::MapPath(path), ec).type();
}
// Only a regular file is attached or removed, never what a link points to.
bool IsRegularFile(const CString& path) { return TypeAt(path) == std::filesystem::file_type::regular; }

CString FallbackName(int& counter) { return u"UnknownAttch" + DecimalText(counter++); }

}  // namespace

BOOL CNotesEngine::AttachFiles(LNDocument document, const CString& attachmentListPath) {
  CList<CAttachEntry> list;
  ReadAttachList(list, attachmentListPath);
  int fallbackCounter = 0;
  std::optional<AttachFailure> firstFailure;
  std::size_t index = 0;
  for (const CAttachEntry& entry : list) {
    std::optional<AttachFailure> failure = AttachEntry(document, list, index++, entry, fallbackCounter);
    if (failure && !firstFailure) firstFailure = std::move(failure);
  }
  if (!firstFailure) return TRUE;
  SetErrorText(firstFailure->text, firstFailure->status);
  return FALSE;
}

// One entry; what kept it out of the document, if anything. Its file is
// removed only once the document holds it.
std::optional<AttachFailure> CNotesEngine::AttachEntry(LNDocument& document, const CList<CAttachEntry>& list,
                                                       std::size_t index, const CAttachEntry& entry,
                                                       int& fallbackCounter) {
  const CString folder = entry.GetFolder();
  const CString storedName = entry.GetStoredName();
  CString displayName = entry.GetDisplayName();
  if (displayName.empty()) {
    displayName = FallbackName(fallbackCounter);
  } else if (CString numbered; NumberDuplicateName(numbered, index, displayName, list)) {
    displayName = numbered;
  }
  displayName = SanitizeFileName(displayName);
  const CString quoted = u"\"" + displayName + u"\"";
  if (!IsPlainFileName(storedName) || !IsUsableFolder(folder))
    return AttachFailure{u"The attachment list names no usable file for the attachment " + quoted};

  const CString source = folder + storedName;
  // The exporter lists attachments it had nothing to save for (no data, a
  // reference, an embedded message that does not open): nothing to attach.
  if (TypeAt(source) == std::filesystem::file_type::not_found) return std::nullopt;
  if (!IsRegularFile(source))
    return AttachFailure{u"The file " + source + u" of the attachment " + quoted + u" is missing or no regular file"};
  CString target = folder + displayName;
  if (!MoveFileW(source.c_str(), target.c_str())) {
    target = folder + FallbackName(fallbackCounter);
    if (!MoveFileW(source.c_str(), target.c_str())) target = source;
  }
  const auto putBack = [&] {
    if (target != source) MoveFileW(target.c_str(), source.c_str());
  };
  LNSTATUS status;
  try {
    status = document.CreateAttachment(ToLNStringQuiet(target), ToLNStringQuiet(displayName), 1);
    if (status == LNNOERROR) status = document.Save(0);
  } catch (LNSTATUS) {
    putBack();
    throw;
  }
  if (status != LNNOERROR) {
    putBack();
    return AttachFailure{u"Unable to attach " + quoted + u": " + NotesMessage(status), status};
  }
  if (IsRegularFile(target)) DeleteFileW(target.c_str());
  return std::nullopt;
}
