// Contacts through the real engine: each label of the contact table to its
// items, repeated and unknown labels, the entries taken apart, the dates,
// and the "Comment" made of the contact's body and the unknown entries.
#include "builder_engine.h"

namespace {

using namespace fennick_test;

class FennickPerson : public FennickBuilder {
 protected:
  // A contact text: the header, the two lines the reader keeps apart, then
  // the entries (`entries` given whole).
  void WriteContact(const std::u16string& entries) {
    WriteItemText(HeaderText(u"CONTACT", {}) + Entry(u"Address Book Name", u"Box\\Contacts") +
                  Entry(u"Group Name", u"Box\\Contacts") + entries);
  }
};

// Every label of the table, in table order, and the items it writes.
TEST_F(FennickPerson, EachLabelToItsItems) {
  struct Row {
    std::u16string label;
    std::u16string value;
    std::vector<Item> items;
  };
  const auto text = [](std::initializer_list<std::string> names, const std::string& value) {
    std::vector<Item> items;
    for (const std::string& name : names) items.push_back(Text(name, {value}));
    return items;
  };
  const std::vector<Row> rows = {
      {u"Name", u"Cat Jones", text({"FullName"}, "Cat Jones")},
      {u"Namn", u"Kat", text({"FullName"}, "Kat")},
      {u"Group Name", u"Friends", text({"Groups"}, "Friends")},
      {u"dspEmail1", u"cat@example.com", text({"dspEmail1", "MailAddress"}, "cat@example.com")},
      {u"dspEmail2", u"c2", text({"dspEmail2", "miscPhone1"}, "c2")},
      {u"dspEmail3", u"c3", text({"dspEmail5", "email_5"}, "c3")},
      {u"CreateDate", u"3/4/2024 9:05 AM", {}},
      {u"LastModificationDate", u"3/4/2024 9:05 AM", {}},
      {u"First Name", u"Cat", text({"FirstName"}, "Cat")},
      {u"F\u00f6rnamn", u"Katt", text({"FirstName"}, "Katt")},
      {u"Office Phone Number", u"100", text({"OfficePhoneNumber"}, "100")},
      {u"Home Phone Number", u"101", text({"PhoneNumber"}, "101")},
      {u"Last Name", u"Jones", text({"LastName"}, "Jones")},
      {u"Efternamn", u"Jonsson", text({"LastName"}, "Jonsson")},
      {u"Organization", u"Acme", text({"CompanyName"}, "Acme")},
      {u"Title", u"Dr", text({"Title"}, "Dr")},
      {u"Department", u"Labs", text({"Department"}, "Labs")},
      {u"Phone Number", u"102", text({"PhoneNumber"}, "102")},
      {u"Cellular Phone Number", u"103", text({"CellPhoneNumber"}, "103")},
      {u"Mobile Phone", u"104", text({"CellPhoneNumber"}, "104")},
      {u"Pager Number", u"105", text({"PhoneNumber_6"}, "105")},
      {u"Fax Number", u"106", text({"OfficeFAXPhoneNumber", "dspDefaultPhone2", "phone_2"}, "106")},
      {u"Home Fax Number", u"107", text({"HomeFaxPhoneNumber", "dspDefaultPhone6", "phone_4"}, "107")},
      {u"dspDefaultPhone8", u"108", text({"dspDefaultPhone8", "PhoneNumber_8", "phone_8"}, "108")},
      {u"dspDefaultPhone9", u"109", text({"dspDefaultPhone9", "PhoneNumber_9", "phone_9"}, "109")},
      {u"dspDefaultPhone10", u"110", text({"dspDefaultPhone10", "PhoneNumber_10", "phone_10"}, "110")},
      {u"Country", u"Sweden", text({"Country"}, "Sweden")},
      {u"City", u"Lund", text({"City"}, "Lund")},
      {u"State", u"Skane", text({"State"}, "Skane")},
      {u"StreetAddress", u"1 Main St", text({"StreetAddress"}, "1 Main St")},
      {u"ZIP Code", u"22100", text({"Zip"}, "22100")},
      {u"Birthday", u"3/15/1980 12:00 AM", {Time("Birthday", "1980-03-15T00:00:00")}},
      {u"Middle Name", u"Q", text({"MiddleInitial"}, "Q")},
      {u"WebSite", u"example.com", text({"WebSite"}, "example.com")},
      {u"Spouse", u"Dan", text({"Spouse"}, "Dan")},
      {u"Children", u"Eve", text({"Children"}, "Eve")},
      {u"Home City", u"Malmo", text({"City"}, "Malmo")},
      {u"Home Country", u"Norway", text({"Country"}, "Norway")},
      {u"Home ZIP", u"0150", text({"Zip"}, "0150")},
      {u"Home State", u"Oslo", text({"State"}, "Oslo")},
      {u"Home Address", u"2 Side St", text({"StreetAddress"}, "2 Side St")},
      {u"Suffix", u"Jr", text({"Suffix"}, "Jr")},
      {u"Prefix", u"Ms", text({"Prefix"}, "Ms")},
      {u"Anniversary", u"6/1/2001 2:30 PM", {Time("Anniversary", "2001-06-01T14:30:00")}},
      {u"Assistant", u"Fay", text({"Assistant"}, "Fay")},
      {u"Manager", u"Gus", text({"Manager"}, "Gus")},
      {u"JobTitle", u"Chemist", text({"JobTitle"}, "Chemist")},
      {u"dspEmail5", u"c5", text({"dspEmail5", "email_5"}, "c5")},
      {u"OfficeCity", u"Lund", text({"OfficeCity"}, "Lund")},
      {u"OfficeCountry", u"SE", text({"OfficeCountry"}, "SE")},
      {u"OfficeState", u"S", text({"OfficeState"}, "S")},
      {u"OfficeStreetAddress", u"3 Work Rd", text({"OfficeStreetAddress"}, "3 Work Rd")},
      {u"OfficeZip", u"22200", text({"OfficeZip"}, "22200")},
      {u"OtherCity", u"Ystad", text({"OtherCity"}, "Ystad")},
      {u"OtherCountry", u"DK", text({"OtherCountry"}, "DK")},
      {u"OtherState", u"H", text({"OtherState"}, "H")},
      {u"OtherStreetAddress", u"4 Far Rd", text({"OtherStreetAddress"}, "4 Far Rd")},
      {u"OtherZip", u"27100", text({"OtherZip"}, "27100")},
      {u"Categories", u"2: Red; Blue", text({"Categories"}, " Red, Blue")},
      {u"ShortName", u"CJ", text({"ShortName"}, "CJ")},
  };
  std::u16string entries;
  std::vector<Item> expected;
  for (const Row& row : rows) {
    entries += Entry(row.label, row.value);
    expected.insert(expected.end(), row.items.begin(), row.items.end());
  }
  WriteContact(entries);
  expected.push_back(Text("Form", {"Person"}));
  expected.push_back(Text("Comment", {""}));
  expected.push_back(Text("ExcludeFromView", {"S", "D"}));
  EXPECT_EQ(Items(Inserted()), expected);
}

// Entries as the reader leaves them: repeated labels write their items
// again; unknown labels (any case but the table's) and entries without
// " : " become lines of the comment; the value keeps every later " : ".
TEST_F(FennickPerson, RepeatedUnknownAndMalformedEntries) {
  WriteContact(Entry(u"Mobile Phone", u"1") + Entry(u"Cellular Phone Number", u"2") + Entry(u"mobile phone", u"3") +
               u"<ITEM>no separator</ITEM>\r\n" + Entry(u"Title", u"a : b") + Entry(u"Birthday", u"no date") +
               Entry(u"Anniversary", u"") + Entry(u"Categories", u"") + Entry(u"Pet", u"Rex\r\nthe dog"));
  EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                   Text("CellPhoneNumber", {"1"}),
                                   Text("CellPhoneNumber", {"2"}),
                                   Text("Title", {"a : b"}),
                                   Text("Categories", {""}),
                                   Text("Form", {"Person"}),
                                   Text("Comment", {"\r\nmobile phone:3\r\n:\r\nPet:Rex\rthe dog"}),
                                   Text("ExcludeFromView", {"S", "D"}),
                               }));

  // An entry without its end runs on into the next one; the last entry is
  // then not visited.
  WriteContact(u"<ITEM>Title : Dr\r\n" + Entry(u"Suffix", u"Jr") + Entry(u"Prefix", u"Ms"));
  EXPECT_EQ(Names(Items(Inserted())),
            (std::vector<std::string>{"Title", "Suffix", "Form", "Comment", "ExcludeFromView"}));
  EXPECT_EQ(ItemsNamed(LastDocument(), "Title"), std::vector<Item>{Text("Title", {"Dr\rSuffix : Jr"})});

  // No entries at all.
  WriteContact(u"");
  EXPECT_EQ(Items(Inserted()),
            (std::vector<Item>{Text("Form", {"Person"}), Text("Comment", {""}), Text("ExcludeFromView", {"S", "D"})}));
}

// With a "Comment" entry: the MIME body, else the entry, each with the
// unknown entries after a line break; without one, those lines alone.
TEST_F(FennickPerson, CommentFromTheBodyAndTheUnknownEntries) {
  const std::string html =
      "Subject: s\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"b\"\r\n\r\n"
      "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nplain\r\n"
      "--b\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<p>html</p>\r\n--b--\r\n";
  const std::string htmlOnly =
      "Subject: s\r\nMIME-Version: 1.0\r\nContent-Type: text/html; charset=us-ascii\r\n\r\n<p>html</p>\r\n";
  const std::u16string comment = Entry(u"Comment", u"first") + Entry(u"Comment", u"note");
  const std::u16string unknown = Entry(u"Pet", u"Rex");
  struct Case {
    const char* what;
    std::u16string entries;
    std::optional<std::string> eml;
    std::uint8_t plainBody;
    Item written;
  };
  const Case cases[] = {
      {"plain flag: the text body", comment + unknown, html, 1, Text("Comment", {"plain\r\n\r\nPet:Rex"})},
      {"plain flag, no text body: the HTML source", comment + unknown, htmlOnly, 1,
       Text("Comment", {"<p>html</p>\r\n\r\n\r\nPet:Rex"})},
      {"plain flag, no MIME file: the last entry", comment + unknown, std::nullopt, 1,
       Text("Comment", {"note\r\n\r\nPet:Rex"})},
      {"the HTML body", comment + unknown, html, 0, {"Comment", "21", {"<p>html</p>\r\n\r\nPet:Rex"}}},
      {"no HTML: the text body", comment, "Subject: s\r\n\r\nplain\r\n", 0, Text("Comment", {"plain\r\n\r\n"})},
      {"nothing in the MIME file: the entry", comment, std::nullopt, 0, Text("Comment", {"note\r\n"})},
      {"no Comment entry: the unknown lines alone", unknown, html, 0, Text("Comment", {"\r\nPet:Rex"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteContact(c.entries);
    if (c.eml)
      WriteEml(*c.eml);
    else
      fs::remove(EmlPath());
    EXPECT_EQ(ItemsNamed(Inserted(c.plainBody), "Comment"), std::vector<Item>{c.written});
  }
}

}  // namespace
