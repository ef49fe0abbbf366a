// A store held in memory that tests fill from code with exact properties,
// and that can be told to fail a given call with a given status.
//
//   auto data = std::make_shared<mapi::memory::StoreData>();
//   auto& inbox = data->AddFolder(*data->ipmSubtree, u"Inbox", "IPF.Note");
//   auto& msg = data->AddMessage(inbox);
//   msg.props.Set(mapi::MakeUnicode(PR_SUBJECT_W, u"Hello"));
//   data->faults.Fail("GetHierarchyTable", MAPI_E_BAD_CHARWIDTH).WhenFlags(MAPI_UNICODE);
//   ComPtr<IMsgStore> store;
//   mapi::memory::OpenStore(data, identity, store.ReleaseAndGetAddressOf());
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mapi/prop_bag.h"
#include "mapi/provider.h"

namespace mapi::memory {

// Failures to inject: the n-th and later calls of a method (counted from
// 1), limited to calls whose flags hold given bits, a given number of times
// (0: every time).
class Faults {
 public:
  struct Rule {
    std::string call;
    HRESULT status = E_FAIL;
    ULONG skip = 0;       // calls let through first
    ULONG times = 0;      // 0: no limit
    ULONG flagsMask = 0;  // 0: any flags
    Rule& After(ULONG n) { skip = n; return *this; }
    Rule& Times(ULONG n) { times = n; return *this; }
    Rule& WhenFlags(ULONG mask) { flagsMask = mask; return *this; }
    ULONG seen = 0;
    ULONG failed = 0;
  };
  // Method names as the interfaces spell them ("OpenEntry", "GetProps",
  // "QueryRows", ...); the store's, folders', messages', attachments' and
  // tables' calls all count, and "Stat" and "Read" of the streams that
  // OpenProperty hands out.
  Rule& Fail(std::string call, HRESULT status);
  // The status to answer for this call, or S_OK to go on.
  HRESULT Check(std::string_view call, ULONG flags);
  void Clear();

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Rule>> rules_;
};

struct Message;

struct Attachment {
  PropMap props;                     // PR_ATTACH_METHOD, PR_ATTACH_DATA_BIN, names...
  std::shared_ptr<Message> embedded; // PR_ATTACH_DATA_OBJ of ATTACH_EMBEDDED_MSG
  std::string oleStorage;            // PR_ATTACH_DATA_OBJ of ATTACH_OLE: the docfile bytes
};

struct Message {
  ULONG serial = 0;  // part of the entry id
  PropMap props;
  std::vector<PropMap> recipients;
  std::vector<Attachment> attachments;
};

struct Folder {
  ULONG serial = 0;
  PropMap props;  // PR_DISPLAY_NAME, PR_CONTAINER_CLASS, ...; PR_CONTENT_COUNT is computed when absent
  // Tags its parent's hierarchy rows and the folder object leave out, the
  // computed ones included (a provider whose rows lack a column the folder has).
  std::vector<ULONG> leftOutOfRow;
  std::vector<ULONG> leftOutOfObject;
  std::vector<std::shared_ptr<Folder>> folders;
  std::vector<std::shared_ptr<Message>> messages;
};

struct StoreData {
  StoreData();
  PropMap props;  // the store's own properties (PR_DISPLAY_NAME comes from the identity when absent)
  std::shared_ptr<Folder> root;
  std::shared_ptr<Folder> ipmSubtree;  // "Top of Personal Folders" under the root
  std::shared_ptr<NameMap> names = std::make_shared<NameMap>();
  Faults faults;
  UINT codepage = CP_ACP;    // of PT_STRING8 values
  bool unicode = true;       // false: tables and GetProps refuse MAPI_UNICODE (MAPI_E_BAD_CHARWIDTH)
  // String and binary values longer than this (in bytes) come back from
  // GetProps as MAPI_E_NOT_ENOUGH_MEMORY, as a PST provider answers for a
  // big body; OpenProperty still reads them.
  size_t maxValueBytes = SIZE_MAX;

  Folder& AddFolder(Folder& parent, std::u16string_view name, std::string_view containerClass = {});
  Message& AddMessage(Folder& folder, std::string_view messageClass = "IPM.Note");
  Message& AddEmbedded(Attachment& att);

  std::shared_ptr<Folder> FindFolder(ULONG serial) const;
  std::shared_ptr<Message> FindMessage(ULONG serial) const;

 private:
  ULONG next_ = 1;
  std::vector<std::weak_ptr<Folder>> folders_;
  std::vector<std::weak_ptr<Message>> messages_;
};

// Opens the data as a store. Folder and message entry ids are
// 4 flag bytes | identity.uid | kind byte (1 folder, 2 message) | serial (4, little-endian).
HRESULT OpenStore(std::shared_ptr<StoreData> data, const StoreIdentity& identity, IMsgStore** store);

// Entry ids of the data's objects as a store opened with `uid` makes them.
std::string FolderEntryId(const MAPIUID& uid, const Folder& f);
std::string MessageEntryId(const MAPIUID& uid, const Message& m);

}  // namespace mapi::memory
