#include "ItemText.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "ListFile.h"
#include "win32/file.h"
#include "win32/files.h"

namespace {

constexpr char16_t kCrLf[] = u"\r\n";

// A value that the reader takes by its line: CR and LF become blanks.
std::u16string SingleLine(std::u16string value) {
  std::replace_if(
      value.begin(), value.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
  return value;
}

std::u16string TypeLine(const char16_t* key) { return std::u16string(u"ITEM TYPE - ") + key + kCrLf; }

// "Label : value" CR LF; the label is given with its " : ".
std::u16string Labelled(const char16_t* label, const std::u16string& value) {
  return label + SingleLine(value) + kCrLf;
}

// A run of tag lines, values as they come: the reader takes entries apart
// by their markers, so a value may span lines.
std::u16string TagLines(std::initializer_list<std::pair<const char16_t*, std::u16string>> lines) {
  std::u16string text;
  for (const auto& [label, value] : lines) text += ItemTagLine(label, value);
  return text;
}

// The two folder lines of a contact, which the reader takes by position.
std::u16string FolderTagLines(const std::u16string& addressBookName, const std::u16string& groupName) {
  return ItemTagLine(u"Address Book Name", SingleLine(addressBookName)) +
         ItemTagLine(u"Group Name", SingleLine(groupName));
}

std::u16string Replaced(std::u16string text, std::u16string_view what, std::u16string_view with) {
  for (std::size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
  return text;
}

}  // namespace

std::u16string ItemHeader(const std::u16string& creation, const std::u16string& readStatus, const std::u16string& from,
                          const std::u16string& to, const std::u16string& cc, const std::u16string& bcc,
                          const std::u16string& subject) {
  return Labelled(u"Creation Date : ", creation) + Labelled(u"Read Status : ", readStatus) +
         Labelled(u"From : ", from) + Labelled(u"To : ", to) + Labelled(u"CC : ", cc) + Labelled(u"Bcc : ", bcc) +
         Labelled(u"Subject : ", subject);
}

std::u16string ItemTagLine(const std::u16string& label, const std::u16string& value) {
  return u"<ITEM>" + label + u" : " + value + u"</ITEM>" + kCrLf;
}

std::u16string LabelledLine(const char16_t* label, const std::u16string& value) { return Labelled(label, value); }

std::u16string WriteEmailItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                              std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                              std::u16string body, std::u16string importance) {
  return TypeLine(u"EMAIL") + ItemHeader(creation, readStatus, from, to, cc, bcc, subject) +
         Labelled(u"Importance : ", importance) + u"Body : " + body;
}

std::u16string WriteCalendarItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                 std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                 std::u16string startDate, std::u16string endDate, std::u16string location,
                                 std::u16string body, std::u16string category) {
  return TypeLine(u"CALENDER") + ItemHeader(creation, readStatus, from, to, cc, bcc, subject) +
         Labelled(u"Start Date : ", startDate) + Labelled(u"End Date : ", endDate) +
         Labelled(u"Location : ", location) + Labelled(u"Category : ", category) + u"Body : " + body;
}

std::u16string WriteTaskItem(std::u16string creation, std::u16string readStatus, std::u16string from, std::u16string to,
                             std::u16string cc, std::u16string bcc, std::u16string subject, std::u16string startDate,
                             std::u16string dueDate, std::u16string body, std::u16string category,
                             std::u16string status, std::u16string priority, std::u16string orgConfidential) {
  return TypeLine(u"TASK") + ItemHeader(creation, readStatus, from, to, cc, bcc, subject) +
         Labelled(u"Start Date : ", startDate) + Labelled(u"Due Date : ", dueDate) +
         Labelled(u"Category : ", category) + Labelled(u"Status : ", status) + Labelled(u"Priority : ", priority) +
         Labelled(u"OrgConfidential : ", orgConfidential) + u"Body : " + body;
}

std::u16string WriteJournalItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                std::u16string body, std::u16string category) {
  return TypeLine(u"JOURNAL") + ItemHeader(creation, readStatus, from, to, cc, bcc, subject) +
         Labelled(u"Category : ", category) + u"Body : " + body + kCrLf;
}

std::u16string WriteContactItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                std::u16string addressBookName, std::u16string groupName, std::u16string name,
                                std::u16string firstName, std::u16string lastName, std::u16string middleName,
                                ContactRecord contact) {
  const ContactRecord& c = contact;
  return TypeLine(u"CONTACT") + ItemHeader(creation, readStatus, from, to, cc, bcc, subject) +
         FolderTagLines(addressBookName, groupName) +
         TagLines({
             {u"Name", name},
             {u"First Name", firstName},
             {u"Last Name", lastName},
             {u"Middle Name", middleName},
             {u"Title", c.GetTitle()},
             {u"JobTitle", c.GetJobTitle()},
             {u"Suffix", c.GetSuffix()},
             {u"Organization", c.GetOrganization()},
             {u"dspEmail1", c.GetEmail1Display()},
             {u"dspEmail2", c.GetEmail2Display()},
             {u"dspEmail5", c.GetEmail3Display()},
             {u"Office Phone Number", c.GetOfficePhone()},
             {u"Office Phone Number", c.GetOfficePhone2()},
             {u"Fax Number", c.GetFaxNumber()},
             {u"Home Fax Number", c.GetHomeFax()},
             {u"Mobile Phone", c.GetMobilePhone()},
             {u"Pager Number", c.GetPager()},
             {u"dspDefaultPhone8", c.GetAssistantPhone()},
             {u"dspDefaultPhone9", c.GetBusiness2Phone()},
             {u"dspDefaultPhone10", c.GetHome2Phone()},
             {u"Home Phone Number", c.GetHomePhone()},
             {u"Cellular Phone Number", c.GetCellularPhone()},
             {u"Department", c.GetDepartment()},
             {u"Manager", c.GetManager()},
             {u"Assistant", c.GetAssistant()},
             {u"Spouse", c.GetSpouse()},
             {u"Birthday", c.GetBirthday()},
             {u"Children", c.GetChildren()},
             {u"Anniversary", c.GetAnniversary()},
             {u"ShortName", c.GetNickname()},
             {u"Categories", c.GetCategories()},
             {u"OfficeCity", c.GetOfficeCity()},
             {u"OfficeCountry", c.GetOfficeCountry()},
             {u"OfficeState", c.GetOfficeState()},
             {u"OfficeStreetAddress", c.GetOfficeStreet()},
             {u"OfficeZip", c.GetOfficeZip()},
             {u"City", c.GetHomeCity()},
             {u"Country", c.GetHomeCountry()},
             {u"ZIP Code", c.GetHomeZip()},
             {u"State", c.GetHomeState()},
             {u"StreetAddress", c.GetHomeStreet()},
             {u"ZIP Code", c.GetHomeZip()},
             {u"WebSite", c.GetWebSite()},
             {u"Comment", c.GetComment()},
             {u"OtherCity", c.GetOtherCity()},
             {u"OtherCountry", c.GetOtherCountry()},
             {u"OtherZip", c.GetOtherZip()},
             {u"OtherState", c.GetOtherState()},
             {u"OtherStreetAddress", c.GetOtherStreet()},
         });
}

std::u16string WriteDistListItem(std::u16string creation, std::u16string readStatus, std::u16string from,
                                 std::u16string to, std::u16string cc, std::u16string bcc, std::u16string subject,
                                 std::u16string comment, std::u16string name, std::u16string category) {
  return TypeLine(u"CONTC_DIST_LIST") + ItemHeader(creation, readStatus, from, to, cc, bcc, subject) +
         TagLines({{u"Comment", comment}, {u"Name", name}, {u"Category", category}});
}

ItemTextFile ComposeItemText(const ItemValues& v, const std::u16string& folderPath) {
  const std::u16string& date = v.DateText();
  const std::u16string& from = v.from.empty() ? v.senderAddress : v.from;
  switch (v.itemType) {
    case 1:
      return {kCalendarTextFile,
              WriteCalendarItem(date, v.readStatus, from, v.to, v.cc, v.bcc, v.subject, v.appointmentStart,
                                v.appointmentEnd, v.appointmentLocation, v.body, v.categories)};
    case 2: {
      const std::u16string path = Replaced(folderPath, u"<TagName>", u"\\");
      ContactRecord contact = v.contact;
      contact.comment = v.body;
      contact.categories = v.categories;
      contact.email1Display = v.email1;
      contact.email2Display = v.email2;
      contact.email3Display = v.email3;
      contact.officeCountry = v.officeCountry;
      contact.officeCity = v.officeCity;
      contact.officeState = v.officeState;
      contact.officeStreet = v.officeStreet;
      contact.officeZip = v.officeZip;
      return {kContactTextFile, WriteContactItem(date, v.readStatus, from, v.to, v.cc, v.bcc, v.subject, path, path,
                                                 v.displayName, v.givenName, v.surname, v.middleName, contact)};
    }
    case 12:
      return {kDistListTextFile, WriteDistListItem(date, v.readStatus, from, v.to, v.cc, v.bcc, v.subject, v.body,
                                                   v.displayName, v.categories)};
    case 4:
      return {kTaskTextFile, WriteTaskItem(date, v.readStatus, from, v.to, v.cc, v.bcc, v.subject, v.taskStart,
                                           v.taskDue, v.body, v.categories, v.taskStatus, v.priority, v.taskPrivate)};
    case 5:
      return {kJournalTextFile,
              WriteJournalItem(date, v.readStatus, from, v.to, v.cc, v.bcc, v.subject, v.body, v.categories)};
    case 3:
      return {kStickyNoteTextFile,
              WriteEmailItem(date, v.readStatus, from, v.to, v.cc, v.bcc, v.subject, v.body, v.importance)};
    default:
      return {kMailTextFile,
              WriteEmailItem(date, v.readStatus, from, v.to, v.cc, v.bcc, v.subject, v.body, v.importance)};
  }
}

bool SaveItemText(const std::u16string& path, const std::u16string& text) {
  win32::File file;
  if (file.Open(path, win32::kFileWrite) != ERROR_SUCCESS) return false;
  const std::vector<unsigned char> bytes = Utf16LeBytes(text);
  if (file.Write(bytes.data(), bytes.size()) == ERROR_SUCCESS && file.Close() == ERROR_SUCCESS) return true;
  // A text cut short is no item text.
  file.Close();
  DeleteFileW(path.c_str());
  return false;
}
