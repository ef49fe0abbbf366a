// The real engine's other requests: the session check, the ignored text,
// the test button, and requests whose automation servers are not there.
#include "tallowby_engine.h"

namespace {

using tallowby_test::MessageBox;
using tallowby_test::TallowbyEngine;
namespace profiles = mapi::profiles;

constexpr char kOne[] = R"({"store": {"display_name": "One Mail"}, "folders": []})";

TEST_F(TallowbyEngine, CheckSessionAnswersWhetherARedemptionSessionCanBeMade) {
  Start();
  EXPECT_EQ(Message(WM_CHECK_SESSION), 1);
  EXPECT_TRUE(MessageBoxes().empty());

  // Without its class's library, then without its ProgID: the COM text.
  UnregisterLibrary(u"Redemption.RDOSession");
  EXPECT_EQ(Message(WM_CHECK_SESSION), 0);
  UnregisterProgId(u"Redemption.RDOSession");
  EXPECT_EQ(Message(WM_CHECK_SESSION), 0);
  EXPECT_EQ(MessageBoxes(),
            (std::vector<MessageBox>{{"Brackenford Engine", "Class not registered.\r\n", "0x00000010"},
                                     {"Brackenford Engine", "Invalid class string.\r\n", "0x00000010"}}));
}

TEST_F(TallowbyEngine, PstRequestWithoutItsServersAnswersZeroWithTheStepsText) {
  const auto pst = MakePst("one", kOne);
  WritePstList({U16(pst)});
  // Redemption goes before the engine starts: it holds no session.
  UnregisterProgId(u"Redemption.RDOSession");
  Start();
  EXPECT_EQ(CreatePstProfile(), 0);
  EXPECT_TRUE(profiles::List().empty()) << "the profile added for the request is deleted";
  UnregisterProgId(u"ProfMan.Profiles");
  EXPECT_EQ(CreatePstProfile(), 0);
  EXPECT_TRUE(TakeProfileNames().empty());
  EXPECT_EQ(MessageBoxes(), (std::vector<MessageBox>{{"Brackenford", "Create Dispatch failed.", "0x00000040"},
                                                     {"Brackenford", "Create Dispatch failed.", "0x00000040"}}));
  EXPECT_EQ(Close(), 0);
}

TEST_F(TallowbyEngine, IgnoredTextAnswersTrueAndChangesNothing) {
  Start();
  const std::u16string text = u"some text";
  EXPECT_EQ(Copy(CD_IGNORED_TEXT, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2)), 1);
  // A text without its terminator is read within its bytes only.
  EXPECT_EQ(Copy(CD_IGNORED_TEXT, text.data(), 6), 1);
  EXPECT_EQ(Copy(CD_IGNORED_TEXT, nullptr, 0), 0) << "no record: the default handling";
  EXPECT_EQ(Copy(CD_PROFILE_NAME, text.c_str(), 20), 0) << "its own reply code is no request";
  EXPECT_TRUE(TakeProfileNames().empty());
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_TRUE(profiles::List().empty());
}

TEST_F(TallowbyEngine, TheTestButtonShowsItsThreeBoxes) {
  Start();
  EXPECT_EQ(SendMessageW(window_, WM_COMMAND, 1002, 0), 0);
  EXPECT_EQ(MessageBoxes(), (std::vector<MessageBox>{{"tallowby", "Start", "0x00000000"},
                                                     {"tallowby", "Ends", "0x00000000"},
                                                     {"tallowby", "", "0x00000000"}}));
  EXPECT_TRUE(engine_->Running());
}

}  // namespace
