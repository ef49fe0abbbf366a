// One exported item's text file read back: the type line, the seven header
// lines, the type's own lines and the body. The document builders read the
// record, never the file.
#pragma once

#include <cstdint>

#include "mfc/oledatetime.h"
#include "mfc/strings.h"

// Item types of the record (from the file's first line).
constexpr std::int32_t kItemMail = 0;
constexpr std::int32_t kItemCalendar = 1;
constexpr std::int32_t kItemTask = 2;
constexpr std::int32_t kItemContact = 3;
constexpr std::int32_t kItemJournal = 5;
constexpr std::int32_t kItemDistList = 6;
constexpr std::int32_t kItemUnknown = -1;

struct ItemTextRecord {
  std::int32_t type = kItemUnknown;
  COleDateTime created;   // "Creation Date : "
  std::uint8_t read = 0;  // 1 unless the "Read Status : " line holds "UNREAD"
  CString from;
  CString to;
  CString cc;
  CString bcc;
  CString subject;
  CString body;             // to the end of the file; its line breaks are single CRs
  CString location;         // calendar
  COleDateTime start;       // calendar, task
  COleDateTime end;         // calendar
  COleDateTime due;         // task
  CString contact1;         // contact: the value of the first line after the header
  CString contact2;         // contact: the value of the second
  CString category;         // calendar, task, journal
  CString status;           // task
  CString priority;         // task
  CString orgConfidential;  // task
  CString importance;       // mail
};

// Fills `record` from the file at `path` (UTF-16LE, no byte-order mark). A
// file that cannot be opened or ends early is no failure: what it does not
// hold stays empty (type -1, creation date invalid, read 1 when nothing was
// read at all).
void ReadItemTextFile(const CString& path, ItemTextRecord& record);

// The pieces of the reader.
std::int32_t ItemTypeFromText(const CString& line);
// The text without "Creation Date : ", read by the user's locale; 0 and
// invalid when it reads as no date.
COleDateTime ParseItemDate(const CString& text);
std::uint8_t ParseReadStatus(const CString& text);
// Every occurrence of the label removed, in one pass from the left.
CString StripLabel(const CString& text, const CString& label);
// Key and value around the first " : "; both empty without one.
void SplitKeyValue(const CString& text, CString& key, CString& value);
CString StripLineBreaks(const CString& text);
