// The converter's COM class over messages of the memory store: what the
// MIME file carries reads back through GMime and Python's email parser.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "com/com.h"
#include "mapi/memory_store.h"
#include "mapi/mimeconv.h"
#include "memory_message_fixture.h"
#include "mime_readers.h"
#include "pst_test_support.h"
#include "testing/temp_machine.h"

extern "C" HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);

namespace {

namespace memory = mapi::memory;
using mime_test::ExpectSameMessage;

using mime_test::Ft;
using mime_test::Recipient;
using mime_test::RtfProperty;
using Fixture = mime_test::MemoryMessage;

ComPtr<IConverterSession> NewConverter() {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(DllGetClassObject(CLSID_IConverterSession, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()), S_OK);
  ComPtr<IConverterSession> session;
  if (factory) {
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IConverterSession, session.ReleaseAndGetAddressOfVoid()), S_OK);
  }
  return session;
}

std::string Convert(IMessage* msg, ULONG flags = CCSF_SMTP) {
  ComPtr<IConverterSession> session = NewConverter();
  ComPtr<IStream> stream;
  EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(session->MAPIToMIMEStm(msg, stream.Get(), flags), S_OK);
  STATSTG st{};
  stream->Stat(&st, STATFLAG_NONAME);
  std::string out(st.cbSize.QuadPart, '\0');
  stream->Seek({}, STREAM_SEEK_SET, nullptr);
  ULONG got = 0;
  stream->Read(out.data(), static_cast<ULONG>(out.size()), &got);
  return out;
}

// One message of each class, filled alike: the converter treats them all as messages.
void Fill(memory::StoreData& data, memory::Message& m) {
  m.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Réunion d'équipe – 会議"));
  m.props.Set(mapi::MakeUnicode(PR_SENT_REPRESENTING_NAME_W, u"Šárka Nováková"));
  m.props.Set(mapi::MakeUnicode(PR_SENT_REPRESENTING_ADDRTYPE_W, u"SMTP"));
  m.props.Set(mapi::MakeUnicode(PR_SENT_REPRESENTING_EMAIL_ADDRESS_W, u"sarka@example.cz"));
  m.props.Set(mapi::MakeTime(PR_MESSAGE_DELIVERY_TIME, Ft(1765300000)));
  m.props.Set(mapi::MakeTime(PR_CREATION_TIME, Ft(1765200000)));
  m.props.Set(mapi::MakeUnicode(PR_BODY_W, u"Text body\r\nmit Umlauten: äöü\r\n"));
  m.props.Set(mapi::MakeBinary(PR_HTML, std::string("<p>caf\xE9</p>")));  // Windows-1252
  m.props.Set(mapi::MakeLong(PR_INTERNET_CPID, 1252));
  m.recipients.push_back(Recipient(MAPI_TO, u"Ann Æbelø", u"ann@example.dk"));
  m.recipients.push_back(Recipient(MAPI_CC, u"Bob", u"bob@example.com"));
  m.recipients.push_back(Recipient(MAPI_BCC, u"Чарли", u"charlie@example.ru"));
  memory::Attachment file;
  file.props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE));
  file.props.Set(mapi::MakeUnicode(PR_ATTACH_LONG_FILENAME_W, u"Übersicht 2026.xlsx"));
  file.props.Set(mapi::MakeBinary(PR_ATTACH_DATA_BIN, std::string("PK\3\4\0\xff\x80", 7)));
  m.attachments.push_back(std::move(file));
  m.attachments.emplace_back();
  m.attachments.back().props.Set(mapi::MakeLong(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG));
  m.attachments.back().props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Weitergeleitet"));
  memory::Message& inner = data.AddEmbedded(m.attachments.back());
  inner.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Inner 内側"));
  inner.props.Set(mapi::MakeUnicode(PR_BODY_W, u"inner body\r\n"));
  inner.props.Set(mapi::MakeTime(PR_CLIENT_SUBMIT_TIME, Ft(1700000000)));
}

mime::Message Expected() {
  mime::Message m;
  m.from = {"Šárka Nováková", "sarka@example.cz"};
  m.to = {{"Ann Æbelø", "ann@example.dk"}};
  m.cc = {{"Bob", "bob@example.com"}};
  m.bcc = {{"Чарли", "charlie@example.ru"}};
  m.subject = "Réunion d'équipe – 会議";
  m.date = 1765300000;  // no submit time: the delivery time
  m.received = 1765300000;
  m.textBody = "Text body\nmit Umlauten: äöü\n";
  m.htmlBody = "<p>café</p>";
  // No MIME tag: the type comes from the extension.
  m.attachments.push_back({"Übersicht 2026.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                           "", false, std::string("PK\3\4\0\xff\x80", 7), nullptr});
  mime::Attachment embedded;
  embedded.fileName = "Weitergeleitet";
  embedded.embedded = std::make_shared<mime::Message>();
  embedded.embedded->subject = "Inner 内側";
  embedded.embedded->textBody = "inner body\n";
  embedded.embedded->date = 1700000000;
  m.attachments.push_back(embedded);
  return m;
}

TEST(MimeConverter, EveryMessageClassReadsBackThroughBothReaders) {
  for (const char* cls : {"IPM.Note", "IPM.Appointment", "IPM.Contact", "IPM.Task", "IPM.Activity",
                          "IPM.StickyNote", "IPM.DistList"}) {
    SCOPED_TRACE(cls);
    Fixture f(cls);
    Fill(*f.data, *f.mail);
    ComPtr<IMessage> msg = f.Open();
    ASSERT_TRUE(msg);
    for (ULONG flags : {CCSF_SMTP, CCSF_USE_TNEF}) {
      std::string bytes = Convert(msg.Get(), flags);
      ExpectSameMessage(Expected(), mime_test::ReadWithGMime(bytes), "GMime");
      ExpectSameMessage(Expected(), mime_test::ReadWithPython(bytes), "python");
    }
  }
}

TEST(MimeConverter, SenderAndDateFallbacksAndTransportHeaders) {
  Fixture f("IPM.Note");
  f.mail->props.Set(mapi::MakeUnicode(PR_SENDER_NAME_W, u"Sender Only"));
  f.mail->props.Set(mapi::MakeUnicode(PR_SENDER_ADDRTYPE_W, u"EX"));
  f.mail->props.Set(mapi::MakeUnicode(PR_SENDER_EMAIL_ADDRESS_W, u"/o=Org/cn=Recipients/cn=sender"));
  f.mail->props.Set(mapi::MakeUnicode(PROP_TAG(PT_UNICODE, 0x5D01), u"sender@example.com"));
  f.mail->props.Set(mapi::MakeTime(PR_CREATION_TIME, Ft(1600000000)));
  f.mail->props.Set(mapi::MakeLong(PR_IMPORTANCE, 0));
  f.mail->props.Set(mapi::MakeUnicode(PR_INTERNET_MESSAGE_ID_W, u"<id@example.com>"));
  f.mail->props.Set(mapi::MakeUnicode(PR_TRANSPORT_MESSAGE_HEADERS_W,
                                      u"Received: from a\r\n\tby b; Mon, 1 Dec 2025 10:00:00 +0000\r\n"
                                      u"Subject: old subject\r\nX-Spam-Score: 0.1\r\n"
                                      u"X-Folded: one\r\n \t\r\n two\r\n\r\n"));  // a blank continuation
  std::string bytes = Convert(f.Open().Get(), CCSF_SMTP);
  for (const mime::Message& got : {mime_test::ReadWithGMime(bytes), mime_test::ReadWithPython(bytes)}) {
    EXPECT_EQ(got.from.name, "Sender Only");
    EXPECT_EQ(got.from.address, "sender@example.com");
    EXPECT_EQ(got.date, 1600000000);
    EXPECT_EQ(got.received, 1764583200) << "without a delivery time the original Received line is the first";
    EXPECT_EQ(got.subject, "");
    EXPECT_EQ(mime_test::HeaderValue(got, "Importance"), "low");
    EXPECT_EQ(mime_test::HeaderValue(got, "Message-ID"), "<id@example.com>");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Spam-Score"), "0.1");
    EXPECT_EQ(mime_test::HeaderValue(got, "X-Folded"), "one two");
  }
}

TEST(MimeConverter, RefusesMissingArgumentsAndUnknownClasses) {
  ComPtr<IConverterSession> session = NewConverter();
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(session->MAPIToMIMEStm(nullptr, stream.Get(), CCSF_SMTP), E_INVALIDARG);
  Fixture f("IPM.Note");
  EXPECT_EQ(session->MAPIToMIMEStm(f.Open().Get(), nullptr, CCSF_SMTP), E_INVALIDARG);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(DllGetClassObject(IID_IConverterSession, IID_IClassFactory, factory.ReleaseAndGetAddressOfVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
}

TEST(MimeConverter, MachineInitRegistersTheConverter) {
  testing_support::TempMachine machine;
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  ComPtr<IConverterSession> session;
  EXPECT_EQ(CoCreateInstance(CLSID_IConverterSession, nullptr, CLSCTX_INPROC_SERVER, IID_IConverterSession,
                             session.ReleaseAndGetAddressOfVoid()),
            REGDB_E_CLASSNOTREG);
  ASSERT_EQ(testing_support::InitMachine(), 0);
  EXPECT_EQ(CoCreateInstance(CLSID_IConverterSession, nullptr, CLSCTX_INPROC_SERVER, IID_IConverterSession,
                             session.ReleaseAndGetAddressOfVoid()),
            S_OK);
  Fixture f("IPM.Note");
  Fill(*f.data, *f.mail);
  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(session->MAPIToMIMEStm(f.Open().Get(), stream.Get(), CCSF_SMTP), S_OK);
  session.Reset();
  CoUninitialize();
}

TEST(MimeConverter, StoreFailuresComeBackAsTheirStatus) {
  for (const char* call : {"GetProps", "GetRecipientTable", "GetAttachmentTable", "OpenAttach"}) {
    Fixture f("IPM.Note");
    Fill(*f.data, *f.mail);
    ComPtr<IMessage> msg = f.Open();
    f.data->faults.Fail(call, MAPI_E_CALL_FAILED);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(NewConverter()->MAPIToMIMEStm(msg.Get(), stream.Get(), CCSF_SMTP), MAPI_E_CALL_FAILED) << call;
  }
}

// --- What the converter takes from which property ------------------------

mime::Message ConvertAndRead(Fixture& f) {
  const std::string bytes = Convert(f.Open().Get());
  mime_test::ExpectConforming(bytes);
  return mime_test::ReadWithGMime(bytes);
}

TEST(MimeConverter, FromCarriesTheBestAddressAndSenderWhenItDiffers) {
  constexpr ULONG kRepSmtp = PROP_TAG(PT_UNICODE, 0x5D02);
  struct Case {
    const char* name;
    std::vector<std::pair<ULONG, std::u16string>> props;
    std::string from, fromName, sender;
  };
  const Case cases[] = {
      {"represented name, sender address only",
       {{PR_SENT_REPRESENTING_NAME_W, u"Dev Ellis"}, {PR_SENDER_EMAIL_ADDRESS_W, u"dev@example.com"}},
       "dev@example.com", "Dev Ellis", ""},
      {"on behalf of someone else",
       {{PR_SENT_REPRESENTING_NAME_W, u"Boss"}, {PR_SENT_REPRESENTING_EMAIL_ADDRESS_W, u"boss@example.com"},
        {PR_SENDER_NAME_W, u"Assistant"}, {PR_SENDER_EMAIL_ADDRESS_W, u"assistant@example.com"}},
       "boss@example.com", "Boss", "assistant@example.com"},
      {"represented address without a name",
       {{PR_SENT_REPRESENTING_EMAIL_ADDRESS_W, u"boss@example.com"}, {PR_SENDER_NAME_W, u"Assistant"},
        {PR_SENDER_EMAIL_ADDRESS_W, u"assistant@example.com"}},
       "boss@example.com", "", "assistant@example.com"},
      {"Exchange address with an SMTP one beside it",
       {{PR_SENT_REPRESENTING_NAME_W, u"Ann"}, {PR_SENT_REPRESENTING_ADDRTYPE_W, u"EX"},
        {PR_SENT_REPRESENTING_EMAIL_ADDRESS_W, u"/o=Org/ou=Site/cn=Recipients/cn=ann"}, {kRepSmtp, u"ann@example.com"},
        {PR_SENDER_ADDRTYPE_W, u"EX"}, {PR_SENDER_EMAIL_ADDRESS_W, u"/o=Org/ou=Site/cn=Recipients/cn=ann"}},
       "ann@example.com", "Ann", ""},
      {"Exchange address alone", {{PR_SENDER_NAME_W, u"Ann"}, {PR_SENDER_ADDRTYPE_W, u"EX"},
                                  {PR_SENDER_EMAIL_ADDRESS_W, u"/o=Org/cn=ann"}}, "", "", ""},
      {"no sender at all", {}, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    for (const auto& [tag, value] : c.props) f.Set(mapi::MakeUnicode(tag, value));
    const mime::Message got = ConvertAndRead(f);
    EXPECT_EQ(got.from.address, c.from);
    EXPECT_EQ(got.from.name, c.fromName);
    const std::string sender = mime_test::HeaderValue(got, "Sender");
    if (c.sender.empty()) {
      EXPECT_EQ(sender, "");
    } else {
      EXPECT_NE(sender.find(c.sender), std::string::npos) << sender;
    }
  }
}

TEST(MimeConverter, RecipientTypeFlagsAreMaskedAndResendCopiesLeftOut) {
  constexpr ULONG kSubmitted = 0x80000000u, kP1 = 0x10000000u;
  Fixture f;
  f.mail->recipients.push_back(Recipient(kSubmitted | MAPI_TO, u"To", u"to@example.com"));
  f.mail->recipients.push_back(Recipient(kSubmitted | MAPI_CC, u"Cc", u"cc@example.com"));
  f.mail->recipients.push_back(Recipient(kSubmitted | MAPI_BCC, u"Bcc", u"bcc@example.com"));
  f.mail->recipients.push_back(Recipient(kP1 | MAPI_TO, u"Resent", u"resent@example.com"));
  const mime::Message got = ConvertAndRead(f);
  ASSERT_EQ(got.to.size(), 1u);
  EXPECT_EQ(got.to[0].address, "to@example.com");
  ASSERT_EQ(got.cc.size(), 1u);
  EXPECT_EQ(got.cc[0].address, "cc@example.com");
  ASSERT_EQ(got.bcc.size(), 1u);
  EXPECT_EQ(got.bcc[0].address, "bcc@example.com");
}

TEST(MimeConverter, RtfOnlyMessagesTakeTheirBodyFromTheRtf) {
  struct Case {
    const char* name;
    std::string rtf;
    bool compressed;
    size_t fromDictionary;
    std::optional<std::string> text, html;
  };
  const std::string html =
      "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl {\\f0\\fswiss Arial;}}"
      "{\\*\\htmltag64 <html>}{\\*\\htmltag64 <body>}{\\*\\htmltag64 <p>}\\htmlrtf {\\htmlrtf0 caf\\'e9 "
      "\\u8364?\\htmlrtf }\\htmlrtf0 {\\*\\htmltag72 </p>}\\htmlrtf\\par\\htmlrtf0 {\\*\\htmltag64 </body>}"
      "{\\*\\htmltag64 </html>}}";
  const Case cases[] = {
      {"stored text RTF",
       "{\\rtf1\\ansi\\ansicpg1252\\fromtext \\deff0{\\fonttbl{\\f0 Arial;}}{\\*\\generator x;}\\pard Hello "
       "caf\\'e9\\par Line two \\u8364?\\tab end\\par}",
       false, 0, "Hello café\r\nLine two €\tend\r\n", std::nullopt},
      {"compressed RTF with a dictionary reference", "{\\rtf1\\ansi\\ansicpg1252\\pard plain \\'e9\\par}", true, 11,
       "plain é\r\n", std::nullopt},
      {"encapsulated HTML", html, true, 0, std::nullopt, "<html><body><p>café €</p></body></html>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.Set(mapi::MakeBinary(PR_RTF_COMPRESSED, RtfProperty(c.rtf, c.compressed, c.fromDictionary)));
    const mime::Message got = ConvertAndRead(f);
    EXPECT_EQ(got.textBody, c.text);
    EXPECT_EQ(got.htmlBody, c.html);
  }
  // Beside a text body, the HTML the RTF encapsulates is the HTML body.
  Fixture f;
  f.Set(mapi::MakeUnicode(PR_BODY_W, u"café €\r\n"));
  f.Set(mapi::MakeBinary(PR_RTF_COMPRESSED, RtfProperty(html, false)));
  const mime::Message got = ConvertAndRead(f);
  EXPECT_EQ(got.textBody, "café €\r\n");
  EXPECT_EQ(got.htmlBody, "<html><body><p>café €</p></body></html>");
}

TEST(MimeConverter, HtmlKeepsItsCodePageWithAMatchingMetaCharset) {
  struct Case {
    const char* name;
    std::optional<LONG> cpid;
    std::string html;
    const char* charset;
    std::string read;  // the HTML decoded, in UTF-8
  };
  const Case cases[] = {
      {"code page 1252, meta naming UTF-8", 1252,
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>caf\xE9</html>",
       "windows-1252",
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"></head>café</html>"},
      {"Arabic code page", 1256, "<p>\xE3\xD1\xCD\xC8\xC7</p>", "windows-1256", "<p>مرحبا</p>"},
      {"no code page, meta charset", std::nullopt, "<meta charset=\"iso-8859-2\"><p>\xB1</p>", "iso-8859-2",
       "<meta charset=\"iso-8859-2\"><p>ą</p>"},
      {"no code page, UTF-8 bytes", std::nullopt, "<p>ü</p>", "utf-8", "<p>ü</p>"},
      {"no code page, other bytes", std::nullopt, "<p>\xFC</p>", "windows-1252", "<p>ü</p>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.Set(mapi::MakeBinary(PR_HTML, c.html));
    if (c.cpid) f.Set(mapi::MakeLong(PR_INTERNET_CPID, *c.cpid));
    const std::string bytes = Convert(f.Open().Get());
    EXPECT_NE(bytes.find(std::string("text/html; charset=") + c.charset), std::string::npos) << bytes;
    EXPECT_EQ(mime_test::ReadWithGMime(bytes).htmlBody, c.read);
    EXPECT_EQ(mime_test::ReadWithPython(bytes).htmlBody, c.read);
  }
}

// --- Conformance over whole stores ---------------------------------------

// True when the message names its sender or represented sender by an
// internet address, so that its From must carry one.
bool HasSenderAddress(IMessage* m) {
  pst_test::Values v = pst_test::GetProps(m, {PR_SENDER_EMAIL_ADDRESS_W, PR_SENT_REPRESENTING_EMAIL_ADDRESS_W,
                                              PROP_TAG(PT_UNICODE, 0x5D01), PROP_TAG(PT_UNICODE, 0x5D02)},
                                          MAPI_UNICODE);
  for (ULONG i = 0; i < v.count; ++i)
    if (PROP_TYPE(v[i].ulPropTag) == PT_UNICODE && pst_test::Utf8(v[i]).find('@') != std::string::npos) return true;
  return false;
}

// Converts every message of the PST into dir ("<n>.eml", "<n>-from.eml"
// when From must carry an address) and runs the RFC checks over them.
void ExpectEveryMessageConforms(const std::filesystem::path& pst, const std::filesystem::path& dir) {
  ComPtr<IMsgStore> store = pst_test::OpenStore(pst);
  ASSERT_TRUE(store) << pst;
  std::filesystem::create_directories(dir);
  int n = 0;
  pst_test::ForEachMessage(store.Get(), [&](IMessage* m) {
    const std::string name = std::to_string(++n) + (HasSenderAddress(m) ? "-from.eml" : ".eml");
    std::ofstream(dir / name, std::ios::binary) << Convert(m);
  });
  ASSERT_GT(n, 0);
  const std::string command = "/usr/bin/python3 " MIME_TESTS_DIR "/mime_check.py '" + dir.string() + "' 2>&1";
  std::string report;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t got; (got = fread(buf, 1, sizeof buf, p)) > 0;) report.append(buf, got);
    EXPECT_EQ(pclose(p), 0) << n << " messages of " << pst << ":\n" << report;
  }
}

TEST(MimeConverter, EveryMessageOfASyntheticPstConforms) {
  testing_support::TempMachine machine;
  const auto pst = machine.scratch() / "synthetic.pst";
  const std::string command = (testing_support::BuildDir() / "bin" / "pstgen").string() + " --synthetic 400 --seed 7 '" +
                              pst.string() + "' > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ExpectEveryMessageConforms(pst, machine.scratch() / "eml");
}

// Through the PST provider, the cases the synthetic file lacks: RTF-only
// bodies, a represented name with the sender's address, flagged recipient
// types, transport headers with 8-bit text, HTML in another code page,
// non-ASCII file names and long non-ASCII subjects.
TEST(MimeConverter, EveryMessageOfADescribedPstConforms) {
  testing_support::TempMachine machine;
  const auto pst = pst_test::MakePst(machine.scratch(), R"({"folders": [{"name": "Inbox", "messages": [
    {"props": {"PR_SUBJECT_W": "RTF only", "PR_SENT_REPRESENTING_NAME_W": "Dev Ellis",
               "PR_SENDER_EMAIL_ADDRESS_W": "dev@example.com",
               "PR_RTF_COMPRESSED": "rtf:{\\rtf1\\ansi\\ansicpg1252\\pard caf\\'e9\\par}"},
     "recipients": [{"name": "Submitted Cc", "email": "cc@example.com", "props": {"PR_RECIPIENT_TYPE": "0x80000002"}}]},
    {"props": {"PR_SUBJECT_W": "Transport", "PR_SENDER_NAME_W": "T", "PR_SENDER_EMAIL_ADDRESS_W": "t@example.com",
               "PR_TRANSPORT_MESSAGE_HEADERS_W": "Received: from a.example.com by b.example.com with ESMTP id 0123456789 for <x@example.com>; Mon, 1 Dec 2025 10:00:00 +0000\r\nX-Note: Grüße aus Köln\r\nReturn-Path: <r@example.com>\r\n\r\n",
               "PR_HTML": "base64:PHA+49HNyMc8L3A+", "PR_INTERNET_CPID": 1256, "PR_BODY_W": "text"},
     "attachments": [{"long_filename": "Übersicht – 年次報告書 2026 (endgültige Fassung).pdf", "data": "base64:JVBERg=="}]},
    {"props": {"PR_SUBJECT_W": "日本語の件名です。とても長い件名で、折り返しが必要になります。さらに続きます。",
               "PR_SENT_REPRESENTING_NAME_W": "山田 太郎", "PR_SENT_REPRESENTING_EMAIL_ADDRESS_W": "taro@example.jp",
               "PR_BODY_W": "本文\r\n"}}]}]})");
  ExpectEveryMessageConforms(pst, machine.scratch() / "eml");
}

TEST(MimeConverter, EveryMessageOfTheOutlookSampleConforms) {
  const auto pst = pst_test::Sample();
  if (!std::filesystem::exists(pst)) GTEST_SKIP() << pst << " is not there";
  testing_support::TempMachine machine;
  ExpectEveryMessageConforms(pst, machine.scratch() / "eml");
}

}  // namespace
