// Reading a MIME file the way the Notes import engine does: an ADO Stream
// loaded from the file, handed to a CDO Message through IDataSource, then
// released before the properties are read. Objects come from the registry
// of a temporary machine that `brackenford machine init` filled.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "cdo/ado.h"
#include "cdo/cdo.h"
#include "com/com.h"
#include "testing/temp_machine.h"
#include "win32/oledate.h"
#include "win32/text.h"

namespace cdo_test {

struct ReadBack {
  HRESULT load = E_FAIL;  // Open and LoadFromFile
  HRESULT open = E_FAIL;  // OpenObject
  DATE received = 0;
  std::string from, to, cc, bcc, subject, html, text;  // UTF-8
};

class BstrText {
 public:
  ~BstrText() { SysFreeString(b_); }
  BSTR* Out() { return &b_; }
  std::string Utf8() const { return b_ ? win32::Utf16ToUtf8(std::u16string(b_, SysStringLen(b_))) : "<null>"; }

 private:
  BSTR b_ = nullptr;
};

class Bstr {
 public:
  explicit Bstr(std::u16string_view s)
      : b_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()), static_cast<UINT>(s.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  operator BSTR() const { return b_; }

 private:
  BSTR b_;
};

inline VARIANT LeftOut() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

// A temporary machine with the servers registered, COM initialised, and
// the zone fixed so that local times are known.
class CdoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(testing_support::InitMachine(), 0);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
  void TearDown() override { CoUninitialize(); }

  ComPtr<ADODB::_Stream> NewStream() {
    ComPtr<ADODB::_Stream> s;
    EXPECT_EQ(CoCreateInstance(ADODB::CLSID_Stream, nullptr, 7, ADODB::IID__Stream, s.ReleaseAndGetAddressOfVoid()),
              S_OK);
    return s;
  }
  ComPtr<CDO::IMessage> NewMessage() {
    ComPtr<CDO::IMessage> m;
    EXPECT_EQ(CoCreateInstance(CDO::CLSID_Message, nullptr, 7, CDO::IID_IMessage, m.ReleaseAndGetAddressOfVoid()),
              S_OK);
    return m;
  }

  ReadBack Read(const std::filesystem::path& file) {
    ReadBack r;
    ComPtr<CDO::IMessage> message = NewMessage();
    {
      ComPtr<ADODB::_Stream> stream = NewStream();
      r.load = stream->Open(LeftOut(), ADODB::adModeUnknown, ADODB::adOpenStreamUnspecified, Bstr(u""), Bstr(u""));
      if (SUCCEEDED(r.load)) r.load = stream->LoadFromFile(Bstr(win32::Utf8ToUtf16(file.string())));
      ComPtr<CDO::IDataSource> source = message.As<CDO::IDataSource>();
      r.open = source->OpenObject(stream.Get(), Bstr(u"_Stream"));
    }
    EXPECT_EQ(message->get_ReceivedTime(&r.received), S_OK);
    const std::pair<HRESULT (STDMETHODCALLTYPE CDO::IMessage::*)(BSTR*), std::string*> texts[] = {
        {&CDO::IMessage::get_BCC, &r.bcc},         {&CDO::IMessage::get_CC, &r.cc},
        {&CDO::IMessage::get_From, &r.from},       {&CDO::IMessage::get_To, &r.to},
        {&CDO::IMessage::get_Subject, &r.subject}, {&CDO::IMessage::get_HTMLBody, &r.html},
        {&CDO::IMessage::get_TextBody, &r.text}};
    for (const auto& [get, out] : texts) {
      BstrText value;
      EXPECT_EQ((message.Get()->*get)(value.Out()), S_OK);
      *out = value.Utf8();
    }
    return r;
  }

  testing_support::TempMachine machine_;
};

// What one message should read as.
struct Fields {
  DATE received;
  const char* from;
  const char* to;
  const char* cc;
  const char* bcc;
  const char* subject;
  const char* html;
  const char* text;
};

inline void ExpectFields(const ReadBack& r, const Fields& want) {
  EXPECT_EQ(r.load, S_OK);
  EXPECT_EQ(r.open, S_OK);
  EXPECT_DOUBLE_EQ(r.received, want.received);
  EXPECT_EQ(r.from, want.from);
  EXPECT_EQ(r.to, want.to);
  EXPECT_EQ(r.cc, want.cc);
  EXPECT_EQ(r.bcc, want.bcc);
  EXPECT_EQ(r.subject, want.subject);
  EXPECT_EQ(r.html, want.html);
  EXPECT_EQ(r.text, want.text);
}

// Local calendar time as an OLE date; 0 for no date.
inline DATE LocalDate(int year, int month, int day, int hour, int minute, int second) {
  DATE d = 0;
  win32::OleDateFromParts(year, month, day, hour, minute, second, d);
  return d;
}

}  // namespace cdo_test
