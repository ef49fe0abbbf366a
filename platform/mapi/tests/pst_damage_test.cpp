// Damaged files: a page or block that fails its check makes the object
// that needs it fail with MAPI_E_CORRUPT_DATA (an attachment's data: a
// read fault) and everything else reads as before; damage where every
// read begins (header, B-tree roots) or a cut file refuses the store with
// a text that names it.
#include <cstdio>
#include <fstream>
#include <map>
#include <set>

#include "pst/ltp_pc.h"
#include "pst/ndb_file.h"
#include "pst/pst_file.h"
#include "pst/pst_items.h"
#include "pst_test_support.h"

namespace {

using namespace pst_test;
namespace fs = std::filesystem;

// Message B carries 6,000 bytes of data: more than a heap item holds, less
// than a block.
std::string Description(const std::string& format) {
  return R"({"format": ")" + format + R"(", "folders": [
  {"name": "Inbox", "messages": [
    {"props": {"PR_SUBJECT_W": "A", "PR_BODY_W": "alpha"}},
    {"props": {"PR_SUBJECT_W": "B", "PR_BODY_W": "beta"},
     "recipients": [{"name": "Ann", "email": "ann@example.com"}],
     "attachments": [{"long_filename": "b.bin", "data": "base64:)" + std::string(8000, 'Q') + R"("}]},
    {"props": {"PR_SUBJECT_W": "C"}}]},
  {"name": "Other", "messages": [{"props": {"PR_SUBJECT_W": "D"}}, {"props": {"PR_SUBJECT_W": "E"}}]}]})";
}

std::string Code(HRESULT hr) {
  char b[16];
  std::snprintf(b, sizeof b, "%08x", static_cast<unsigned>(hr));
  return b;
}

using Dump = std::map<std::string, std::string>;

void DumpMessage(IMessage* m, const std::string& key, Dump& d) {
  Values all = GetProps(m, {PR_SUBJECT_W, PR_BODY_W}, MAPI_UNICODE);
  d[key + " props"] = Code(all.hr) + (SUCCEEDED(all.hr) ? " " + Utf8(all[0]) + " " + Utf8(all[1]) : "");
  ComPtr<IMAPITable> t;
  HRESULT hr = m->GetRecipientTable(0, t.ReleaseAndGetAddressOf());
  d[key + " recipients"] = Code(hr) + (SUCCEEDED(hr) ? " " + std::to_string(AllRows(t.Get(), {PR_DISPLAY_NAME_W})->cRows) : "");
  hr = m->GetAttachmentTable(0, t.ReleaseAndGetAddressOf());
  d[key + " attachments"] = Code(hr);
  if (FAILED(hr)) return;
  mapi::RowSet rows = AllRows(t.Get(), {PR_ATTACH_NUM});
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    ComPtr<IAttach> a;
    ComPtr<IStream> s;
    hr = m->OpenAttach(rows->aRow[i].lpProps[0].Value.l, nullptr, 0, a.ReleaseAndGetAddressOf());
    if (SUCCEEDED(hr))
      hr = a->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, reinterpret_cast<LPUNKNOWN*>(s.ReleaseAndGetAddressOf()));
    std::string data;
    if (SUCCEEDED(hr)) {
      char buf[4096];
      ULONG n = 0;
      while (SUCCEEDED(hr = s->Read(buf, sizeof buf, &n)) && n > 0) data.append(buf, n);
    }
    d[key + " attachment " + std::to_string(i)] = Code(hr) + " " + std::to_string(data.size()) + " " +
                                                   std::to_string(std::hash<std::string>()(data));
  }
}

void DumpFolder(IMsgStore* store, IMAPIFolder* folder, const std::string& path, Dump& d) {
  ComPtr<IMAPITable> t;
  HRESULT hr = folder->GetContentsTable(0, t.ReleaseAndGetAddressOf());
  d[path + " contents"] = Code(hr);
  if (SUCCEEDED(hr)) {
    mapi::RowSet rows = AllRows(t.Get(), {PR_ENTRYID});
    for (ULONG i = 0; rows && i < rows->cRows; ++i)
      if (ComPtr<IMessage> m = Open<IMessage>(store, rows->aRow[i].lpProps[0]))
        DumpMessage(m.Get(), path + "#" + std::to_string(i), d);
  }
  hr = folder->GetHierarchyTable(0, t.ReleaseAndGetAddressOf());
  d[path + " folders"] = Code(hr);
  if (FAILED(hr)) return;
  mapi::RowSet rows = AllRows(t.Get(), {PR_ENTRYID});
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    ComPtr<IMAPIFolder> sub = Open<IMAPIFolder>(store, rows->aRow[i].lpProps[0]);
    if (!sub) continue;
    Values name = GetProps(sub.Get(), {PR_DISPLAY_NAME_W}, MAPI_UNICODE);
    const std::string sp = path + "/" + (SUCCEEDED(name.hr) ? Utf8(name[0]) : "#" + std::to_string(i));
    d[sp + " props"] = Code(name.hr);
    DumpFolder(store, sub.Get(), sp, d);
  }
}

Dump DumpStore(const fs::path& file) {
  Dump d;
  HRESULT hr = E_FAIL;
  ComPtr<IMsgStore> store = OpenStore(file, &hr);
  EXPECT_EQ(hr, S_OK);
  if (!store) return d;
  ComPtr<IMAPIFolder> root;
  ULONG type = 0;
  EXPECT_EQ(store->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type, reinterpret_cast<LPUNKNOWN*>(root.ReleaseAndGetAddressOf())), S_OK);
  if (root) DumpFolder(store.Get(), root.Get(), "", d);
  return d;
}

// Where the damage goes, found in the sound file.
struct Places {
  uint64_t nbtRoot, bbtRoot, messageB, inboxContents, recipientsB, attachmentB;
  uint64_t size;
};

uint64_t Middle(pst::ndb::NdbFile& db, uint64_t bid) {
  auto ref = db.FindBlock(bid);
  EXPECT_TRUE(ref) << bid;
  return ref ? ref->ib + ref->cb / 2 : 0;
}

Places Find(const fs::path& file) {
  auto pst = pst::PstFile::Open(file.string());
  EXPECT_TRUE(pst);
  pst::ndb::NdbFile& db = pst->Database();
  Places p{db.header().nbt.ib + 100, db.header().bbt.ib + 100, 0, 0, 0, 0, fs::file_size(file)};
  for (uint32_t top : pst->SubFolders(pst->RootFolderId()))
    for (uint32_t f : pst->SubFolders(top)) {
      if (pst->MessageCount(f) != 3) continue;  // Inbox
      pst::ItemHandle b = pst->MessageAt(f, 1);
      p.messageB = Middle(db, b->NodeOf().dataBid);
      p.inboxContents = Middle(db, db.FindNode((f & ~0x1Fu) | 0x0E)->dataBid);
      p.recipientsB = Middle(db, pst::ndb::FindSubnode(db, b->NodeOf().subBid, 0x692)->dataBid);
      pst::ItemHandle a = pst::AttachmentAt(b.get(), 0);
      pst::ltp::PropertyContext pc(db, a->NodeOf());
      auto data = pst::ndb::FindSubnode(db, a->NodeOf().subBid, pc.Find(pst::kPidAttachDataBin)->value);
      p.attachmentB = Middle(db, data->dataBid);
    }
  EXPECT_NE(p.attachmentB, 0u);
  return p;
}

fs::path Damaged(const fs::path& sound, const fs::path& out, uint64_t flipAt, uint64_t cutTo) {
  fs::copy_file(sound, out, fs::copy_options::overwrite_existing);
  if (cutTo) fs::resize_file(out, cutTo);
  if (flipAt) {
    std::fstream f(out, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(static_cast<std::streamoff>(flipAt));
    char c = 0;
    f.get(c);
    f.seekp(static_cast<std::streamoff>(flipAt));
    f.put(static_cast<char>(c ^ 0x10));
  }
  return out;
}

class PstDamage : public ::testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(Forms, PstDamage, ::testing::Values("unicode", "ansi"));

TEST_P(PstDamage, EachDamageFailsWhatNeedsItAndNothingElse) {
  testing_support::TempMachine machine;
  const fs::path sound = MakePst(machine.scratch(), Description(GetParam()), "sound.pst");
  const Places at = Find(sound);
  const Dump before = DumpStore(sound);
  ASSERT_FALSE(before.empty());

  const std::string inbox = "/Top of Personal Folders/Inbox";
  const struct {
    const char* what;
    uint64_t flipAt, cutTo;
    const char* refusal;                 // the logon is refused, naming this
    std::vector<std::string> changed;    // else: the entries that change (prefixes)
    const char* code;                    // and what they answer
  } cases[] = {
      {"header", 40, 0, "the file header is damaged: CRC mismatch", {}, ""},
      {"cut file", 0, at.size / 2, "the file is truncated", {}, ""},
      {"node B-tree root page", at.nbtRoot, 0, "node B-tree page", {}, ""},
      {"block B-tree root page", at.bbtRoot, 0, "block B-tree page", {}, ""},
      {"a message's data block", at.messageB, 0, "", {inbox + "#1 props"}, "8004011b"},
      {"a folder's contents table", at.inboxContents, 0, "", {inbox + " contents", inbox + "#"}, "8004011b"},
      {"a message's recipient table", at.recipientsB, 0, "", {inbox + "#1 recipients"}, "8004011b"},
      {"an attachment's data", at.attachmentB, 0, "", {inbox + "#1 attachment 0"}, "8003001e"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = Damaged(sound, machine.scratch() / "damaged.pst", c.flipAt, c.cutTo);
    std::string reason;
    const HRESULT check = mapi::CheckPstFile(file.u16string(), &reason);
    if (*c.refusal) {
      EXPECT_EQ(check, MAPI_E_CORRUPT_STORE);
      EXPECT_NE(reason.find(c.refusal), std::string::npos) << reason;
      EXPECT_EQ(reason.rfind("a damaged PST file (", 0), 0u) << reason;
      HRESULT hr = S_OK;
      EXPECT_FALSE(OpenStore(file, &hr));
      EXPECT_EQ(hr, MAPI_E_CORRUPT_STORE);
      continue;
    }
    EXPECT_EQ(check, S_OK) << reason;
    const Dump after = DumpStore(file);
    auto expected = [&](const std::string& key) {
      for (const auto& p : c.changed)
        if (key.rfind(p, 0) == 0) return true;
      return false;
    };
    std::set<std::string> keys;
    for (const auto& [k, v] : before) keys.insert(k);
    for (const auto& [k, v] : after) keys.insert(k);
    bool coded = false;
    for (const std::string& k : keys) {
      auto b = before.find(k), a = after.find(k);
      const std::string bv = b == before.end() ? "<none>" : b->second, av = a == after.end() ? "<none>" : a->second;
      if (bv == av) continue;
      EXPECT_TRUE(expected(k)) << k << ": " << bv << " became " << av;
      coded = coded || av.rfind(c.code, 0) == 0;
    }
    EXPECT_TRUE(coded) << "no entry answers " << c.code;
  }
}

TEST(PstDamage, AnOutlookFileCutTo100KbIsRefused) {
  SKIP_WITHOUT_SHARED_FIXTURE(sample, "outlook-sample.pst");
  testing_support::TempMachine machine;
  const fs::path cut = Damaged(sample, machine.scratch() / "cut.pst", 0, 100 * 1024);
  std::string reason;
  EXPECT_EQ(mapi::CheckPstFile(cut.u16string(), &reason), MAPI_E_CORRUPT_STORE);
  EXPECT_NE(reason.find("the file is truncated: its header gives 271360 bytes, the file has 102400"), std::string::npos)
      << reason;
  HRESULT hr = S_OK;
  EXPECT_FALSE(OpenStore(cut, &hr));
  EXPECT_EQ(hr, MAPI_E_CORRUPT_STORE);
}

}  // namespace
