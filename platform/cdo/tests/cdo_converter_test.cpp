// The converter's files read through the CDO stand-ins: what Cressing
// writes, Fennick reads whole.
#include "cdo_test_support.h"
#include "com/stream.h"
#include "mapi/mimeconv.h"
#include "memory_message_fixture.h"

namespace cdo_test {
namespace {

using mime_test::Ft;
using mime_test::MemoryMessage;
using mime_test::Recipient;

struct Row {
  const char* name;
  void (*fill)(MemoryMessage&);
  Fields fields;
};

void Full(MemoryMessage& m) {
  m.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Réunion d'équipe – 会議"));
  m.Set(mapi::MakeUnicode(PR_SENT_REPRESENTING_NAME_W, u"Šárka Nováková"));
  m.Set(mapi::MakeUnicode(PR_SENT_REPRESENTING_EMAIL_ADDRESS_W, u"sarka@example.cz"));
  m.Set(mapi::MakeTime(PR_MESSAGE_DELIVERY_TIME, Ft(1765300000)));  // 2025-12-09 17:06:40 UTC
  m.Set(mapi::MakeTime(PR_CLIENT_SUBMIT_TIME, Ft(1765299000)));
  m.Set(mapi::MakeUnicode(PR_BODY_W, u"Text body\nmit Umlauten: äöü\n"));
  m.Set(mapi::MakeBinary(PR_HTML, std::string("<p>caf\xE9</p>")));
  m.Set(mapi::MakeLong(PR_INTERNET_CPID, 1252));
  m.mail->recipients.push_back(Recipient(MAPI_TO, u"Ann Æbelø", u"ann@example.dk"));
  m.mail->recipients.push_back(Recipient(MAPI_TO, u"Smith, John", u"john@example.com"));
  m.mail->recipients.push_back(Recipient(MAPI_CC, u"Bob", u"bob@example.com"));
  m.mail->recipients.push_back(Recipient(MAPI_BCC, u"Чарли", u"charlie@example.ru"));
  mapi::memory::Attachment file;
  file.props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE));
  file.props.Set(mapi::MakeUnicode(PR_ATTACH_LONG_FILENAME_W, u"notes.txt"));
  file.props.Set(mapi::MakeBinary(PR_ATTACH_DATA_BIN, std::string("attached text, not the body\r\n")));
  m.mail->attachments.push_back(std::move(file));
  m.mail->attachments.emplace_back();
  m.mail->attachments.back().props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG));
  mapi::memory::Message& inner = m.data->AddEmbedded(m.mail->attachments.back());
  inner.props.Set(mapi::MakeUnicode(PR_BODY_W, u"inner body, not the body\r\n"));
  inner.props.Set(mapi::MakeBinary(PR_HTML, std::string("<p>inner</p>")));
}

void SenderAddressOnly(MemoryMessage& m) {
  m.Set(mapi::MakeUnicode(PR_SENT_REPRESENTING_NAME_W, u"Dev Ellis"));
  m.Set(mapi::MakeUnicode(PR_SENDER_EMAIL_ADDRESS_W, u"dev@example.com"));
  m.Set(mapi::MakeTime(PR_CLIENT_SUBMIT_TIME, Ft(1751360400)));  // 2025-07-01 09:00:00 UTC, summer time
  m.mail->recipients.push_back(Recipient(0x80000000u | MAPI_CC, u"Submitted Cc", u"cc@example.com"));
}

void RtfText(MemoryMessage& m) {
  m.Set(mapi::MakeBinary(
      PR_RTF_COMPRESSED,
      mime_test::RtfProperty("{\\rtf1\\ansi\\ansicpg1252\\pard plain \\'e9\\par second\\par}", true, 11)));
}

void RtfHtml(MemoryMessage& m) {
  m.Set(mapi::MakeBinary(PR_RTF_COMPRESSED,
                         mime_test::RtfProperty("{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 {\\*\\htmltag64 <p>}\\htmlrtf "
                                                "{\\htmlrtf0 caf\\'e9\\htmlrtf }\\htmlrtf0 {\\*\\htmltag72 </p>}}",
                                                false)));
}

void TransportTrace(MemoryMessage& m) {
  m.Set(mapi::MakeUnicode(
      PR_SUBJECT_W, u"Ein sehr langer Betreff über mehrere Zeilen – 日本語のテスト件名です, damit er gefaltet wird"));
  m.Set(mapi::MakeUnicode(PR_TRANSPORT_MESSAGE_HEADERS_W,
                          u"Received: from relay.example.com by mx.example.com;\r\n Mon, 1 Dec 2025 10:00:00 +0000\r\n"
                          u"Received: from origin.example.org by relay.example.com; Mon, 1 Dec 2025 09:00:00 +0000\r\n"
                          u"X-Note: Grüße\r\n\r\n"));
}

const Row kRows[] = {
    {"full message",
     Full,
     {LocalDate(2025, 12, 9, 18, 6, 40), "\"Šárka Nováková\" <sarka@example.cz>",
      "\"Ann Æbelø\" <ann@example.dk>, \"Smith, John\" <john@example.com>", "\"Bob\" <bob@example.com>",
      "\"Чарли\" <charlie@example.ru>", "Réunion d'équipe – 会議", "<p>café</p>",
      "Text body\r\nmit Umlauten: äöü\r\n"}},
    {"represented name with the sender's address",
     SenderAddressOnly,
     {LocalDate(2025, 7, 1, 11, 0, 0), "\"Dev Ellis\" <dev@example.com>", "", "\"Submitted Cc\" <cc@example.com>", "",
      "", "", ""}},
    {"RTF text only", RtfText, {0, "", "", "", "", "", "", "plain é\r\nsecond\r\n"}},
    {"RTF with encapsulated HTML only", RtfHtml, {0, "", "", "", "", "", "<p>café</p>", ""}},
    {"transport Received and a long subject",
     TransportTrace,
     {LocalDate(2025, 12, 1, 11, 0, 0), "", "", "", "",
      "Ein sehr langer Betreff über mehrere Zeilen – 日本語のテスト件名です, damit er gefaltet wird", "", ""}},
};

TEST_F(CdoTest, ConverterFilesReadWhole) {
  ComPtr<IConverterSession> converter;
  ASSERT_EQ(CoCreateInstance(CLSID_IConverterSession, nullptr, CLSCTX_INPROC_SERVER, IID_IConverterSession,
                             converter.ReleaseAndGetAddressOfVoid()),
            S_OK);
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    MemoryMessage m;
    row.fill(m);
    const auto file = machine_.scratch() / "MSG1.eml";
    {
      ComPtr<IStream> out;
      ASSERT_EQ(SHCreateStreamOnFileW(win32::Utf8ToUtf16(file.string()).c_str(), STGM_CREATE | STGM_READWRITE,
                                      out.ReleaseAndGetAddressOf()),
                S_OK);
      ASSERT_EQ(converter->MAPIToMIMEStm(m.Open().Get(), out.Get(), CCSF_SMTP), S_OK);
    }
    ExpectFields(Read(file), row.fields);
  }
}

}  // namespace
}  // namespace cdo_test
