// A temporary machine whose PST files are memory stores: the PST factory
// serves StoreData by path, so sessions run without the PST provider.
#pragma once

#include <map>
#include <memory>

#include "mapi/mapix.h"
#include "mapi/memory_store.h"
#include "mapi/profiles.h"
#include "testing/temp_machine.h"
#include "win32/text.h"

namespace mapi_test {

class SessionFixture {
 public:
  SessionFixture() {
    MAPIInitialize(nullptr);
    mapi::SetPstOpener([this](const std::u16string& path, const mapi::StoreIdentity& id, ULONG, IMsgStore** out) {
      auto it = files_.find(path);
      if (it == files_.end()) return MAPI_E_NOT_FOUND;
      return mapi::memory::OpenStore(it->second, id, out);
    });
  }
  ~SessionFixture() {
    mapi::SetPstOpener({});
    MAPIUninitialize();
  }
  // A "PST file" at path with an Inbox holding one message.
  std::shared_ptr<mapi::memory::StoreData> AddPst(const std::u16string& path) {
    auto data = std::make_shared<mapi::memory::StoreData>();
    auto& inbox = data->AddFolder(*data->ipmSubtree, u"Inbox", "IPF.Note");
    data->AddMessage(inbox).props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"in " + path));
    files_[path] = data;
    return data;
  }
  ComPtr<IMAPISession> Logon(const char* profile, HRESULT* status = nullptr) {
    ComPtr<IMAPISession> session;
    HRESULT hr = MAPILogonEx(0, const_cast<LPSTR>(profile), nullptr, 0x3B, session.ReleaseAndGetAddressOf());
    if (status) *status = hr;
    return session;
  }
  std::u16string Scratch(const char* name) const {
    return win32::Utf8ToUtf16((machine_.scratch() / name).string());
  }

 private:
  testing_support::TempMachine machine_;
  std::map<std::u16string, std::shared_ptr<mapi::memory::StoreData>> files_;
};

}  // namespace mapi_test
