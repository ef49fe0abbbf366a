// Round trips of the MIME writer through two independent readers: GMime's
// parser and Python's standard email parser.
#include <gtest/gtest.h>

#include "mime/mime_writer.h"
#include "mime_readers.h"

namespace {

using mime::Address;
using mime::Attachment;
using mime::Message;
using mime_test::ExpectSameMessage;
using mime_test::ReadWithGMime;
using mime_test::ReadWithPython;

void ExpectBothReadersAgree(const Message& m) {
  std::string bytes = mime::WriteMessage(m);
  ExpectSameMessage(m, ReadWithGMime(bytes), "GMime");
  ExpectSameMessage(m, ReadWithPython(bytes), "python");
}

std::string AllBytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

Message Nested() {
  Message inner;
  inner.from = {"Ærøskøbing Kontor", "kontor@example.dk"};
  inner.to = {{"", "plain@example.com"}};
  inner.subject = "Weitergeleitet: Übersicht – 第二四半期";
  inner.date = 1600000000;
  inner.textBody = "Innen\r\nzwei Zeilen\r\n";
  Attachment deeper;
  deeper.fileName = "深い.eml";
  deeper.embedded = std::make_shared<Message>();
  deeper.embedded->subject = "deepest";
  deeper.embedded->htmlBody = "<p>tief</p>";
  inner.attachments.push_back(deeper);
  Attachment data;
  data.fileName = "daten.bin";
  data.data = AllBytes();
  inner.attachments.push_back(data);
  return inner;
}

Message Full() {
  Message m;
  m.from = {"山田 太郎", "taro@example.jp"};
  m.to = {{"Jürgen Groß", "j.gross@example.de"}, {"Smith, John", "john@example.com"}};
  m.cc = {{"Zoë \"Zed\" O'Neil", "zoe@example.ie"}};
  m.bcc = {{"Геннадий Петров", "g.petrov@example.ru"}};
  m.subject = "会議の議事録と次回の予定について（第三四半期の売上報告を含む）ご確認ください";
  m.date = 1765360800;
  m.received = 1765360860;
  m.textBody = "Grüße aus Köln\r\n日本語の本文\r\n" + std::string(200, 'x') + "\r\n";
  m.htmlBody = "<html><body><p>Grüße <img src=\"cid:logo@brackenford\"></p></body></html>";
  Attachment logo;
  logo.fileName = "logo.png";
  logo.contentType = "image/png";
  logo.contentId = "logo@brackenford";
  logo.isInline = true;
  logo.data = "\x89PNG\r\n\x1a\n" + AllBytes();
  m.attachments.push_back(logo);
  Attachment report;
  report.fileName = "Prüfbericht über das Geschäftsjahr – 年次報告書 2026 (endgültige Fassung).pdf";
  report.data = AllBytes() + AllBytes();
  m.attachments.push_back(report);
  Attachment forwarded;
  forwarded.fileName = "Übersicht.eml";
  forwarded.embedded = std::make_shared<Message>(Nested());
  m.attachments.push_back(forwarded);
  return m;
}

TEST(MimeWriter, FullMessageReadsBackTheSameInBothReaders) { ExpectBothReadersAgree(Full()); }

// Subjects and names that make an encoder split words, including the long
// CJK texts for which GMime itself would write consecutive padded base64
// words that its own parser then truncates.
TEST(MimeWriter, NonAsciiTextSurvivesWordSplitting) {
  const char* texts[] = {
      "plain ascii subject",
      "looks like =?UTF-8?Q?Hello?= an encoded word",
      "Ünïcödé mixed with ascii words at the end",
      "日本語のテスト件名です after text",
      "日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語日本語",
      "emoji 😀😃😄😁 in the middle and 🎉",
      "a_b=c?d \"quoted\" (comment) <angle> , ; : trailing",
      "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ",
  };
  for (const char* text : texts) {
    Message m;
    m.subject = text;
    m.from = {text, "from@example.com"};
    m.to = {{text, "to@example.com"}, {text, "other@example.com"}};
    Attachment a;
    // GMime leaves an ASCII file name unencoded, and readers decode encoded
    // words even inside a quoted parameter: such a name cannot round-trip.
    if (!std::string_view(text).starts_with("looks like")) a.fileName = std::string(text) + ".txt";
    a.data = "x";
    m.attachments.push_back(a);
    std::string bytes = mime::WriteMessage(m);
    EXPECT_EQ(bytes.find("?B?"), std::string::npos) << "no base64 words:\n" << bytes;
    ExpectSameMessage(m, ReadWithGMime(bytes), "GMime");
    ExpectSameMessage(m, ReadWithPython(bytes), "python");
  }
}

TEST(MimeWriter, BodyShapes) {
  struct Case {
    const char* name;
    std::optional<std::string> text, html;
    bool attachment;
  };
  const Case cases[] = {
      {"no body", {}, {}, false},
      {"text only", "only text\r\n", {}, false},
      {"html only", {}, "<b>only html</b>", false},
      {"both", "t\r\n", "<i>h</i>", false},
      {"no body with attachment", {}, {}, true},
      {"html with attachment", {}, "<i>h</i>", true},
  };
  for (const Case& c : cases) {
    Message m;
    m.subject = c.name;
    m.textBody = c.text;
    m.htmlBody = c.html;
    if (c.attachment) m.attachments.push_back({"a.bin", "", "", false, "abc", nullptr});
    std::string bytes = mime::WriteMessage(m);
    // A message without any body still reads as an empty text part.
    if (!c.text && !c.html && !c.attachment) m.textBody = "";
    ExpectSameMessage(m, ReadWithGMime(bytes), "GMime");
    ExpectSameMessage(m, ReadWithPython(bytes), "python");
  }
}

// Base64 lines of 57 bytes: every remainder and line boundary reads back exact.
TEST(MimeWriter, Base64BytesOfEverySizeReadBack) {
  Message m;
  m.subject = "sizes";
  m.textBody = "see attached\n";
  for (size_t n : {1, 2, 3, 4, 56, 57, 58, 113, 114, 115, 1000}) {
    std::string data = AllBytes().substr(0, std::min<size_t>(n, 256));
    while (data.size() < n) data += data.substr(0, n - data.size());
    m.attachments.push_back({std::to_string(n) + ".bin", "", "", false, data, nullptr});
  }
  ExpectBothReadersAgree(m);
}

TEST(MimeWriter, HeadersForIdentifiersImportanceAndTransport) {
  Message m;
  m.subject = "headers";
  m.received = 1765000000;
  m.messageId = "<abc.123@example.com>";
  m.inReplyTo = "<parent@example.com>";
  m.references = "<root@example.com> <parent@example.com>";
  m.importance = mime::Importance::High;
  m.priority = mime::Priority::Urgent;
  m.extraHeaders = {{"X-Mailer", "Some Mailer 1.0"}};
  m.traceHeaders = {{"Received", "from relay.example.com by mx.example.com; Mon, 1 Dec 2025 10:00:00 +0000"}};
  std::string bytes = mime::WriteMessage(m);
  EXPECT_EQ(bytes.rfind("Received: by localhost", 0), 0u) << "our Received line comes first:\n" << bytes;
  for (const Message& got : {ReadWithGMime(bytes), ReadWithPython(bytes)}) {
    EXPECT_EQ(got.received, m.received);
    EXPECT_EQ(mime_test::HeaderValue(got, "Message-ID"), m.messageId);
    EXPECT_EQ(mime_test::HeaderValue(got, "In-Reply-To"), m.inReplyTo);
    EXPECT_EQ(mime_test::HeaderValue(got, "References"), m.references);
    EXPECT_EQ(mime_test::HeaderValue(got, "Importance"), "high");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Priority"), "1 (Highest)");
    EXPECT_EQ(mime_test::HeaderValue(got, "Priority"), "urgent");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Mailer"), "Some Mailer 1.0");
  }
}

TEST(MimeWriter, RecipientWithoutAddressKeepsItsName) {
  Message m;
  m.subject = "no address";
  m.to = {{"Nur Name Müller", ""}, {"", "only@example.com"}};
  m.textBody = "body\n";
  ExpectBothReadersAgree(m);
}

}  // namespace
