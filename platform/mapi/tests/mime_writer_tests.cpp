// Round trips of the MIME writer through two independent readers: GMime's
// parser and Python's standard email parser.
#include <gtest/gtest.h>

#include "mime/mime_writer.h"
#include "mime/transfer_encoding.h"
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
  mime_test::ExpectConforming(bytes);
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
    mime_test::ExpectConforming(bytes);
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

// Every kind of line end becomes one CR LF; nothing else changes.
TEST(MimeWriter, CanonicalLineEnds) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"no end", "no end"},
      {"a\nb\n", "a\r\nb\r\n"},
      {"a\rb\r", "a\r\nb\r\n"},
      {"a\r\nb", "a\r\nb"},
      {"\n\r\r\n\n\r", "\r\n\r\n\r\n\r\n\r\n"},
      {"x\n\ny", "x\r\n\r\ny"},
      {std::string("nul\0kept\r", 10), std::string("nul\0kept\r\n", 11)},
  };
  for (const auto& [text, want] : cases) EXPECT_EQ(mime::CanonicalLines(text), want) << testing::PrintToString(text);
}

// Text goes out as 7bit only when every reader gets it back exactly: ASCII
// lines of at most 998 characters ending in CR LF, no "From " line, nothing
// that could start a boundary.
TEST(MimeWriter, TextEncodingChoice) {
  using mime::Encoding;
  const std::pair<std::string, Encoding> cases[] = {
      {"", Encoding::SevenBit},
      {"plain ascii\r\n", Encoding::SevenBit},
      {std::string(998, 'x') + "\r\n", Encoding::SevenBit},
      {std::string(999, 'x') + "\r\n", Encoding::QuotedPrintable},
      {"no line end at the end", Encoding::QuotedPrintable},
      {"From the top\r\n", Encoding::QuotedPrintable},
      {"first\r\nFrom here\r\n", Encoding::QuotedPrintable},
      {"a =_ b\r\n", Encoding::QuotedPrintable},
      {"nul\0byte\r\n", Encoding::QuotedPrintable},
      {"Gr\xC3\xBC\xC3\x9F" "e, mostly ascii text here\r\n", Encoding::QuotedPrintable},
      {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\n", Encoding::Base64},
  };
  for (const auto& [text, want] : cases)
    EXPECT_EQ(mime::TextEncoding(text), want) << text.substr(0, 40) << " (" << text.size() << " bytes)";
}

// Bodies that need quoted-printable read back exactly, whatever their last
// line end: soft breaks, trailing blanks, "=" and "From " lines.
TEST(MimeWriter, QuotedPrintableBodiesReadBackExactly) {
  const std::string texts[] = {
      "ends without a line end",
      "trailing blanks   \r\nand tabs\t\r\n",
      "equals = and =3D and =_ here\r\n",
      "From the start\r\n" + std::string(300, 'y') + "\r\n",
      "Gr\xC3\xBC\xC3\x9F" "e " + std::string(150, 'z'),
  };
  for (const std::string& text : texts) {
    Message m;
    m.subject = "qp";
    m.textBody = text;
    m.htmlBody = "<p>" + text + "</p>";
    ExpectBothReadersAgree(m);
  }
}

TEST(MimeWriter, AttachmentTypesAndFileNames) {
  Message m;
  m.subject = "attachments";
  m.textBody = "see attached\r\n";
  m.attachments = {
      {"report.pdf", "", "", false, "%PDF", nullptr},
      {"table.XLSX", "", "", false, "PK", nullptr},
      {"no-extension", "", "", false, "x", nullptr},
      {"given.bin", "image/png", "", false, "\x89PNG", nullptr},
      {"bad type.bin", "not a type", "", false, "y", nullptr},
      {"forwarded.eml", "message/rfc822", "", false, "From: a@b\r\n\r\nbody\r\n", nullptr},
      {"Übersicht – 年次報告書 über das Geschäftsjahr 2026 (endgültige Fassung).pdf", "", "", false, "z", nullptr},
  };
  const std::string bytes = mime::WriteMessage(m);
  mime_test::ExpectConforming(bytes);
  const char* types[] = {"application/pdf",
                         "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                         "application/octet-stream",
                         "image/png",
                         "application/octet-stream",
                         "application/octet-stream",  // bytes by value cannot go out as message/rfc822
                         "application/pdf"};
  for (const Message& got : {ReadWithGMime(bytes), ReadWithPython(bytes)}) {
    ASSERT_EQ(got.attachments.size(), m.attachments.size());
    for (size_t i = 0; i < m.attachments.size(); ++i) {
      EXPECT_EQ(got.attachments[i].contentType, types[i]) << m.attachments[i].fileName;
      EXPECT_EQ(got.attachments[i].fileName, m.attachments[i].fileName);
      EXPECT_EQ(got.attachments[i].data, m.attachments[i].data);
    }
  }
  // The non-ASCII name in both forms: RFC 2231 pieces and RFC 2047 words.
  EXPECT_NE(bytes.find("filename*0*=UTF-8''%C3%9Cbersicht"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("name=\"=?UTF-8?Q?=C3=9Cbersicht"), std::string::npos) << bytes;
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
  m.traceHeaders = {
      {"Received", "from relay.example.com (relay.example.com [192.0.2.1]) by mx.example.com with ESMTPS id "
                   "0123456789abcdef for <someone@example.com>; Mon, 1 Dec 2025 10:00:00 +0000"},
      {"Return-Path", "<bounce@example.com>"},
      {"Received", "from origin.example.org by relay.example.com; Mon, 1 Dec 2025 09:59:00 +0000"}};
  m.extraHeaders = {{"X-Mailer", "Some Mailer 1.0"}, {"X-Note", "Grüße aus Köln"},
                    {"X-Encoded", "=?UTF-8?Q?already_encoded?="}};
  std::string bytes = mime::WriteMessage(m);
  mime_test::ExpectConforming(bytes);
  // Trace fields on top, ours first, then theirs in their order, folded.
  const size_t ours = bytes.find("Received: by localhost"), relay = bytes.find("Received: from relay"),
               path = bytes.find("Return-Path:"), origin = bytes.find("Received: from origin"),
               subject = bytes.find("Subject:");
  EXPECT_EQ(ours, 0u) << bytes;
  EXPECT_TRUE(ours < relay && relay < path && path < origin && origin < subject) << bytes;
  for (const Message& got : {ReadWithGMime(bytes), ReadWithPython(bytes)}) {
    EXPECT_EQ(got.received, m.received);
    EXPECT_EQ(mime_test::HeaderValue(got, "Message-ID"), m.messageId);
    EXPECT_EQ(mime_test::HeaderValue(got, "In-Reply-To"), m.inReplyTo);
    EXPECT_EQ(mime_test::HeaderValue(got, "References"), m.references);
    EXPECT_EQ(mime_test::HeaderValue(got, "Importance"), "high");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Priority"), "1 (Highest)");
    EXPECT_EQ(mime_test::HeaderValue(got, "Priority"), "urgent");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Mailer"), "Some Mailer 1.0");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Note"), "Grüße aus Köln");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Encoded"), "already encoded");
    EXPECT_EQ(mime_test::HeaderValue(got, "Return-Path"), "<bounce@example.com>");
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
