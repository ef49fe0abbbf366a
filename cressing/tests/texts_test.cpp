// Error texts, folder-list pieces and the list file writer.
#include <gtest/gtest.h>

#include "FolderText.h"
#include "ListFile.h"
#include "MapiErrorText.h"
#include "cressing_test_support.h"
#include "mapi/mapicode.h"

namespace {

constexpr char16_t kNotFoundText[] =
    u"You may be trying to use a resource that does not exist. \r\nThis happens when you try to use a server or "
    u"you try to logon to a mailbox that does not exist.";

TEST(MapiErrorText, PicksExplanationThenStepThenUnexpectedError) {
  const struct {
    const char* name;
    HRESULT status;
    std::u16string step, user, mailbox, expected;
  } cases[] = {
      {"table text", MAPI_E_LOGON_FAILED, u"step", u"", u"",
       u"You are trying to access a mailbox or pst file that does not exist or you are using invalid logon "
       u"information. \r\nOr you have insufficient rights on the Exchange mailbox."},
      {"warning in the table", MAPI_W_APPROX_COUNT, u"step", u"", u"",
       u"The call succeeded, but an approximate row count was returned because the \r\nexact row count could not "
       u"be determined possibly due to memory constraints."},
      {"typo kept", MAPI_W_NO_SERVICE, u"", u"", u"", u"NO SERVICE AVALIABLE."},
      {"COM-shared code", E_FAIL, u"", u"", u"",
       u"It is probable that the sending limit property has been set on the mailbox \r\nand there are enough "
       u"messages in the mailbox to meet the limit criteria."},
      {"not found, mailbox unknown", MAPI_E_NOT_FOUND, u"step", u"jo", u"", kNotFoundText},
      {"not found, user unknown", MAPI_E_NOT_FOUND, u"step", u"", u"Ann", kNotFoundText},
      {"not found, both known", MAPI_E_NOT_FOUND, u"step", u"jo", u"Ann",
       u"User \"jo\" does not have rights to enumerate \"Ann\" mailbox."},
      {"fail one provider, both known", MAPI_E_FAILONEPROVIDER, u"", u"jo", u"Ann",
       u"User \"jo\" does not have rights to enumerate \"Ann\" mailbox."},
      {"fail one provider alone", MAPI_E_FAILONEPROVIDER, u"", u"jo", u"",
       u"Access denied due to insufficient permission for selected folder."},
      {"outside the table", static_cast<HRESULT>(0x80041234), u"Fail to get session.", u"", u"",
       u"Fail to get session."},
      {"outside the table, no step", static_cast<HRESULT>(0x80041234), u"", u"", u"", u"Unexpected Error"},
      {"no status", S_OK, u"Fail to get session.", u"", u"", u"Fail to get session."},
      {"logon without MAPI", 2, u"Fail to login in PST Files case.", u"", u"", u"Fail to login in PST Files case."},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MapiErrorText(c.status, c.step, c.user, c.mailbox), c.expected) << c.name;
}

TEST(MapiErrorText, UserCancelHasNoExplanationButIsKnown) {
  const MapiErrorExplanation* row = FindMapiErrorExplanation(MAPI_E_USER_CANCEL);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->text, nullptr);
  // Its text is the system's when the system has one, else the step text.
  const std::u16string text = MapiErrorText(MAPI_E_USER_CANCEL, u"step", u"", u"");
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(FindMapiErrorExplanation(static_cast<HRESULT>(0x80040104)), nullptr) << "a gap in the codes";
}

TEST(FolderText, TypeFromContainerClassComparedWholeAndCaseSensitively) {
  const struct {
    std::u16string cls;
    int type;
  } cases[] = {
      {u"IPF.Appointment", 7}, {u"IPF.Contact", 8}, {u"IPF.StickyNote", 9}, {u"IPF.Task", 10},
      {u"IPF.Journal", 11},    {u"IPF.Note", 6},    {u"IPF.contact", 6},    {u"IPF.Contact.Sub", 6},
      {u"", 6},
  };
  for (const auto& c : cases) EXPECT_EQ(GetFolderType(c.cls), c.type) << win32::Utf16ToUtf8(c.cls);
  EXPECT_EQ(WithTypePart(NameWithCount(u"Inbox", 5), 6), u"Inbox (5)<//FolderType//> 6");
}

TEST(ListFile, WritesUtf16LeLinesWithCrLfAndReplacesAnOldFile) {
  testing_support::TempMachine machine;
  cressing_test::TempFolder temp(machine.scratch());
  {
    ListFile old;
    ASSERT_TRUE(old.Create(u"FolderName.txt"));
    old.WriteLine(u"a much longer line that must not survive");
  }
  ListFile file;
  ASSERT_TRUE(file.Create(u"FolderName.txt"));
  file.WriteLine(u"Bo\u00EEte");
  file.WriteLine(u"");
  file.WriteLine(u"\U0001F4E7");
  file.Close();
  EXPECT_EQ(cressing_test::ReadBytes(temp.File("FolderName.txt")),
            cressing_test::ListBytes({u"Bo\u00EEte", u"", u"\U0001F4E7"}));
}

TEST(ListFile, NoFileWhenTheTemporaryFolderDoesNotFitItsBuffer) {
  namespace fs = std::filesystem;
  testing_support::TempMachine machine;
  // The buffer holds 260 units with the terminator: a folder of 258 units
  // with its separator fits, one unit more does not.
  const std::size_t base = machine.scratch().native().size() + 1;
  const fs::path fits = machine.scratch() / std::string(258 - base, 'f');
  const fs::path over = machine.scratch() / std::string(259 - base, 'o');
  fs::create_directory(fits);
  fs::create_directory(over);
  {
    cressing_test::TempFolder temp(fits);
    EXPECT_EQ(TempListPath(u"DisplayName.txt"), win32::Utf8ToUtf16(fits.string()) + u"/\\DisplayName.txt");
    ListFile file;
    EXPECT_TRUE(file.Create(u"DisplayName.txt"));
  }
  cressing_test::TempFolder temp(over);
  EXPECT_EQ(TempListPath(u"DisplayName.txt"), u"");
  ListFile file;
  EXPECT_FALSE(file.Create(u"DisplayName.txt")) << "never a file at the root instead";
  EXPECT_FALSE(file.IsOpen());
}

}  // namespace
