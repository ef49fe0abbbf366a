#include "memory_profile.h"

#include <gtest/gtest.h>

#include <string>

#include "mapi/holders.h"
#include "mapi/install.h"
#include "mapi/memory_store.h"
#include "mapi/profiles.h"
#include "mapi/provider.h"
#include "win32/text.h"

namespace cressing_test {

namespace memory = mapi::memory;

struct MemoryProfile::State {
  std::shared_ptr<memory::StoreData> data = std::make_shared<memory::StoreData>();
  std::u16string path;
};

MemoryProfile::MemoryProfile(const std::filesystem::path& scratch) : state_(std::make_unique<State>()) {
  std::string error;
  EXPECT_TRUE(mapi::InstallMapi(&error)) << error;
  state_->path = win32::Utf8ToUtf16((scratch / "memory.pst").string());
  mapi::SetPstOpener([data = state_->data, path = state_->path](const std::u16string& opened,
                                                                const mapi::StoreIdentity& id, ULONG, IMsgStore** out) {
    return opened == path ? memory::OpenStore(data, id, out) : MAPI_E_NOT_FOUND;
  });
  mapi::profiles::Profile profile;
  profile.name = u"Memory";
  profile.services.push_back(mapi::profiles::PstService(state_->path, u"Memory Mail"));
  EXPECT_EQ(mapi::profiles::Create(profile), S_OK);
}

MemoryProfile::~MemoryProfile() { mapi::SetPstOpener({}); }

void MemoryProfile::AddInboxWithoutRowCounts(InboxCount inboxCount) {
  memory::StoreData& data = *state_->data;
  memory::Folder& inbox = data.AddFolder(*data.ipmSubtree, u"Inbox", "IPF.Note");
  data.AddMessage(inbox);
  data.AddMessage(inbox);
  // Four, not the two items, so that a count made from the contents shows.
  if (inboxCount == InboxCount::Four)
    inbox.props.Set(mapi::MakeLong(PR_CONTENT_COUNT, 4));
  else
    inbox.leftOutOfObject = {PR_CONTENT_COUNT};
  inbox.leftOutOfRow = {PR_CONTENT_COUNT};
  memory::Folder& old = data.AddFolder(inbox, u"Old", "IPF.Note");
  data.AddMessage(old);
  old.leftOutOfRow = {PR_CONTENT_COUNT};
}

void MemoryProfile::FailOneOpenEntry(unsigned letThrough) {
  state_->data->faults.Fail("OpenEntry", MAPI_E_NO_ACCESS).After(letThrough).Times(1);
}

long MemoryProfile::LiveMapiBuffers() { return mapi::LiveBuffers(); }

}  // namespace cressing_test
