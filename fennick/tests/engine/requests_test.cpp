// The real engine's request frame: the exact size of every record, and
// codes that are no requests.
#include <functional>

#include "fennick_engine.h"

namespace {

namespace fs = std::filesystem;
using fennick_test::FennickEngine;
using fennick_test::NotesError;
using fennick_test::Reply;

TEST_F(FennickEngine, EveryRecordOfAnotherSizeIsRefusedByName) {
  Start();
  ASSERT_EQ(CreateNsf(u"Box"), 1);
  ASSERT_EQ(CreateFolder(u"Top\\Kept\\"), 1);
  const auto item = WriteMailText(u"never");
  TakeReplies();
  const fs::path box = out_ / "Box.nsf";
  const auto before = Dump(box);

  struct Case {
    const char* record;
    std::function<LRESULT(int)> send;
  };
  const Case cases[] = {
      {"CREATE_FILE_INFO", [&](int extra) { return CreateNsf(u"Other", extra); }},
      {"CREATE_FOLDER_INFO", [&](int extra) { return CreateFolder(u"Top\\Other\\", extra); }},
      {"MIME_FILE_INFO", [&](int extra) { return InsertItem(u"Top\\Kept\\", item, extra); }},
  };
  for (const Case& c : cases) {
    for (int extra : {-1, 1}) {
      SCOPED_TRACE(std::string(c.record) + (extra < 0 ? " one byte short" : " one byte long"));
      EXPECT_EQ(c.send(extra), 0);
      const std::u16string name = win32::Utf8ToUtf16(c.record);
      EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(u"Size of data structure didnt match, " + name)});
    }
  }
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"Box.nsf"});
  EXPECT_EQ(Dump(box), before) << "no folder and no document was made";
}

TEST_F(FennickEngine, CodesThatAreNoRequestsGetTheDefaultHandling) {
  Start();
  const std::u16string text = u"text";
  for (ULONG_PTR code : {ULONG_PTR{CD_NOTES_ERROR}, ULONG_PTR{CD_FOLDER_NAME}, ULONG_PTR{1038}})
    EXPECT_EQ(Copy(code, text.c_str(), 10), 0) << code;
  EXPECT_EQ(Copy(CD_CREATE_NSF, nullptr, 0), 0);
  EXPECT_EQ(TakeReplies(), std::vector<Reply>{NotesError(u"Size of data structure didnt match, CREATE_FILE_INFO")});
  EXPECT_TRUE(engine_->Running());
  EXPECT_EQ(Close(), 0);
}

}  // namespace
