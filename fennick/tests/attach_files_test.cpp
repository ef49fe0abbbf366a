// Attachments the library refuses, in process: the entry is reported with
// the library's message and its file is left under its stored name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "NotesEngine.h"
#include "notes/lnerror.h"
#include "notes/templates.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace {

namespace fs = std::filesystem;

std::u16string U16(const fs::path& path) { return win32::Utf8ToUtf16(path.string()); }

TEST(AttachFiles, AnAttachmentTheLibraryRefusesIsReportedAndItsFileKept) {
  testing_support::TempMachine machine;
  std::string error;
  ASSERT_TRUE(notes::InstallMailTemplates(&error)) << error;
  CNotesEngine engine;
  ASSERT_EQ(engine.CreateNsf(U16(machine.scratch()), u"Box"), 1);

  const fs::path folder = machine.scratch() / "work";
  fs::create_directories(folder);
  std::ofstream(folder / "{G1}") << "kept";
  const std::u16string list = U16(folder / "AttachmentList.txt");
  const std::u16string text = u"{G1}\r\nrefused.txt\r\n" + U16(folder) + u"\\\r\n";
  std::ofstream out(fs::path(win32::Utf16ToUtf8(list)), std::ios::binary);
  for (char16_t unit : text) out << static_cast<char>(unit & 0xFF) << static_cast<char>(unit >> 8);
  out.close();

  LNDocument document;  // never opened: the library takes no attachment
  ASSERT_EQ(engine.Database().CreateDocument(&document), LNNOERROR);
  EXPECT_FALSE(engine.AttachFiles(document, list));
  char message[512];
  LNGetErrorMessageText(LNERR_OBJECT_NOT_OPEN, message, sizeof message);
  EXPECT_EQ(win32::Utf16ToUtf8(engine.GetErrorText()),
            std::string("Unable to attach \"refused.txt\": ") + message + ".");
  EXPECT_TRUE(fs::exists(folder / "{G1}"));
  EXPECT_FALSE(fs::exists(folder / "refused.txt"));
}

}  // namespace
