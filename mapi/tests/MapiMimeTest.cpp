// Saving a message as MIME with a test converter: every path of the save,
// from no converter at all to one that throws.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "com/com.h"
#include "fake_mapi.h"
#include "mapi/mimeconv.h"
#include "mapisupport/MapiMime.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace fs = std::filesystem;

namespace {

// The test converter never looks at the message.
LPMESSAGE AnyMessage() {
  static int message;
  return reinterpret_cast<LPMESSAGE>(&message);
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class MapiMimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_mapi::InstallSystem("fake_file_stream");
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  }
  void TearDown() override {
    CoUninitialize();
    unsetenv("FAKE_CONVERTER_MODE");
  }
  void RegisterConverter() {
    ASSERT_EQ(com::RegisterInprocServer(CLSID_IConverterSession, u"", fake_mapi::Library("fake_converter")), S_OK);
  }
  int ConvertersAlive() {
    return fake_mapi::Control<int (*)()>(fake_mapi::Open(fake_mapi::Library("fake_converter")),
                                         "FakeConverter_Alive")();
  }
  std::u16string Path() const { return win32::Utf8ToUtf16(file.string()); }

  testing_support::TempMachine machine;
  fs::path file = machine.scratch() / "MSG1.eml";
};

struct ModeCase {
  const char* mode;
  HRESULT expected;
  bool written;
};

TEST_F(MapiMimeTest, ConverterOutcomes) {
  RegisterConverter();
  const ModeCase cases[] = {
      {"ok", S_OK, true},
      {"warn", 0x00040680, true},  // a warning still writes the file and is returned
      {"fail", static_cast<HRESULT>(0x80040605u), false},
      {"throw", S_FALSE, false},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    fs::remove(file);
    setenv("FAKE_CONVERTER_MODE", c.mode, 1);
    EXPECT_EQ(SaveMessageToEml(AnyMessage(), Path().c_str(), CCSF_SMTP), c.expected);
    EXPECT_EQ(fs::exists(file), c.written);
    if (c.written) {
      EXPECT_EQ(Read(file), "Subject: fake 2\r\n\r\nbody\r\n");
    }
    EXPECT_EQ(ConvertersAlive(), 0);
  }
}

TEST_F(MapiMimeTest, ExistingFileIsReplaced) {
  RegisterConverter();
  { std::ofstream(file) << std::string(500, 'x'); }
  EXPECT_EQ(SaveMessageToEml(AnyMessage(), Path().c_str(), CCSF_USE_TNEF), S_OK);
  EXPECT_EQ(Read(file), "Subject: fake 16\r\n\r\nbody\r\n");
}

TEST_F(MapiMimeTest, MissingArgumentsDoNothing) {
  RegisterConverter();
  EXPECT_EQ(SaveMessageToEml(nullptr, Path().c_str(), CCSF_SMTP), E_INVALIDARG);
  EXPECT_EQ(SaveMessageToEml(AnyMessage(), nullptr, CCSF_SMTP), E_INVALIDARG);
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(MapiMimeTest, NoConverterRegisteredReportsSuccessAndWritesNothing) {
  EXPECT_EQ(SaveMessageToEml(AnyMessage(), Path().c_str(), CCSF_SMTP), S_OK);
  EXPECT_FALSE(fs::exists(file));
}

TEST(MapiMimeWithoutMapi, NoFileStreamGivesEFail) {
  testing_support::TempMachine machine;
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  ASSERT_EQ(com::RegisterInprocServer(CLSID_IConverterSession, u"", fake_mapi::Library("fake_converter")), S_OK);
  const fs::path file = machine.scratch() / "MSG1.eml";
  EXPECT_EQ(SaveMessageToEml(AnyMessage(), win32::Utf8ToUtf16(file.string()).c_str(), CCSF_SMTP), E_FAIL);
  EXPECT_FALSE(fs::exists(file));
  CoUninitialize();
}

}  // namespace
