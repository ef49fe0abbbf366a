// Profiles in the machine root: create, find, change, delete, default, and
// several writers at once.
#include <gtest/gtest.h>

#include <thread>

#include "mapi/mapicode.h"
#include "mapi/profiles.h"
#include "testing/temp_machine.h"

namespace {

namespace profiles = mapi::profiles;

profiles::Profile Pst(std::u16string name, std::u16string path) {
  profiles::Profile p;
  p.name = std::move(name);
  p.services.push_back(profiles::PstService(std::move(path)));
  return p;
}

TEST(Profiles, LifeCycle) {
  testing_support::TempMachine machine;
  ASSERT_EQ(profiles::Create(Pst(u"Work Mail", u"/data/work.pst")), S_OK);
  EXPECT_EQ(profiles::Create(Pst(u"work mail", u"/other.pst")), MAPI_E_COLLISION);  // names ignore case
  EXPECT_EQ(profiles::Create(Pst(u"", u"/x.pst")), MAPI_E_INVALID_PARAMETER);

  auto found = profiles::Find(u"WORK MAIL");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->name, u"Work Mail");
  ASSERT_EQ(found->services.size(), 1u);
  EXPECT_EQ(found->services[0].displayName, u"work");
  EXPECT_EQ(found->services[0].uid.size(), 32u);
  EXPECT_FALSE(found->isDefault);

  found->services.push_back(profiles::ExchangeService(u"EXSRV", u"ann"));
  ASSERT_EQ(profiles::Change(*found), S_OK);
  EXPECT_EQ(profiles::Find(u"Work Mail")->services.size(), 2u);
  EXPECT_EQ(profiles::Change(Pst(u"absent", u"/a.pst")), MAPI_E_NOT_FOUND);

  EXPECT_FALSE(profiles::DefaultName());
  ASSERT_EQ(profiles::SetDefault(u"work mail"), S_OK);
  EXPECT_EQ(*profiles::DefaultName(), u"Work Mail");
  EXPECT_TRUE(profiles::List().at(0).isDefault);
  EXPECT_EQ(profiles::SetDefault(u"absent"), MAPI_E_NOT_FOUND);

  ASSERT_EQ(profiles::Delete(u"Work Mail"), S_OK);
  EXPECT_FALSE(profiles::Find(u"Work Mail"));
  ASSERT_EQ(profiles::Create(Pst(u"Work Mail", u"/data/work.pst")), S_OK);
  EXPECT_FALSE(profiles::DefaultName());  // the default went with the deleted profile
  ASSERT_EQ(profiles::Delete(u"Work Mail"), S_OK);
  EXPECT_EQ(profiles::Delete(u"Work Mail"), MAPI_E_NOT_FOUND);
}

TEST(Profiles, NamesThatAreNotFileNamesStayApart) {
  testing_support::TempMachine machine;
  const std::u16string names[] = {u"a/b", u"a%2Fb", u"..", u"Caf\u00e9"};
  for (const auto& n : names) ASSERT_EQ(profiles::Create(Pst(n, u"/p.pst")), S_OK);
  for (const auto& n : names) EXPECT_EQ(profiles::Find(n)->name, n);
  EXPECT_EQ(profiles::List().size(), 4u);
}

TEST(Profiles, ConcurrentWritersLoseNothing) {
  testing_support::TempMachine machine;
  std::vector<std::thread> writers;
  for (int t = 0; t < 8; ++t)
    writers.emplace_back([t] {
      for (int i = 0; i < 10; ++i) {
        const std::u16string n = u"p" + std::u16string(1, u'a' + t) + std::u16string(1, u'0' + i);
        profiles::Create(Pst(n, u"/x.pst"));
        profiles::SetDefault(n);
      }
    });
  for (auto& w : writers) w.join();
  EXPECT_EQ(profiles::List().size(), 80u);
  EXPECT_TRUE(profiles::DefaultName());
}

}  // namespace
