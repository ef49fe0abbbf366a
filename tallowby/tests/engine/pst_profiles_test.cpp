// PST profiles made by the real engine from "RedemptionLNPstFilePath.Txt",
// the real cressing logging on to them, and what is left at exit.
#include "tallowby_engine.h"

namespace {

using tallowby_test::IsBracedGuid;
using tallowby_test::MessageBox;
using tallowby_test::PstServices;
using tallowby_test::TallowbyEngine;
namespace fs = std::filesystem;
namespace profiles = mapi::profiles;

constexpr char kOne[] = R"({"store": {"display_name": "One Mail"},
 "folders": [{"name": "Inbox", "class": "IPF.Note", "messages": [{}]}]})";
constexpr char kTwo[] = R"({"store": {"display_name": "Two Mail"},
 "folders": [{"name": "Tasks", "class": "IPF.Task"}]})";

class PstProfiles : public TallowbyEngine {
 protected:
  void SetUp() override {
    one_ = MakePst("one", kOne);
    two_ = MakePst("two", kTwo);
  }
  // The one box a failed request showed.
  static MessageBox FailureBox(const std::string& text) { return {"Brackenford", text, "0x00000040"}; }

  fs::path one_, two_;
};

TEST_F(PstProfiles, TwoFilesMakeAProfileThatCressingLogsOnToAndThatGoesAtExit) {
  // The second path is relative: the profile keeps it absolute, and the
  // store keeps the path as given for its name.
  const std::u16string relative = U16(fs::relative(two_));
  WritePstList({U16(one_), relative});
  Start();
  ASSERT_EQ(CreatePstProfile(), 1);
  const auto names = TakeProfileNames();
  ASSERT_EQ(names.size(), 1u);
  const std::u16string name = names[0];
  EXPECT_TRUE(IsBracedGuid(name)) << win32::Utf16ToUtf8(name);
  const auto profile = profiles::Find(name);
  ASSERT_TRUE(profile);
  EXPECT_EQ(PstServices(*profile),
            (std::vector<std::pair<std::u16string, std::u16string>>{{U16(one_), U16(one_)}, {U16(two_), relative}}));
  EXPECT_TRUE(MessageBoxes().empty());

  StartCressing();
  ASSERT_EQ(CressingLogon(kCasePstFiles, name), 1);
  EXPECT_EQ(CressingStores(), (std::vector<std::u16string>{U16(one_), relative}));

  EXPECT_EQ(Close(), 0);
  EXPECT_FALSE(profiles::Find(name)) << "the last profile goes with the engine";
  EXPECT_TRUE(fs::exists(temp_ / "RedemptionLNPstFilePath.Txt")) << "the input file stays";
}

TEST_F(PstProfiles, PathsThatCannotBeAddedAreSkipped) {
  // Only the second path exists; an empty line is an empty path; a CR stays
  // part of its line.
  const fs::path missing = machine_.scratch() / "missing.pst";
  WriteInput(kPstPathListFile, U16(missing) + u"\n\n" + U16(two_) + u"\n" + U16(one_) + u"\r\n");
  Start();
  ASSERT_EQ(CreatePstProfile(), 1);
  const auto names = TakeProfileNames();
  ASSERT_EQ(names.size(), 1u);
  const auto profile = profiles::Find(names[0]);
  ASSERT_TRUE(profile);
  EXPECT_EQ(PstServices(*profile), (std::vector<std::pair<std::u16string, std::u16string>>{{U16(two_), U16(two_)}}));
  EXPECT_TRUE(MessageBoxes().empty());
}

TEST_F(PstProfiles, AListWithNoStoreAnswersZeroWithItsBoxAndLeavesNoProfile) {
  const fs::path empty = MakeFile("empty.pst", "");
  const fs::path foreign = MakeFile("foreign.pst", std::string(4096, 'x'));
  const struct {
    const char* name;
    std::u16string list;
    std::string text;
  } cases[] = {
      {"missing file", Lines({U16(machine_.scratch() / "gone.pst")}),
       "The personal folders file \"gone.pst\" could not be found."},
      {"empty file", Lines({U16(empty)}), "The file \"empty.pst\" is not a personal folders file."},
      {"foreign file, after a missing one", Lines({U16(machine_.scratch() / "gone.pst"), U16(foreign)}),
       "The file \"foreign.pst\" is not a personal folders file."},
      {"empty list", u"", "Fail to add PST store."},
      {"only empty lines", u"\n\n", "The personal folders file \"\" could not be found."},
  };
  Start();
  std::vector<MessageBox> expected;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteInput(kPstPathListFile, c.list);
    EXPECT_EQ(CreatePstProfile(), 0);
    EXPECT_TRUE(TakeProfileNames().empty());
    // Each box shows its own request's text, never an earlier one's.
    expected.push_back(FailureBox(c.text));
    EXPECT_EQ(MessageBoxes(), expected);
    EXPECT_TRUE(profiles::List().empty()) << "the profile added for the request is deleted";
  }
  EXPECT_EQ(Close(), 0);
}

TEST_F(PstProfiles, AMissingInputFileAnswersZeroWithoutABox) {
  Start();
  EXPECT_EQ(CreatePstProfile(), 0);
  EXPECT_TRUE(TakeProfileNames().empty());
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_TRUE(profiles::List().empty());
}

TEST_F(PstProfiles, EachRequestsProfileHoldsOnlyItsOwnStoresAndOnlyTheLastGoesAtExit) {
  Start();
  WritePstList({U16(one_)});
  ASSERT_EQ(CreatePstProfile(), 1);
  WritePstList({U16(two_)});
  ASSERT_EQ(CreatePstProfile(), 1);
  const auto names = TakeProfileNames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_NE(names[0], names[1]);
  const auto first = profiles::Find(names[0]);
  const auto second = profiles::Find(names[1]);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(PstServices(*first), (std::vector<std::pair<std::u16string, std::u16string>>{{U16(one_), U16(one_)}}));
  EXPECT_EQ(PstServices(*second), (std::vector<std::pair<std::u16string, std::u16string>>{{U16(two_), U16(two_)}}));

  // A failed third request keeps the name that goes at exit.
  WritePstList({});
  EXPECT_EQ(CreatePstProfile(), 0);
  EXPECT_EQ(Close(), 0);
  EXPECT_TRUE(profiles::Find(names[0])) << "earlier profiles stay";
  EXPECT_FALSE(profiles::Find(names[1]));
  EXPECT_EQ(profiles::List().size(), 1u);
}

TEST_F(PstProfiles, AProfileThatCannotBeWrittenAnswersZeroWithTheServersText) {
  // A machine whose profiles folder is a file: ProfMan cannot add the profile.
  WritePstList({U16(one_)});
  fs::remove_all(win32::ProfilesFolder());
  std::ofstream(win32::ProfilesFolder()) << "";
  Start();
  EXPECT_EQ(CreatePstProfile(), 0);
  EXPECT_TRUE(TakeProfileNames().empty());
  const auto boxes = MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Brackenford");
  EXPECT_EQ(boxes[0].text.find("The profile \"{"), 0u) << boxes[0].text;
  EXPECT_NE(boxes[0].text.find("}\" could not be written."), std::string::npos) << boxes[0].text;
  EXPECT_TRUE(engine_->Running());
}

TEST_F(PstProfiles, RecordsThatNameNoReplyWindowMakeNothing) {
  WritePstList({U16(one_)});
  Start();
  const CREATE_PST_PROFILE_INFO info{win32::HandleValue(requester_.Window())};
  const CREATE_PST_PROFILE_INFO dead{0x7FFFFF01};
  EXPECT_EQ(Copy(CD_CREATE_PST_PROFILE, &info, 4), 0) << "shorter than the window handle";
  EXPECT_EQ(Copy(CD_CREATE_PST_PROFILE, nullptr, 0), 0);
  EXPECT_EQ(Copy(CD_CREATE_PST_PROFILE, &dead, sizeof dead), 0) << "no such window";
  EXPECT_TRUE(TakeProfileNames().empty());
  EXPECT_TRUE(profiles::List().empty());
  EXPECT_TRUE(MessageBoxes().empty());

  // What follows the handle is not read.
  struct {
    CREATE_PST_PROFILE_INFO info;
    char rest[16];
  } longer{info, "anything"};
  EXPECT_EQ(Copy(CD_CREATE_PST_PROFILE, &longer, sizeof longer), 1);
  EXPECT_EQ(TakeProfileNames().size(), 1u);
}

}  // namespace
