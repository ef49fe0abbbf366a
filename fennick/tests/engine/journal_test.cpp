// Journal entries through the real engine: the items in order, the
// categories without their count and with commas, and both dates from the
// item text's creation date alone.
#include "builder_engine.h"

namespace {

using namespace fennick_test;

class FennickJournal : public FennickBuilder {
 protected:
  void WriteJournal(const Header& header, const std::u16string& category, const std::u16string& body) {
    WriteItemText(HeaderText(u"JOURNAL", header) + u"Category : " + category + u"\r\nBody : " + body + u"\r\n");
  }
};

TEST_F(FennickJournal, ItemsInOrderDatedByTheCreationDate) {
  WriteJournal({}, u"2: Calls; Work", u"Called Bob");
  WriteEml(kMimeMessage);
  EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                   Text("Form", {"JournalEntry"}),
                                   Text("Subject", {"Mime subject"}),
                                   Text("Categories", {" Calls, Work"}),
                                   Text("ExcludeFromView", {"S", "D"}),
                                   Time("TimeCreated", "2024-03-04T09:05:00"),
                                   Time("PostedDate", "2024-03-04T09:05:00"),
                                   Html("Called Bob\r"),
                               }));

  // Without a MIME file: the item text's subject; an empty category still
  // gives its item.
  fs::remove(EmlPath());
  WriteJournal({}, u"", u"Called Bob");
  const nlohmann::json document = Inserted();
  EXPECT_EQ(ItemsNamed(document, "Subject"), std::vector<Item>{Text("Subject", {"Item subject"})});
  EXPECT_EQ(ItemsNamed(document, "Categories"), std::vector<Item>{Text("Categories", {""})});
}

// The received time is never a stand-in for the creation date.
TEST_F(FennickJournal, NoDatesWithoutACreationDateInRange) {
  WriteEml(kMimeMessage);
  for (const char16_t* created : {u"no date", u"12/31/1900 10:00 AM", u"1/1/4000 10:00 AM", u""}) {
    SCOPED_TRACE(win32::Utf16ToUtf8(created));
    Header header;
    header.created = created;
    WriteJournal(header, u"1: a", u"b");
    EXPECT_EQ(Names(Items(Inserted())),
              (std::vector<std::string>{"Form", "Subject", "Categories", "ExcludeFromView", "Body"}));
  }
}

}  // namespace
