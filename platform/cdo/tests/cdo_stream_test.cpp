// ADO Stream: opening, loading files by Windows path, and the statuses of
// what it refuses; registration of both classes.
#include <fstream>

#include "cdo_test_support.h"

namespace cdo_test {
namespace {

TEST(CdoRegistration, ClassesAreUnknownUntilMachineInit) {
  testing_support::TempMachine machine;
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  for (const CLSID* clsid : {&ADODB::CLSID_Stream, &CDO::CLSID_Message}) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(*clsid, nullptr, 7, IID_IUnknown, object.ReleaseAndGetAddressOfVoid()),
              REGDB_E_CLASSNOTREG);
  }
  CoUninitialize();
}

TEST_F(CdoTest, StreamLoadsAFileByItsWindowsPath) {
  const auto file = machine_.scratch() / "loaded.eml";
  std::ofstream(file, std::ios::binary) << "Subject: loaded\r\n\r\nbody\r\n";
  ComPtr<ADODB::_Stream> stream = NewStream();
  EXPECT_EQ(stream->LoadFromFile(Bstr(u"x")), ADODB::adErrObjectClosed);
  ASSERT_EQ(stream->Open(LeftOut(), ADODB::adModeUnknown, ADODB::adOpenStreamUnspecified, Bstr(u""), Bstr(u"")), S_OK);
  EXPECT_EQ(stream->Open(LeftOut(), ADODB::adModeUnknown, ADODB::adOpenStreamUnspecified, Bstr(u""), Bstr(u"")),
            ADODB::adErrObjectOpen);
  EXPECT_EQ(stream->LoadFromFile(Bstr(win32::Utf8ToUtf16((machine_.scratch() / "missing.eml").string()))),
            ADODB::adErrOpeningFile);
  std::u16string windowsPath = win32::Utf8ToUtf16(file.string());
  std::replace(windowsPath.begin(), windowsPath.end(), u'/', u'\\');
  ASSERT_EQ(stream->LoadFromFile(Bstr(windowsPath)), S_OK);
  // The bytes are the stream's own: the file may go.
  std::filesystem::remove(file);
  ComPtr<IStream> bytes = stream.As<IStream>();
  ASSERT_TRUE(bytes);
  char buffer[64] = {};
  ULONG got = 0;
  EXPECT_EQ(bytes->Read(buffer, sizeof buffer, &got), S_OK);
  EXPECT_EQ(std::string(buffer, got), "Subject: loaded\r\n\r\nbody\r\n");
  EXPECT_EQ(stream->Close(), S_OK);
  EXPECT_EQ(bytes->Read(buffer, sizeof buffer, &got), ADODB::adErrObjectClosed);
}

TEST_F(CdoTest, StreamOpensOnlyWithoutASource) {
  ComPtr<ADODB::_Stream> stream = NewStream();
  VARIANT url;
  VariantInit(&url);
  url.vt = VT_BSTR;
  url.bstrVal = SysAllocString(u"http://example.com/a.eml");
  EXPECT_EQ(stream->Open(url, ADODB::adModeRead, ADODB::adOpenStreamUnspecified, Bstr(u""), Bstr(u"")),
            ADODB::adErrInvalidArgument);
  VariantClear(&url);
  VARIANT empty;
  VariantInit(&empty);
  EXPECT_EQ(stream->Open(empty, ADODB::adModeUnknown, ADODB::adOpenStreamUnspecified, nullptr, nullptr), S_OK);
}

}  // namespace
}  // namespace cdo_test
