// The JSON front end: what each field becomes, and how mistakes are named.
#include <gtest/gtest.h>

#include "mapi/mapitags.h"
#include "pstgen/json_description.h"
#include "pstgen/values.h"

namespace pstgen {
namespace {

using nlohmann::json;

const Property* Find(const std::vector<Property>& props, ULONG tag) {
  for (const Property& p : props)
    if (p.tag == tag) return &p;
  return nullptr;
}

Bytes W(const char16_t* s) {
  Bytes b;
  for (; *s; ++s) b.push_back(std::uint8_t(*s)), b.push_back(std::uint8_t(*s >> 8));
  return b;
}

TEST(Description, FieldsBecomeProperties) {
  Store s = ParseDescription(json::parse(R"({
    "store": { "display_name": "S" },
    "folders": [ { "name": "F", "messages": [ {
      "props": { "0x600D": { "type": "PT_LONG", "value": 5 }, "PR_SUBJECT": "s" },
      "recipients": [ { "type": "bcc", "name": "N", "email": "e@x" }, { "type": 2 } ],
      "attachments": [ { "long_filename": "long name.txt", "data": "hex:01" },
                       { "method": 6, "data": "hex:02" },
                       { "method": 5, "message": { "class": "IPM.Contact" } } ] } ] } ] })"));
  EXPECT_EQ(u"S", s.displayName);
  EXPECT_EQ(FileFormat::kUnicode, s.format);
  EXPECT_EQ(FileFormat::kAnsi, ParseDescription(json::parse(R"({"format": "ansi"})")).format);
  const Folder& f = s.folders.at(0);
  EXPECT_EQ(u"IPF.Note", f.containerClass);  // the default class
  const Message& m = f.messages.at(0);
  EXPECT_EQ(W(u"IPM.Note"), Find(m.props, PR_MESSAGE_CLASS_W)->value);
  EXPECT_EQ(Bytes({5, 0, 0, 0}), Find(m.props, 0x600D0003)->value);
  EXPECT_TRUE(Find(m.props, PR_SUBJECT_W));  // the plain name is the Unicode form
  const Recipient& r = m.recipients.at(0);
  EXPECT_EQ(Bytes({3, 0, 0, 0}), Find(r.props, PR_RECIPIENT_TYPE)->value);
  EXPECT_EQ(W(u"SMTP"), Find(r.props, PR_ADDRTYPE_W)->value);
  EXPECT_EQ(Bytes({2, 0, 0, 0}), Find(m.recipients.at(1).props, PR_RECIPIENT_TYPE)->value);
  const Attachment& a = m.attachments.at(0);
  EXPECT_EQ(Bytes({1, 0, 0, 0}), Find(a.props, PR_ATTACH_METHOD)->value);  // by value unless told
  EXPECT_EQ(W(u"long name.txt"), Find(a.props, PR_ATTACH_FILENAME_W)->value);
  EXPECT_EQ(Bytes({1}), Find(a.props, PR_ATTACH_DATA_BIN)->value);
  EXPECT_EQ(Bytes({2}), Find(m.attachments.at(1).props, PR_ATTACH_DATA_OBJ)->value);
  ASSERT_TRUE(m.attachments.at(2).message);
  EXPECT_EQ(W(u"IPM.Contact"), Find(m.attachments.at(2).message->props, PR_MESSAGE_CLASS_W)->value);
}

TEST(Description, StringsUseTheMessageCodePage) {
  Store s = ParseDescription(json::parse(R"({ "folders": [ { "name": "F", "messages": [
    { "props": { "PR_MESSAGE_CODEPAGE": 1251, "PR_SUBJECT_A": "\u0416" } },
    { "props": { "PR_SUBJECT_A": "\u00e9" } } ] } ] })"));
  EXPECT_EQ(Bytes({0xC6}), Find(s.folders[0].messages[0].props, PR_SUBJECT_A)->value);
  EXPECT_EQ(Bytes({0xE9}), Find(s.folders[0].messages[1].props, PR_SUBJECT_A)->value);  // 1252 by default
}

TEST(Description, MistakesNameTheirPlace) {
  struct Case {
    const char* json;
    const char* message;
  } cases[] = {
      {R"([])", "the description is a JSON object"},
      {R"({"format": "utf-8"})", "format: \"unicode\" or \"ansi\""},
      {R"({"folders": {}})", "folders: expected an array"},
      {R"({"folders": [{"messages": [{"props": {"PR_NOPE": 1}}]}]})",
       "folders[0].messages[0].props.PR_NOPE: unknown property name"},
      {R"({"folders": [{"messages": [{"props": {"PR_SUBJECT_W": 1}}]}]})",
       "folders[0].messages[0].props.PR_SUBJECT_W: expected a string"},
      {R"({"folders": [{"messages": [{"props": {"0x600D": 1}}]}]})", "the tag has no type"},
      {R"({"folders": [{"messages": [{"props": {"0x12": 1}}]}]})", "8 hex digits"},
      {R"({"folders": [{"messages": [{"named": [{"set": "PS_NOPE", "lid": 1, "type": "PT_LONG", "value": 1}]}]}]})",
       "folders[0].messages[0].named[0].set: unknown property set"},
      {R"({"folders": [{"messages": [{"named": [{"set": "PS_PUBLIC_STRINGS", "type": "PT_LONG", "value": 1}]}]}]})",
       "\"lid\" or \"name\""},
      {R"({"folders": [{"messages": [{"recipients": [{"type": "from"}]}]}]})",
       "folders[0].messages[0].recipients[0].type"},
      {R"({"folders": [{"folders": [{"messages": [{"attachments": [{"data": "plain"}]}]}]}]})",
       "folders[0].folders[0].messages[0].attachments[0].data: binary values start with"},
      {R"({"folders": [{"messages": [{"attachments": [{"method": 5, "message": {"props": {"PR_BODY_W": 2}}}]}]}]})",
       "attachments[0].message.props.PR_BODY_W: expected a string"},
      {R"({"folders": [{"messages": [{"id": 5}]}]})", "folders[0].messages[0].id: expected a string"},
      {R"({"folders": [{"messages": [{"props": {"0x6001": {"type": "PT_BINARY", "value": "contact:"}}}]}]})",
       "folders[0].messages[0].props.0x6001: a contact entry ID is"},
      {R"({"folders": ["Inbox"]})", "folders[0]: expected an object"},
      // A misspelt key is named, whichever kind of object holds it.
      {R"({"folder": [{"name": "Inbox"}]})", "folder: unknown key"},
      {R"({"store": {"displayname": "S"}})", "store.displayname: unknown key"},
      {R"({"folders": [{"name": "Inbox", "mesages": [{}]}]})", "folders[0].mesages: unknown key"},
      {R"({"folders": [{"messages": [{"subject": "hi"}]}]})", "folders[0].messages[0].subject: unknown key"},
      {R"({"folders": [{"messages": [{"recipients": [{"mail": "a@b"}]}]}]})",
       "folders[0].messages[0].recipients[0].mail: unknown key"},
      {R"({"folders": [{"messages": [{"attachments": [{"filname": "a.txt"}]}]}]})",
       "folders[0].messages[0].attachments[0].filname: unknown key"},
      {R"({"folders": [{"messages": [{"named": [{"set": "PS_MAPI", "id": 1, "type": "PT_LONG", "value": 1}]}]}]})",
       "folders[0].messages[0].named[0].id: unknown key"},
      {R"({"folders": [{"messages": [{"attachments": [{"method": 5, "message": {"clas": "IPM.Note"}}]}]}]})",
       "folders[0].messages[0].attachments[0].message.clas: unknown key"},
      // Numbers that the field's integer cannot hold are refused, not converted.
      {R"({"folders": [{"messages": [{"named": [{"set": "PS_MAPI", "lid": 3.3e20, "type": "PT_LONG", "value": 1}]}]}]})",
       "folders[0].messages[0].named[0].lid: expected an integer"},
      {R"({"folders": [{"messages": [{"named": [{"set": "PS_MAPI", "lid": -1, "type": "PT_LONG", "value": 1}]}]}]})",
       "named[0].lid: -1 is not from 0 to 4294967295"},
      {R"({"folders": [{"messages": [{"attachments": [{"method": 1e30}]}]}]})",
       "attachments[0].method: expected an integer"},
      {R"({"folders": [{"messages": [{"attachments": [{"method": 2147483648}]}]}]})",
       "attachments[0].method: 2147483648 is not from -2147483648 to 2147483647"},
      {R"({"folders": [{"messages": [{"recipients": [{"type": 18446744073709551615}]}]}]})",
       "recipients[0].type: 18446744073709551615 is not from"},
      {R"({"folders": [{"messages": [{"props": {"0x60010006": 1e300}}]}]})",
       "props.0x60010006: PT_CURRENCY out of range"},
  };
  for (const Case& c : cases) {
    try {
      ParseDescription(json::parse(c.json));
      ADD_FAILURE() << "accepted " << c.json;
    } catch (const DescriptionError& e) {
      EXPECT_NE(std::string::npos, std::string(e.what()).find(c.message)) << c.json << "\n  gave: " << e.what();
    }
  }
}

// Folders, and messages embedded in messages, nest 256 deep and no deeper:
// past that the error is a short one, not a crash.
TEST(Description, NestingIsLimited) {
  auto folders = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += R"({"name": "F", "folders": [)";
    for (int i = 0; i < depth; ++i) text += "]}";
    return R"({"folders": [)" + text + "]}";
  };
  auto embedded = [](int depth) {
    std::string text;
    for (int i = 1; i < depth; ++i) text += R"({"attachments": [{"method": 5, "message": )";
    text += "{}";
    for (int i = 1; i < depth; ++i) text += "}]}";
    return R"({"folders": [{"messages": [)" + text + "]}]}";
  };
  const Store deep = ParseDescription(json::parse(folders(256)));
  const Folder* f = &deep.folders.at(0);
  for (int level = 1; level < 256; ++level) f = &f->folders.at(0);
  EXPECT_TRUE(f->folders.empty());
  EXPECT_NO_THROW(ParseDescription(json::parse(embedded(256))));
  const struct {
    std::string json;
    const char* message;
  } cases[] = {
      {folders(257), "folders nest deeper than 256 levels"},
      {folders(3000), "folders nest deeper than 256 levels"},
      {embedded(257), "embedded messages nest deeper than 256 levels"},
      {embedded(3000), "embedded messages nest deeper than 256 levels"},
  };
  for (const auto& c : cases) {
    try {
      ParseDescription(json::parse(c.json));
      ADD_FAILURE() << "accepted " << c.message;
    } catch (const DescriptionError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace pstgen
