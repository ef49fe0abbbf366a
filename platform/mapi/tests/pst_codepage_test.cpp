// 8-bit strings of ANSI files in their items' code pages: the rule that
// picks an item's code page, items of different pages side by side in one
// folder (objects, table rows, recipients, attachments), and the Japanese
// file Outlook wrote, whose contact declares its locale and whose folders
// read in the machine's code page.
#include <algorithm>
#include <cstdlib>

#include "pst/pst_codepage.h"
#include "pst_test_support.h"
#include "win32/codepage.h"

namespace {

using namespace pst_test;

TEST(PstCodePage, TheItemsDeclarationsThenTheMachines) {
  struct Case {
    const char* what;
    pst::TextDeclarations item;
    UINT machine;
    UINT expected;
  } cases[] = {
      {"nothing declared", {}, 1252, 1252},
      {"nothing declared, another machine", {}, 932, 932},
      {"code page", {1251, 0x0411, 50220}, 1252, 1251},
      {"code page as declared, not mapped", {28591, {}, {}}, 932, 28591},
      {"locale before internet code page", {{}, 0x0419, 50220}, 1252, 1251},
      {"Japanese locale", {{}, 0x0411, {}}, 1252, 932},
      {"locale with a sort order", {{}, 0x00040411, {}}, 1252, 932},
      {"Chinese of Taiwan", {{}, 0x0404, {}}, 1252, 950},
      {"Chinese of China", {{}, 0x0804, {}}, 1252, 936},
      {"Serbian in Cyrillic", {{}, 0x0C1A, {}}, 1252, 1251},
      {"Korean", {{}, 0x0412, {}}, 1252, 949},
      {"Thai", {{}, 0x041E, {}}, 1252, 874},
      {"ISO-2022-JP is held in 932", {{}, {}, 50220}, 1252, 932},
      {"EUC-KR is held in 949", {{}, {}, 51949}, 1252, 949},
      {"ISO-8859-5 is held in 1251", {{}, {}, 28595}, 1252, 1251},
      {"an ANSI internet code page", {{}, {}, 1253}, 1252, 1253},
      {"UTF-8 has no ANSI page", {{}, {}, 65001}, 1250, 1250},
      {"default locale passes over", {{}, 0x0400, 1257}, 1252, 1257},
      {"Unicode-only locale passes over", {{}, 0x0439, {}}, 1250, 1250},
      {"unknown code page passes over", {12345, 0x0411, {}}, 1252, 932},
      {"CP_ACP declared passes over", {0, {}, {}}, 1255, 1255},
  };
  for (const Case& c : cases) EXPECT_EQ(pst::ItemCodePage(c.item, c.machine), c.expected) << c.what;
}

// Messages of four code pages in one folder of an ANSI file, on a machine
// whose own page is 1250: pstgen writes each one's PT_STRING8 values in
// its declared page (1252 when it declares none).
constexpr const char* kMixed = R"({"format": "ansi", "folders": [{"name": "Mixed", "messages": [
  {"props": {"PR_MESSAGE_CODEPAGE": 932, "0x0037001E": "日本語の件名"},
   "recipients": [{"props": {"0x3001001E": "山田 太郎"}}],
   "attachments": [{"method": 1, "data": "base64:aGk=", "props": {"0x3707001E": "資料.txt"}}]},
  {"props": {"0x3FF10003": 1049, "PR_INTERNET_CPID": 1251, "0x0037001E": "Привет"}},
  {"props": {"PR_INTERNET_CPID": 1253, "0x0037001E": "Γειά"}},
  {"props": {"0x0037001E": "¥"}},
  {"props": {"PR_MESSAGE_CODEPAGE": 1252, "0x3FF10003": 1041, "0x0037001E": "café"}}]}]})";

class PstCodePageMixed : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv(win32::kCodePageVariable);
    ASSERT_EQ(win32::SetMachineCodePage(1250), ERROR_SUCCESS);
    store_ = OpenStore(MakePst(machine_.scratch(), kMixed, "mixed.pst"));
    ASSERT_TRUE(store_);
    ComPtr<IMAPIFolder> subtree = Open<IMAPIFolder>(store_.Get(), GetProps(store_.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
    ComPtr<IMAPITable> level;
    ASSERT_EQ(subtree->GetHierarchyTable(0, level.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet folders = AllRows(level.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID});
    for (ULONG i = 0; i < folders->cRows; ++i)
      if (Text(folders->aRow[i].lpProps[0]) == u"Mixed") folder_ = Open<IMAPIFolder>(store_.Get(), folders->aRow[i].lpProps[1]);
    ASSERT_TRUE(folder_);
  }
  testing_support::TempMachine machine_;
  ComPtr<IMsgStore> store_;
  ComPtr<IMAPIFolder> folder_;
};

TEST_F(PstCodePageMixed, EachMessageReadsInItsOwnCodePage) {
  const std::vector<std::u16string> subjects = {u"日本語の件名", u"Привет", u"Γειά",
                                                u"\u0104" /* 0xA5 read in the machine's 1250 */, u"café"};
  ComPtr<IMAPITable> contents;
  ASSERT_EQ(folder_->GetContentsTable(MAPI_UNICODE, contents.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(contents.Get(), {PR_SUBJECT_W, PR_ENTRYID, PROP_TAG(PT_UNSPECIFIED, PROP_ID(PR_SUBJECT))});
  ASSERT_EQ(rows->cRows, subjects.size());
  for (ULONG i = 0; i < rows->cRows; ++i) {
    SCOPED_TRACE(win32::Utf16ToUtf8(subjects[i]));
    EXPECT_EQ(Text(rows->aRow[i].lpProps[0]), subjects[i]);
    EXPECT_EQ(Text(rows->aRow[i].lpProps[2]), subjects[i]);
    ComPtr<IMessage> m = Open<IMessage>(store_.Get(), rows->aRow[i].lpProps[1]);
    ASSERT_TRUE(m);
    EXPECT_EQ(Text(GetProps(m.Get(), {PR_SUBJECT_W})[0]), subjects[i]);
    Values all = GetProps(m.Get(), {}, MAPI_UNICODE);
    for (ULONG k = 0; k < all.count; ++k)
      if (PROP_ID(all[k].ulPropTag) == PROP_ID(PR_SUBJECT)) {
        EXPECT_EQ(Text(all[k]), subjects[i]);
      }
  }

  // The Japanese message's recipients and attachments share its code page,
  // in tables and objects; its 8-bit values stay the bytes it stores.
  ComPtr<IMessage> japanese = Open<IMessage>(store_.Get(), rows->aRow[0].lpProps[1]);
  Values narrow = GetProps(japanese.Get(), {PR_SUBJECT_A});
  EXPECT_EQ(std::string(narrow[0].Value.lpszA), "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x8c\x8f\x96\xbc");
  ComPtr<IMAPITable> recipients, attachments;
  ASSERT_EQ(japanese->GetRecipientTable(0, recipients.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(Text(AllRows(recipients.Get(), {PR_DISPLAY_NAME_W})->aRow[0].lpProps[0]), u"山田 太郎");
  ASSERT_EQ(japanese->GetAttachmentTable(0, attachments.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(Text(AllRows(attachments.Get(), {PR_ATTACH_LONG_FILENAME_W})->aRow[0].lpProps[0]), u"資料.txt");
  ComPtr<IAttach> file;
  ASSERT_EQ(japanese->OpenAttach(0, nullptr, 0, file.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(Text(GetProps(file.Get(), {PR_ATTACH_LONG_FILENAME_W})[0]), u"資料.txt");
}

// The Japanese file Outlook wrote: the contact declares locale 0x0411 and
// reads in Japanese on any machine; the folders declare nothing and read in
// the machine's code page, or the run's.
class PstCodePageJapanese : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_SHARED_FIXTURE(file, "outlook-ansi-japanese.pst");
    file_ = file;
    ::unsetenv(win32::kCodePageVariable);
  }
  void TearDown() override { ::unsetenv(win32::kCodePageVariable); }

  // The contacts folder's name as the root's sub-folders list it, and the
  // contact's names, read through the store opened now.
  struct Seen {
    std::vector<std::u16string> folders;
    std::u16string surname, givenName, tableSurname;
  };
  Seen Read() {
    Seen seen;
    ComPtr<IMsgStore> store = OpenStore(file_);
    EXPECT_TRUE(store);
    if (!store) return seen;
    ComPtr<IMAPIFolder> subtree = Open<IMAPIFolder>(store.Get(), GetProps(store.Get(), {PR_IPM_SUBTREE_ENTRYID})[0]);
    ComPtr<IMAPITable> level;
    EXPECT_EQ(subtree->GetHierarchyTable(MAPI_UNICODE, level.ReleaseAndGetAddressOf()), S_OK);
    mapi::RowSet folders = AllRows(level.Get(), {PR_DISPLAY_NAME_W, PR_ENTRYID, PR_CONTAINER_CLASS_W});
    for (ULONG i = 0; i < folders->cRows; ++i) {
      seen.folders.push_back(Text(folders->aRow[i].lpProps[0]));
      if (Text(folders->aRow[i].lpProps[2]) != u"IPF.Contact") continue;
      ComPtr<IMAPIFolder> contacts = Open<IMAPIFolder>(store.Get(), folders->aRow[i].lpProps[1]);
      EXPECT_EQ(Text(GetProps(contacts.Get(), {PR_DISPLAY_NAME_W})[0]), seen.folders.back());
      ComPtr<IMAPITable> table;
      EXPECT_EQ(contacts->GetContentsTable(0, table.ReleaseAndGetAddressOf()), S_OK);
      mapi::RowSet rows = AllRows(table.Get(), {PR_SURNAME_W, PR_ENTRYID});
      if (rows->cRows == 0) continue;
      seen.tableSurname = Text(rows->aRow[0].lpProps[0]);
      ComPtr<IMessage> contact = Open<IMessage>(store.Get(), rows->aRow[0].lpProps[1]);
      Values names = GetProps(contact.Get(), {PR_SURNAME_W, PR_GIVEN_NAME_W});
      seen.surname = Text(names[0]);
      seen.givenName = Text(names[1]);
    }
    return seen;
  }
  static bool Has(const std::vector<std::u16string>& all, const std::u16string& one) {
    return std::find(all.begin(), all.end(), one) != all.end();
  }

  std::filesystem::path file_;
  testing_support::TempMachine machine_;
};

TEST_F(PstCodePageJapanese, TheContactReadsInItsLocaleAndTheFoldersInTheMachinesCodePage) {
  const std::u16string kFolder = u"連絡先 (Contact dedicated)";
  Seen western = Read();  // a machine of 1252
  EXPECT_EQ(western.surname, u"イグザンプル");
  EXPECT_EQ(western.givenName, u"コム");
  EXPECT_EQ(western.tableSurname, u"イグザンプル");
  EXPECT_FALSE(Has(western.folders, kFolder));

  ::setenv(win32::kCodePageVariable, "932", 1);  // as `migrate --codepage 932` runs the engines
  Seen run = Read();
  EXPECT_TRUE(Has(run.folders, kFolder)) << win32::Utf16ToUtf8(run.folders.empty() ? u"" : run.folders[0]);
  EXPECT_EQ(run.surname, u"イグザンプル");

  ::unsetenv(win32::kCodePageVariable);
  ASSERT_EQ(win32::SetMachineCodePage(932), ERROR_SUCCESS);  // `machine init --codepage 932`
  Seen japanese = Read();
  EXPECT_TRUE(Has(japanese.folders, kFolder));
  EXPECT_EQ(japanese.givenName, u"コム");
}

}  // namespace
