// The document builders of the other item types through the real engine:
// item texts laid out as the extraction engine writes them, and the
// documents read back in order.
#pragma once

#include "insert_engine.h"

namespace fennick_test {

// The seven header lines after the type line, as every type has them.
struct Header {
  std::u16string created = u"3/4/2024 9:05 AM";
  std::u16string from = u"Ann Item";
  std::u16string subject = u"Item subject";
};
inline std::u16string HeaderText(const std::u16string& typeKey, const Header& h) {
  return u"ITEM TYPE - " + typeKey + u"\r\nCreation Date : " + h.created + u"\r\nRead Status : 0\r\nFrom : " + h.from +
         u"\r\nTo : Bob Item\r\nCC : Cy Item\r\nBcc : Di Item\r\nSubject : " + h.subject + u"\r\n";
}

// A tagged entry of a contact or list text, with its line end.
inline std::u16string Entry(const std::u16string& label, const std::u16string& value) {
  return u"<ITEM>" + label + u" : " + value + u"</ITEM>\r\n";
}

// A message with a sender, recipients, a subject, a date and a text body.
inline const std::string kMimeMessage =
    "From: \"Ann Mime\" <ann@example.com>\r\nTo: bob@example.com\r\nCc: cy@example.com\r\n"
    "Bcc: di@example.com\r\nSubject: Mime subject\r\nDate: Tue, 01 Mar 2005 10:00:00 +0000\r\n\r\nMime text\r\n";

inline std::vector<std::string> Names(const std::vector<Item>& items) {
  std::vector<std::string> names;
  for (const Item& item : items) names.push_back(item.name);
  return names;
}

class FennickBuilder : public FennickInsert {
 protected:
  fs::path MembersPath() const { return machine_.scratch() / "DistListInfo.txt"; }
  // Inserts the item text with the members file named, as every request
  // after the first list names it.
  LRESULT InsertWithMembers(std::uint8_t plainBody = 0, const std::u16string& folder = u"Mail\\Inbox\\") {
    auto info = ItemInfo(folder, ItemTextPath());
    info->plainBody = plainBody;
    SetField(info->membersFile, U16(MembersPath()));
    return Send(CD_INSERT_ITEM, *info);
  }
  // Inserts the item text and answers its document, which must be in the folder.
  nlohmann::json Inserted(std::uint8_t plainBody = 0) {
    EXPECT_EQ(InsertWithMembers(plainBody), 1);
    EXPECT_TRUE(TakeReplies().empty());
    const nlohmann::json dump = Database();
    if (dump["documents"].empty()) return {};
    const nlohmann::json document = dump["documents"].back();
    EXPECT_EQ(dump["folders"].back()["documents"].back(), document["id"]);
    return document;
  }
};

}  // namespace fennick_test
