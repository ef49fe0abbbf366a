// Messages as mail programs write them, and broken ones, read through the
// ADO Stream and CDO Message stand-ins as the import engine reads them.
#include <fstream>

#include "cdo_test_support.h"

namespace cdo_test {
namespace {

std::filesystem::path Messages() { return std::filesystem::path(CDO_TESTS_DIR) / "messages"; }

struct Expected {
  const char* file;
  Fields fields;
};

TEST_F(CdoTest, MessagesOfMailProgramsReadAsWritten) {
  const Expected cases[] = {
      {"outlook.eml",
       {LocalDate(2025, 12, 2, 9, 15, 42),  // the topmost Received, folded over two lines
        "\"Müller, Hans\" <hans.mueller@example.de>",
        "\"Smith, John\" <john.smith@example.com>, \"Jane Doe\" <jane@example.com>",
        "\"Françoise\" <francoise@example.fr>", "", "Besprechung über das Budget",
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></head>"
        "<body><p>Grüße, Hans</p></body></html>\r\n",
        "Hallo John,\r\n\r\nanbei die Zahlen für das Budget.\r\n\r\nGrüße\r\nHans\r\n"}},
      {"thunderbird.eml",
       {LocalDate(2025, 12, 3, 6, 5, 0),  // Date, +0900
        "\"Jürgen Groß\" <juergen@example.de>", "\"undisclosed-recipients\"", "",
        "\"Ann Example\" <ann@example.com>, bob@example.com", "Unterlagen für Montag",
        "",  // the HTML is an attachment
        "Hallo zusammen, \r\nhier die Unterlagen für Montag.\r\n\r\n-- \r\nJürgen\r\n"}},
      {"webmail.eml",
       {LocalDate(2025, 12, 5, 3, 30, 0),  // Date, -0800
        "\"Zoë O'Neil\" <zoe@example.ie>", "\"Ann Example\" <ann@example.com>, \"Геннадий\" <g@example.ru>",
        "carl@example.com", "", "Café tomorrow? ☕",
        "<div dir=\"ltr\">Hi Zoë,<div>see you at the café ☕</div></div>\r\n", "Hi Zoë,\r\nsee you at the café ☕\r\n"}},
      {"windows-1252.eml",
       {LocalDate(2025, 12, 5, 11, 0, 0), "\"Accounts\" <accounts@example.com>", "you@example.com", "", "", "Invoice",
        "", "Total: €5 – café “quoted”\r\n"}},
      {"iso-2022-jp.eml",
       {LocalDate(2025, 12, 6, 1, 0, 0), "\"山田太郎\" <taro@example.jp>", "\"花子\" <hanako@example.jp>", "", "",
        "会議の件", "", "こんにちは\r\n世界\r\n"}},
      {"malformed.eml",
       {0, "\"Broken Sender\" <broken@example.com>", "someone@example.com", "", "", "malformed",
        "<p>never closed</p>\n", "first line\r\nsecond line"}},  // the HTML source as it stands
      {"forwarded.eml", {0, "forwarder@example.com", "you@example.com", "", "", "Fwd: inner", "", ""}},
  };
  for (const Expected& c : cases) {
    SCOPED_TRACE(c.file);
    ExpectFields(Read(Messages() / c.file), c.fields);
  }
}

// Input that is no message fails OpenObject with a status; the message then
// reads as empty, never as a failure.
TEST_F(CdoTest, InputThatIsNoMessageFailsToOpen) {
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"text without a header", "just some words\r\n"},
      {"binary", std::string("\0\x01\x02\xFF\xFE garbage", 12)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    const auto file = machine_.scratch() / "input.eml";
    std::ofstream(file, std::ios::binary) << bytes;
    const ReadBack r = Read(file);
    EXPECT_EQ(r.load, S_OK);
    EXPECT_EQ(r.open, HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    EXPECT_EQ(r.received, 0);
    EXPECT_EQ(r.from + r.to + r.cc + r.bcc + r.subject + r.html + r.text, "");
  }
}

TEST_F(CdoTest, OpenObjectRefusesWhatIsNoStream) {
  ComPtr<CDO::IMessage> message = NewMessage();
  ComPtr<CDO::IDataSource> source = message.As<CDO::IDataSource>();
  ASSERT_TRUE(source);
  ComPtr<ADODB::_Stream> stream = NewStream();
  EXPECT_EQ(source->OpenObject(nullptr, Bstr(u"_Stream")), E_INVALIDARG);
  EXPECT_EQ(source->OpenObject(stream.Get(), Bstr(u"IMessage")), E_INVALIDARG);
  EXPECT_EQ(source->OpenObject(message.Get(), Bstr(u"_Stream")), E_NOINTERFACE);
  // A stream that was never opened holds nothing to read.
  EXPECT_EQ(source->OpenObject(stream.Get(), Bstr(u"_Stream")), ADODB::adErrObjectClosed);
}

}  // namespace
}  // namespace cdo_test
