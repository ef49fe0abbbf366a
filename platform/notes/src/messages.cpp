// The message table: one text per status the library raises.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "notes/lnerror.h"

namespace {

struct Message {
  LNSTATUS status;
  const char* text;
};

constexpr Message kMessages[] = {
    {LNNOERROR, "No error"},
    {LNERR_BAD_DATABASE_NAME, "The file name is not allowed for a database"},
    {LNERR_NOTES_NOT_INSTALLED, "The Notes data directory does not exist"},
    {LNERR_SERVER_NOT_REACHABLE, "The server cannot be reached over the network"},
    {LNERR_NOT_INITIALIZED, "The Notes session has not been initialized"},
    {LNERR_NULL_ARGUMENT, "A required argument is missing"},
    {LNERR_BAD_ARGUMENT, "An argument is out of range"},
    {LNERR_OBJECT_NOT_BOUND, "The object does not refer to a database, folder or document"},
    {LNERR_OBJECT_NOT_OPEN, "The database, folder or document is not open"},
    {LNERR_FILE_NOT_FOUND, "File does not exist"},
    {LNERR_FILE_EXISTS, "A file of that name already exists"},
    {LNERR_DIRECTORY_NOT_FOUND, "Directory does not exist"},
    {LNERR_NOT_A_DATABASE, "The file is not a Notes database"},
    {LNERR_DATABASE_DAMAGED, "The database is damaged"},
    {LNERR_DATABASE_IO, "The database file cannot be read or written"},
    {LNERR_DATABASE_VERSION, "The database was written by a newer version of the library"},
    {LNERR_BAD_DATABASE_TYPE, "The database type is not valid"},
    {LNERR_FOLDER_EXISTS, "A folder or view of that name already exists"},
    {LNERR_BAD_FOLDER_NAME, "The folder name has an empty level"},
    {LNERR_FOLDER_NOT_FOUND, "Folder or view not found"},
    {LNERR_NOT_A_FOLDER, "Documents can be added to folders only, not to views"},
    {LNERR_NOTE_NOT_SAVED, "The document has not been saved"},
    {LNERR_NOTE_DELETED, "The document does not exist"},
    {LNERR_WRONG_DATABASE, "The document belongs to another database"},
    {LNERR_BAD_ITEM_NAME, "The item name is empty or longer than 255 bytes"},
    {LNERR_BAD_DATETIME, "A date value has no date"},
    {LNERR_BAD_DATE, "Invalid date"},
    {LNERR_BAD_TIME, "Invalid time"},
    {LNERR_BAD_CHARSET, "The character set is not supported"},
    {LNERR_ATTACH_FILE_UNREADABLE, "The file to attach does not exist or cannot be read"},
    {LNERR_BAD_ATTACHMENT_NAME, "The attachment name is empty"},
    {LNERR_ID_FILE, "Could not open the ID file"},
};

}  // namespace

LNINT LNGetErrorMessageText(LNSTATUS status, char* buffer, LNINT bufferSize, LNINT* fullLength) {
  char unknown[64];
  const char* text = nullptr;
  for (const Message& m : kMessages)
    if (m.status == status) text = m.text;
  if (!text) {
    std::snprintf(unknown, sizeof unknown, "Unknown status %u (0x%04X)", status, status);
    text = unknown;
  }
  const LNINT length = static_cast<LNINT>(std::strlen(text));
  if (fullLength) *fullLength = length;
  if (!buffer || bufferSize <= 0) return 0;
  const LNINT written = std::min(length, bufferSize - 1);
  std::memcpy(buffer, text, static_cast<std::size_t>(written));
  buffer[written] = '\0';
  return written;
}
