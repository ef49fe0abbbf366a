// Exchange profiles made by the real engine from "ExchangeMailBox.txt" for a
// mailbox of a simulated server, and the real cressing logging on to one.
#include "mapi/exchange.h"
#include "tallowby_engine.h"

namespace {

using tallowby_test::IsBracedGuid;
using tallowby_test::MessageBox;
using tallowby_test::TallowbyEngine;
namespace profiles = mapi::profiles;

constexpr char kMailbox[] = R"({"folders": [{"name": "Inbox", "class": "IPF.Note", "messages": [{}]}]})";

class ExchangeProfiles : public TallowbyEngine {
 protected:
  void SetUp() override {
    const auto pst = MakePst("mailbox", kMailbox);
    ASSERT_EQ(mapi::exchange::AddMailbox(u"EXSRV", u"ann", u"Ann Archer", U16(pst), {}), S_OK);
  }
  // The request, and the one profile it made (nothing when it made none).
  std::optional<profiles::Profile> Request(const std::u16string& file) {
    WriteInput(kExchangeMailboxFile, file);
    const LRESULT result = Message(WM_CREATE_EXCHANGE_PROFILE);
    const auto names = TakeProfileNames();
    EXPECT_EQ(names.size(), result == 1 ? 1u : 0u);
    if (result != 1 || names.size() != 1) return std::nullopt;
    EXPECT_TRUE(IsBracedGuid(names[0])) << win32::Utf16ToUtf8(names[0]);
    return profiles::Find(names[0]);
  }
};

// One Exchange service with the names as the file gave them.
void ExpectExchangeService(const profiles::Profile& profile, const std::u16string& server,
                           const std::u16string& mailbox, LONG configFlags) {
  ASSERT_EQ(profile.services.size(), 1u);
  const profiles::Service& service = profile.services[0];
  EXPECT_EQ(service.kind, profiles::ServiceKind::kExchange);
  EXPECT_EQ(service.server, server);
  EXPECT_EQ(service.mailbox, mailbox);
  EXPECT_EQ(service.configFlags, configFlags);
}

TEST_F(ExchangeProfiles, AMailboxOfTheServerMakesAProfileThatCressingLogsOnTo) {
  Start();
  const auto profile = Request(u"ann\nEXSRV\nnot read\n");
  ASSERT_TRUE(profile);
  ExpectExchangeService(*profile, u"EXSRV", u"ann", 17);
  EXPECT_TRUE(MessageBoxes().empty());

  StartCressing();
  ASSERT_EQ(CressingLogon(kCaseExchange, profile->name, "ann"), 1);
  EXPECT_EQ(CressingStores(), std::vector<std::u16string>{u"Mailbox - Ann Archer"});
  EXPECT_EQ(Close(), 0);
  EXPECT_FALSE(profiles::Find(profile->name));
}

TEST_F(ExchangeProfiles, AMailboxTheServiceCannotResolveIsWrittenIntoTheProviderSections) {
  // Configure fails for a mailbox the server does not have, and for names
  // that still carry the CR of a CR LF line; the sections take them as they
  // are, without the configuration flags.
  Start();
  const struct {
    std::u16string file, server, mailbox;
  } cases[] = {
      {u"nobody\nEXSRV", u"EXSRV", u"nobody"},
      {u"ann\r\nEXSRV\r\n", u"EXSRV\r", u"ann\r"},
      {u"ann\nNOSERVER", u"NOSERVER", u"ann"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(win32::Utf16ToUtf8(c.file));
    const auto profile = Request(c.file);
    ASSERT_TRUE(profile);
    ExpectExchangeService(*profile, c.server, c.mailbox, 0);
  }
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_EQ(profiles::List().size(), 3u);
}

TEST_F(ExchangeProfiles, ServerNamesThatAreNoPlainNamesAreRefusedWithABox) {
  Start();
  for (const char16_t* server : {u"../EXSRV", u"ex\\srv", u"a..b"}) {
    SCOPED_TRACE(win32::Utf16ToUtf8(server));
    EXPECT_FALSE(Request(u"ann\n" + std::u16string(server)));
    const auto boxes = MessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), (MessageBox{"Brackenford", "\"" + win32::Utf16ToUtf8(server) + "\" is not a server name.",
                                        "0x00000040"}));
    EXPECT_TRUE(profiles::List().empty()) << "the profile added for the request is deleted";
  }
  EXPECT_TRUE(engine_->Running());
}

TEST_F(ExchangeProfiles, AFileWithoutItsSecondLineOrNoFileAnswersZeroWithoutABox) {
  Start();
  EXPECT_EQ(Message(WM_CREATE_EXCHANGE_PROFILE), 0) << "no file";
  for (const char16_t* file : {u"ann\n", u"ann", u""}) {
    WriteInput(kExchangeMailboxFile, file);
    EXPECT_EQ(Message(WM_CREATE_EXCHANGE_PROFILE), 0) << win32::Utf16ToUtf8(file);
  }
  EXPECT_TRUE(TakeProfileNames().empty());
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_TRUE(profiles::List().empty());
}

TEST_F(ExchangeProfiles, ProfManUnregisteredOrWithoutItsPropertyBagAnswersZeroWithTheStepsText) {
  Start();
  UnregisterProgId(u"ProfMan.PropertyBag");
  EXPECT_FALSE(Request(u"ann\nEXSRV"));
  EXPECT_TRUE(profiles::List().empty());
  UnregisterProgId(u"ProfMan.Profiles");
  EXPECT_FALSE(Request(u"ann\nEXSRV"));
  EXPECT_EQ(MessageBoxes(), (std::vector<MessageBox>{{"Brackenford", "Create dispatch  Failed.", "0x00000040"},
                                                     {"Brackenford", "Create Dispatch failed.", "0x00000040"}}));
}

}  // namespace
