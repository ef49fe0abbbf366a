// The item text files: one UTF-16LE text per exported item (no byte-order
// mark, CR LF line ends) with a type line, the seven header lines, the
// type's own lines and the body, which the Notes import engine reads back
// line by line. The writers compose the text; SaveItemText writes it.
#pragma once

#include <cstdint>
#include <string>

#include "ContactRecord.h"
#include "ItemValues.h"

// File names by item type.
inline constexpr char16_t kMailTextFile[] = u"Mail.txt";
inline constexpr char16_t kCalendarTextFile[] = u"Calendar.txt";
inline constexpr char16_t kContactTextFile[] = u"Contact.txt";
inline constexpr char16_t kStickyNoteTextFile[] = u"Notes.txt";
inline constexpr char16_t kTaskTextFile[] = u"Task.txt";
inline constexpr char16_t kJournalTextFile[] = u"Journal.txt";
inline constexpr char16_t kDistListTextFile[] = u"ContactDist.txt";

// Lines 2 to 8 of every type: creation date, read status, from, to, cc,
// bcc and subject, each "Label : value" and CR LF.
std::u16string ItemHeader(const std::u16string& creation, const std::u16string& readStatus, const std::u16string& from,
                          const std::u16string& to, const std::u16string& cc, const std::u16string& bcc,
                          const std::u16string& subject);
// "<ITEM>" label " : " value "</ITEM>" CR LF.
std::u16string ItemTagLine(const std::u16string& label, const std::u16string& value);
// The label as given (with its " : "), the value with CR and LF as blanks,
// and CR LF.
std::u16string LabelledLine(const char16_t* label, const std::u16string& value);

// The writers. Values of the lines the reader takes by position (the
// header, the type's own lines, a contact's two folder lines) have CR and
// LF written as blanks, so that every later line stays where the reader
// looks for it; bodies and the tag lines of contacts and lists keep their
// line breaks, as the reader takes the body and the entries to the end of
// the file.
std::u16string WriteEmailItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                              std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                              std::u16string body, std::u16string importance);
std::u16string WriteCalendarItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                 std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                 std::u16string startDate, std::u16string endDate, std::u16string location,
                                 std::u16string body, std::u16string category);
// startDate and dueDate come cut (CutTaskDate).
std::u16string WriteTaskItem(std::u16string creation, std::u16string readStatus, std::u16string from, std::u16string to,
                             std::u16string cc, std::u16string bcc, std::u16string subject, std::u16string startDate,
                             std::u16string dueDate, std::u16string body, std::u16string category,
                             std::u16string status, std::u16string priority, std::u16string orgConfidential);
std::u16string WriteJournalItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                std::u16string body, std::u16string category);
std::u16string WriteContactItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                std::u16string addressBookName, std::u16string groupName, std::u16string name,
                                std::u16string firstName, std::u16string lastName, std::u16string middleName,
                                ContactRecord contact);
std::u16string WriteDistListItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                 std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                 std::u16string comment, std::u16string name, std::u16string category);

// The file name and text of one item of the first export mode: the writer
// of its type, given the values as the export prepares them (the sender's
// address for an empty from; for a contact the folder path with every
// "<TagName>" as "\", the body as its comment and the named values in its
// record). A type without a writer of its own is mail.
struct ItemTextFile {
  std::u16string fileName;
  std::u16string text;
};
ItemTextFile ComposeItemText(const ItemValues& values, const std::u16string& folderPath);

// Creates the file (replacing an older one) and writes the text in one go;
// false when the file cannot be created or written (a file written in part
// is removed).
bool SaveItemText(const std::u16string& path, const std::u16string& text);
