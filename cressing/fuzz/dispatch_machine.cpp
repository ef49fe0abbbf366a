#include "dispatch_machine.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "com/com.h"
#include "mapi/exchange.h"
#include "mapi/holders.h"
#include "mapi/install.h"
#include "mapi/memory_store.h"
#include "mapi/mimeconv.h"
#include "mapi/profiles.h"
#include "mapi/props.h"
#include "mapi/provider.h"
#include "testing/fuzz.h"
#include "win32/text.h"

namespace dispatch_fuzz {

namespace {

namespace memory = mapi::memory;

constexpr GUID kAddressSet = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// One folder with one item of the class.
void AddItem(memory::StoreData& data, memory::Folder& folder, const char* messageClass, std::u16string subject) {
  memory::Message& m = data.AddMessage(folder, messageClass);
  m.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, subject));
  m.props.Set(mapi::MakeUnicode(PR_BODY_W, u"Body of " + subject));
  m.props.Set(mapi::MakeUnicode(PR_SENDER_NAME_W, u"Ann"));
  m.props.Set(mapi::MakeUnicode(PR_SENDER_EMAIL_ADDRESS_W, u"ann@example.com"));
  mapi::PropMap to;
  to.Set(mapi::MakeLong(PR_RECIPIENT_TYPE, 1));
  to.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Bo"));
  to.Set(mapi::MakeUnicode(PR_EMAIL_ADDRESS_W, u"bo@example.com"));
  m.recipients.push_back(std::move(to));
}

std::shared_ptr<memory::StoreData> MakeStore() {
  auto data = std::make_shared<memory::StoreData>();
  memory::Folder& top = *data->ipmSubtree;
  memory::Folder& inbox = data->AddFolder(top, u"Inbox", "IPF.Note");
  AddItem(*data, inbox, "IPM.Note", u"Mail");
  AddItem(*data, data->AddFolder(inbox, u"Old", "IPF.Note"), "IPM.Note", u"Older mail");
  AddItem(*data, data->AddFolder(top, u"Calendar", "IPF.Appointment"), "IPM.Appointment", u"Meeting");
  AddItem(*data, data->AddFolder(top, u"Tasks", "IPF.Task"), "IPM.Task", u"Task");
  AddItem(*data, data->AddFolder(top, u"Journal", "IPF.Journal"), "IPM.Activity", u"Call");
  AddItem(*data, data->AddFolder(top, u"Notes", "IPF.StickyNote"), "IPM.StickyNote", u"Note");
  memory::Folder& contacts = data->AddFolder(top, u"Contacts", "IPF.Contact");
  AddItem(*data, contacts, "IPM.Contact", u"Contact");
  memory::Message& list = data->AddMessage(contacts, "IPM.DistList");
  list.props.Set(mapi::MakeUnicode(PR_DISPLAY_NAME_W, u"Team"));
  mapi::PropName members;
  members.guid = kAddressSet;
  members.id = 0x8054;
  list.props.Set(
      mapi::MakeMvBinary(PROP_TAG(PT_MV_BINARY, data->names->IdOf(members, true)), {std::string(24, '\x7F')}));
  return data;
}

}  // namespace

void SetUpMachine() {
  const auto& machine = testing_support::FuzzMachine();
  std::string error;
  if (!mapi::InstallMapi(&error)) testing_support::FuzzFailure(error.c_str());
  auto data = MakeStore();
  mapi::SetPstOpener([data](const std::u16string&, const mapi::StoreIdentity& id, ULONG, IMsgStore** out) {
    return memory::OpenStore(data, id, out);
  });
  namespace profiles = mapi::profiles;
  profiles::Profile memoryProfile;
  memoryProfile.name = u"Memory";
  memoryProfile.isDefault = true;
  memoryProfile.services.push_back(
      profiles::PstService(win32::Utf8ToUtf16((machine.scratch() / "memory.pst").string()), u"Memory Mail"));
  FUZZ_CHECK(profiles::Create(memoryProfile) == S_OK);

  const std::filesystem::path box = machine.scratch() / "box.pst";
  std::ofstream(box) << "served from memory";
  namespace exchange = mapi::exchange;
  FUZZ_CHECK(exchange::AddMailbox(u"EXSRV", u"ann", u"Ann Archer", box.u16string(), {}) == S_OK);
  FUZZ_CHECK(exchange::AddMailbox(u"EXSRV", u"bob", u"Bob", box.u16string(), {u"ann"}) == S_OK);
  FUZZ_CHECK(exchange::AddMailbox(u"EXSRV", u"cy", u"Cy", box.u16string(), {}) == S_OK);
  profiles::Profile ann;
  ann.name = u"Ann";
  ann.user = u"ann";
  ann.services.push_back(profiles::ExchangeService(u"EXSRV", u"ann"));
  FUZZ_CHECK(profiles::Create(ann) == S_OK);
}

void SetUpPstMachine(const std::filesystem::path& pst) {
  std::string error;
  if (!mapi::InstallMapi(&error)) testing_support::FuzzFailure(error.c_str());
  mapi::profiles::Profile profile;
  profile.name = u"PST";
  profile.isDefault = true;
  profile.services.push_back(mapi::profiles::PstService(pst.u16string()));
  FUZZ_CHECK(mapi::profiles::Create(profile) == S_OK);
  const auto lib = std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "lib";
  FUZZ_CHECK(com::RegisterInprocServer(CLSID_IConverterSession, u"", lib / "brackenford_mimeconv.so") == S_OK);
}

long LiveMapiBuffers() { return mapi::LiveBuffers(); }

}  // namespace dispatch_fuzz
