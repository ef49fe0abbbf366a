// Mail memos through the real engine: the items of a memo in order with
// the item text's and the MIME file's values in their precedence, the
// importance, the posted date, the body rule, and the memo made from the
// MIME file alone for every type without a builder of its own.
#include "insert_engine.h"

namespace {

using namespace fennick_test;

const std::string kReceived = "Received: from mx.example.com by mail.example.com; Tue, 01 Mar 2005 10:20:30 +0000\r\n";
const std::string kHeaders =
    "From: \"Ann Mime\" <ann@example.com>\r\n"
    "To: \"Bob Mime\" <bob@example.com>\r\n"
    "Subject: Mime subject\r\n"
    "Date: Tue, 01 Mar 2005 10:00:00 +0000\r\n";

std::string Part(const std::string& type, const std::string& content) {
  return "--b1\r\nContent-Type: " + type + "\r\n\r\n" + content + "\r\n";
}
// A message with these parts (text/plain and text/html).
std::string Mime(const std::string& parts, const std::string& headers = kReceived + kHeaders) {
  return headers + "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"b1\"\r\n\r\n" + parts +
         "--b1--\r\n";
}
const std::string kText = Part("text/plain; charset=us-ascii", "Mime text");
const std::string kHtml = Part("text/html; charset=us-ascii", "<p>Mime html</p>");

const std::vector<std::string> kMimeMemoItems = {
    "Form",         "Subject",           "From",   "INetFrom",    "AltFrom",         "SendTo",
    "BliendCopyTo", "EnterBliendCopyTo", "CopyTo", "EnterCopyTo", "ExcludeFromView", "PostedDate",
    "Body"};

std::vector<std::string> Names(const std::vector<Item>& items) {
  std::vector<std::string> names;
  for (const Item& item : items) names.push_back(item.name);
  return names;
}

class FennickMemo : public FennickInsert {
 protected:
  // Inserts the item and answers its document, which must be in the folder.
  nlohmann::json Inserted(std::uint8_t plainBody = 0) {
    EXPECT_EQ(Insert(plainBody), 1);
    EXPECT_TRUE(TakeReplies().empty());
    const nlohmann::json dump = Database();
    const nlohmann::json document = dump["documents"].back();
    EXPECT_EQ(dump["folders"].back()["documents"].back(), document["id"]);
    return document;
  }
};

TEST_F(FennickMemo, MailItemTakesEachValueFromItsFirstSource) {
  WriteMail({});
  WriteEml(Mime(kText + kHtml));
  const std::string ann = "\"Ann Mime\" <ann@example.com>";
  EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                   Text("Form", {"Memo"}),
                                   Text("Type", {"Memo"}),
                                   Text("Subject", {"Item subject"}),
                                   Text("From", {ann}),
                                   Text("Principal", {ann}),
                                   Text("INetFrom", {ann}),
                                   Text("AltFrom", {ann}),
                                   Text("SendTo", {"\"Bob Mime\" <bob@example.com>"}),
                                   Text("BliendCopyTo", {"Di Item"}),
                                   Text("EnterBliendCopyTo", {"Di Item"}),
                                   Text("CopyTo", {"Cy Item"}),
                                   Text("EnterCopyTo", {"Cy Item"}),
                                   Text("ExcludeFromView", {"S", "D"}),
                                   Text("Importance", {""}),
                                   Time("PostedDate", "2024-03-04T09:05:00"),
                                   Html("<p>Mime html</p>"),
                               }));

  // The MIME subject only when the item text has none; the MIME copies first.
  MailText noSubject;
  noSubject.subject = u"";
  WriteMail(noSubject);
  WriteEml(Mime(kText, kHeaders + "Cc: cy@example.com\r\nBcc: di@example.com\r\n"));
  nlohmann::json document = Inserted();
  EXPECT_EQ(ItemsNamed(document, "Subject"), std::vector<Item>{Text("Subject", {"Mime subject"})});
  EXPECT_EQ(ItemsNamed(document, "EnterCopyTo"), std::vector<Item>{Text("EnterCopyTo", {"cy@example.com"})});
  EXPECT_EQ(ItemsNamed(document, "BliendCopyTo"), std::vector<Item>{Text("BliendCopyTo", {"di@example.com"})});

  // Without a MIME file every value is the item text's, the body an HTML one.
  fs::remove(EmlPath());
  WriteMail({});
  document = Inserted();
  EXPECT_EQ(ItemsNamed(document, "AltFrom"), std::vector<Item>{Text("AltFrom", {"Ann Item"})});
  EXPECT_EQ(ItemsNamed(document, "SendTo"), std::vector<Item>{Text("SendTo", {"Bob Item"})});
  EXPECT_EQ(ItemsNamed(document, "Body"), std::vector<Item>{Html("Item body\rsecond line")});
}

TEST_F(FennickMemo, ImportanceIsMappedToNotes) {
  const std::pair<std::u16string, std::string> cases[] = {{u"0", "3"}, {u"2", "1"}, {u"1", ""}, {u"", ""}, {u"7", ""}};
  for (const auto& [importance, notes] : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(importance));
    MailText mail;
    mail.importance = importance;
    WriteMail(mail);
    EXPECT_EQ(ItemsNamed(Inserted(), "Importance"), std::vector<Item>{Text("Importance", {notes})});
  }
}

// The creation date when the item text has a valid one, else the MIME
// received time; written only for the years 1901 to 3999, with no second try.
TEST_F(FennickMemo, PostedDateOnlyForYearsInRange) {
  const std::string noDate = kHeaders.substr(0, kHeaders.find("Date:"));
  struct Case {
    const char16_t* created;
    std::string headers;
    std::optional<std::string> posted;
  };
  const Case cases[] = {
      {u"3/4/2024 9:05 AM", kReceived + kHeaders, "2024-03-04T09:05:00"},
      {u"no date", kReceived + kHeaders, "2005-03-01T10:20:30"},  // the topmost Received
      {u"no date", noDate + "Date: Tue, 01 Mar 2005 10:00:00 +0100\r\n", "2005-03-01T09:00:00"},
      {u"1/1/1901 12:00 AM", kReceived + kHeaders, "1901-01-01T00:00:00"},
      {u"12/31/3999 11:59 PM", kReceived + kHeaders, "3999-12-31T23:59:00"},
      {u"12/31/1899 10:00 AM", kReceived + kHeaders, std::nullopt},
      {u"12/31/1900 10:00 AM", kReceived + kHeaders, std::nullopt},
      {u"1/1/4000 10:00 AM", kReceived + kHeaders, std::nullopt},
      {u"no date", noDate, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(c.created) + " / " + c.headers);
    MailText mail;
    mail.created = c.created;
    WriteMail(mail);
    WriteEml(Mime(kText, c.headers));
    const nlohmann::json document = Inserted();
    EXPECT_EQ(ItemsNamed(document, "PostedDate"),
              c.posted ? std::vector<Item>{Time("PostedDate", *c.posted)} : std::vector<Item>{});
    // A message without a date still gives its other values.
    EXPECT_EQ(ItemsNamed(document, "From"), std::vector<Item>{Text("From", {"\"Ann Mime\" <ann@example.com>"})});
  }
}

TEST_F(FennickMemo, BodyByTheBodyRule) {
  const std::string arabic =
      Part("text/html; charset=windows-1256",
           "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Windows-1256\"><p>salam</p>");
  const std::string utf8Html = "<meta content=\"text/html; charset=utf-8\"><p>no windows-1256</p>";
  const std::string both = Part("text/html; charset=utf-8", utf8Html);
  struct Case {
    const char* what;
    std::uint8_t plainBody;
    std::string parts;
    std::u16string itemBody;
    Item body;
  };
  const Case cases[] = {
      {"plain flag: the text body", 1, kText + kHtml, u"Item body", Text("Body", {"Mime text"})},
      {"any bit of the flag's byte", 0x80, kText + kHtml, u"Item body", Text("Body", {"Mime text"})},
      {"plain flag, no text body: the HTML source as text", 1, kHtml, u"", Text("Body", {"<p>Mime html</p>"})},
      {"plain flag, no MIME text: the item text's", 1, kHtml, u"Item body", Text("Body", {"Item body"})},
      {"the HTML body", 0, kText + kHtml, u"Item body", Html("<p>Mime html</p>")},
      {"no MIME HTML: the item text's body as HTML", 0, kText, u"Item body", Html("Item body")},
      {"no HTML at all: the text body", 0, kText, u"", Text("Body", {"Mime text"})},
      {"a WINDOWS-1256 body is refused", 0, kText + arabic, u"Item body", Text("Body", {"Mime text"})},
      {"unless it says UTF-8", 0, kText + both, u"", Html(utf8Html)},
      {"nothing at all: an empty text", 0, "", u"", Text("Body", {""})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MailText mail;
    mail.body = c.itemBody;
    WriteMail(mail);
    WriteEml(c.parts.empty() ? kReceived + kHeaders + "\r\n" : Mime(c.parts));
    EXPECT_EQ(ItemsNamed(Inserted(c.plainBody), "Body"), std::vector<Item>{c.body});
  }
}

// HTML goes in items of at most 20,000 UTF-16 units, in order.
TEST_F(FennickMemo, LongHtmlBodyInChunks) {
  std::u16string html;
  for (int i = 0; html.size() < 45000; ++i) html += u"<p>" + win32::Utf8ToUtf16(std::to_string(i)) + u" \u20AC</p>";
  html.resize(45000);
  for (std::size_t length : {std::size_t{45000}, std::size_t{20000}, std::size_t{20001}}) {
    SCOPED_TRACE(length);
    MailText mail;
    mail.body = html.substr(0, length);
    WriteMail(mail);
    fs::remove(EmlPath());
    const nlohmann::json document = Inserted();
    std::vector<std::size_t> sizes;
    std::string joined;
    for (const auto& item : document["items"]) {
      if (item["name"] != "Body") continue;
      EXPECT_EQ(item["type"], 21);
      sizes.push_back(item["bytes"]);
      joined += item["text"];
    }
    std::vector<std::size_t> expected;
    for (std::size_t left = length; left > 0; left -= std::min<std::size_t>(left, 20000))
      expected.push_back(2 * std::min<std::size_t>(left, 20000));
    EXPECT_EQ(sizes, expected);
    EXPECT_EQ(joined, win32::Utf16ToUtf8(mail.body));
  }
}

TEST_F(FennickMemo, MemoFromTheMimeFileAlone) {
  fs::remove(ItemTextPath());
  WriteEml(Mime(kText + kHtml));
  const std::string ann = "\"Ann Mime\" <ann@example.com>";
  EXPECT_EQ(Items(Inserted()), (std::vector<Item>{
                                   Text("Form", {"Memo"}),
                                   Text("Subject", {"Mime subject"}),
                                   Text("From", {ann}),
                                   Text("INetFrom", {ann}),
                                   Text("AltFrom", {ann}),
                                   Text("SendTo", {"\"Bob Mime\" <bob@example.com>"}),
                                   Text("BliendCopyTo", {""}),
                                   Text("EnterBliendCopyTo", {""}),
                                   Text("CopyTo", {""}),
                                   Text("EnterCopyTo", {""}),
                                   Text("ExcludeFromView", {"S", "D"}),
                                   Time("PostedDate", "2005-03-01T10:20:30"),
                                   Html("<p>Mime html</p>"),
                               }));

  // Nothing to read at all: empty texts, no date, an empty text body.
  fs::remove(EmlPath());
  std::vector<Item> expected;
  for (const char* name : {"Subject", "From", "INetFrom", "AltFrom", "SendTo", "BliendCopyTo", "EnterBliendCopyTo",
                           "CopyTo", "EnterCopyTo"})
    expected.push_back(Text(name, {""}));
  expected.insert(expected.begin(), Text("Form", {"Memo"}));
  expected.push_back(Text("ExcludeFromView", {"S", "D"}));
  expected.push_back(Text("Body", {""}));
  EXPECT_EQ(Items(Inserted()), expected);
}

// An item text of no known type is a memo made from the MIME file alone.
TEST_F(FennickMemo, OtherTypesBecomeMemosFromTheMimeFile) {
  WriteEml(Mime(kText + kHtml));
  for (const char16_t* typeLine : {u"ITEM TYPE - CALENDAR", u"item type - email", u"ITEM TYPE - NOTE"}) {
    SCOPED_TRACE(win32::Utf16ToUtf8(typeLine));
    MailText mail;
    mail.typeLine = typeLine;
    WriteMail(mail);
    const nlohmann::json document = Inserted();
    EXPECT_EQ(Names(Items(document)), kMimeMemoItems);
    EXPECT_EQ(ItemsNamed(document, "Subject"), std::vector<Item>{Text("Subject", {"Mime subject"})});
  }
}

}  // namespace
