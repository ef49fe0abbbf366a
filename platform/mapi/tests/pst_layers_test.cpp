// The reader's layers over pstgen files of both forms: the header alone at
// opening, node and block B-trees of several levels, tables whose rows
// spill into subnodes, cells a row lacks, data trees of one and two
// levels, the block encodings; and every item of the Outlook files.
#include <fstream>
#include <random>
#include <set>

#include "pst/ltp_pc.h"
#include "pst/ndb_crypt.h"
#include "pst/ndb_file.h"
#include "pst/pst_file.h"
#include "pst/pst_items.h"
#include "pst_test_support.h"

namespace {

using namespace pst_test;

constexpr int kBulk = 400;                    // many leaf pages of the node B-tree, rows in a subnode
constexpr size_t kBigData = 9 * 1024 * 1024;  // past one XBLOCK of the Unicode form

std::string Base64(const std::string& in) {
  static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < in.size(); i += 3) {
    uint32_t v = uint32_t(uint8_t(in[i])) << 16;
    if (i + 1 < in.size()) v |= uint32_t(uint8_t(in[i + 1])) << 8;
    if (i + 2 < in.size()) v |= uint8_t(in[i + 2]);
    out += k[v >> 18 & 63];
    out += k[v >> 12 & 63];
    out += i + 1 < in.size() ? k[v >> 6 & 63] : '=';
    out += i + 2 < in.size() ? k[v & 63] : '=';
  }
  return out;
}

std::string BigData() {
  std::string d(kBigData, '\0');
  std::mt19937 rng(7);
  for (char& c : d) c = static_cast<char>(rng());
  return d;
}

std::string Description(const std::string& format) {
  std::string bulk;
  for (int i = 0; i < kBulk; ++i)
    bulk += std::string(i ? "," : "") + "{\"props\":{\"PR_SUBJECT_W\":\"m" + std::to_string(i) + "\"}}";
  return "{\"format\":\"" + format + "\",\"folders\":[{\"name\":\"Bulk\",\"messages\":[" + bulk +
         "]},{\"name\":\"Big\",\"messages\":[{\"props\":{\"PR_SUBJECT_W\":\"big\"},"
         "\"recipients\":[{\"name\":\"Ann\",\"email\":\"ann@example.com\"},{\"name\":\"NoMail\"}],"
         "\"attachments\":[{\"long_filename\":\"big.bin\",\"data\":\"base64:" +
         Base64(BigData()) + "\"}]}]}]}";
}

std::string SubjectOf(pst::Item& item) {
  auto p = item.Props().Find(PROP_ID(PR_SUBJECT_W));
  if (!p) return "<none>";
  std::string s;  // the ASCII subjects of these files, in either form
  const bool wide = pst::TagType(p->tag) == PT_UNICODE;
  for (size_t i = 0; i < p->bytes.size(); i += wide ? 2 : 1) s += static_cast<char>(p->bytes[i]);
  return s;
}

class PstLayers : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() { machine_ = new testing_support::TempMachine(); }
  static void TearDownTestSuite() {
    delete machine_;
    machine_ = nullptr;
  }
  void SetUp() override {
    const std::string name = std::string(GetParam()) + ".pst";
    path_ = machine_->scratch() / name;
    if (!std::filesystem::exists(path_)) MakePst(machine_->scratch(), Description(GetParam()), name);
    std::string error;
    file_ = pst::PstFile::Open(path_.string(), &error);
    ASSERT_TRUE(file_) << error;
  }
  uint32_t FolderNamed(const std::string& name) {
    for (uint32_t top : file_->SubFolders(file_->RootFolderId()))
      for (uint32_t f : file_->SubFolders(top))
        if (auto p = file_->Folder(f)->Props().Find(PROP_ID(PR_DISPLAY_NAME_W)); p && SubjectOfBytes(*p) == name)
          return f;
    ADD_FAILURE() << name;
    return 0;
  }
  static std::string SubjectOfBytes(const pst::RawProp& p) {
    std::string s;
    const bool wide = pst::TagType(p.tag) == PT_UNICODE;
    for (size_t i = 0; i < p.bytes.size(); i += wide ? 2 : 1) s += static_cast<char>(p.bytes[i]);
    return s;
  }
  static testing_support::TempMachine* machine_;
  std::filesystem::path path_;
  std::shared_ptr<pst::PstFile> file_;
};
testing_support::TempMachine* PstLayers::machine_ = nullptr;

INSTANTIATE_TEST_SUITE_P(Forms, PstLayers, ::testing::Values("unicode", "ansi"));

TEST_P(PstLayers, OpeningReadsTheHeaderAlone) {
  auto db = pst::ndb::NdbFile::Open(path_.string());
  EXPECT_EQ(db->form(), std::string(GetParam()) == "ansi" ? pst::ndb::Form::kAnsi : pst::ndb::Form::kUnicode);
  EXPECT_EQ(db->header().crypt, pst::ndb::Crypt::kNone);
  EXPECT_EQ(db->header().fileEof, std::filesystem::file_size(path_));
  EXPECT_EQ(db->CachedBytes(), 0u);
  EXPECT_TRUE(db->FindNode(0x122));  // the root folder, found page by page
  EXPECT_FALSE(db->FindNode(0x7FFFFFE4));
}

TEST_P(PstLayers, EveryMessageOfALargeFolderIsFoundAndReads) {
  auto lock = file_->Lock();
  const uint32_t bulk = FolderNamed("Bulk");
  ASSERT_EQ(file_->MessageCount(bulk), kBulk);
  std::set<std::string> subjects, expected;
  for (int i = 0; i < kBulk; ++i) {
    expected.insert("m" + std::to_string(i));
    auto nid = file_->MessageIdAt(bulk, i);
    ASSERT_TRUE(nid);
    pst::ItemHandle m = file_->Message(*nid);  // through the node B-tree, by id
    ASSERT_TRUE(m) << *nid;
    subjects.insert(SubjectOf(*m));
  }
  EXPECT_EQ(subjects, expected);
  // The rows spill out of the table's heap into a subnode.
  auto table = file_->Database().FindNode((bulk & ~0x1Fu) | 0x0E);
  ASSERT_TRUE(table);
  EXPECT_NE(table->subBid, 0u);
}

TEST_P(PstLayers, RowsLackTheCellsTheirRecipientLacks) {
  auto lock = file_->Lock();
  pst::ItemHandle big = file_->MessageAt(FolderNamed("Big"), 0);
  ASSERT_TRUE(big);
  pst::Recipients r = pst::RecipientRows(big.get());
  ASSERT_EQ(r.rows.size(), 2u);
  EXPECT_TRUE(r.rows[0].TagOf(PROP_ID(PR_EMAIL_ADDRESS_W)));
  EXPECT_FALSE(r.rows[1].TagOf(PROP_ID(PR_EMAIL_ADDRESS_W)));
  EXPECT_TRUE(r.rows[1].TagOf(PROP_ID(PR_DISPLAY_NAME_W)));
}

TEST_P(PstLayers, AttachmentDataReadsPiecewiseAcrossItsDataTree) {
  auto lock = file_->Lock();
  pst::ItemHandle big = file_->MessageAt(FolderNamed("Big"), 0);
  ASSERT_TRUE(big);
  ASSERT_EQ(pst::AttachmentCount(big.get()), 1);
  pst::ItemHandle a = pst::AttachmentAt(big.get(), 0);
  ASSERT_TRUE(a);
  // Unicode: more data blocks than one XBLOCK holds, so an XXBLOCK; ANSI:
  // one XBLOCK.
  pst::ndb::NdbFile& db = file_->Database();
  pst::ltp::PropertyContext pc(db, a->NodeOf());
  const pst::ltp::PcProp* data = pc.Find(pst::kPidAttachDataBin);
  ASSERT_TRUE(data);
  auto sub = pst::ndb::FindSubnode(db, a->NodeOf().subBid, data->value);
  ASSERT_TRUE(sub);
  const int level = (*db.ReadBlock(sub->dataBid))[1];
  EXPECT_EQ(level, std::string(GetParam()) == "ansi" ? 1 : 2);

  const std::string want = BigData();
  pst::DataReader reader = pst::DataReader::Of(a.get());
  ASSERT_TRUE(reader.Valid());
  EXPECT_EQ(reader.Size(), want.size());
  std::string got;
  std::vector<uint8_t> buf(10007);  // pieces that straddle block ends
  for (long long n; (n = reader.ReadAt(got.size(), buf.data(), buf.size())) > 0;)
    got.append(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(n));
  EXPECT_TRUE(got == want);
  EXPECT_EQ(reader.ReadAt(want.size(), buf.data(), buf.size()), 0);
  EXPECT_LE(db.CachedBytes(), 32u << 20);  // the cache stays bounded
}

TEST(PstBlockEncoding, DecodingUndoesEveryEncodingOfEveryByte) {
  std::vector<uint8_t> plain(512);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i);
  const struct {
    pst::ndb::Crypt crypt;
    uint64_t bid;
  } cases[] = {{pst::ndb::Crypt::kPermute, 4}, {pst::ndb::Crypt::kCyclic, 4}, {pst::ndb::Crypt::kCyclic, 0x1234'5678'9ABC}};
  for (const auto& c : cases) {
    std::vector<uint8_t> b = plain;
    pst::ndb::EncodeBlock(c.crypt, c.bid, b.data(), b.size());
    EXPECT_NE(b, plain) << int(c.crypt);
    if (c.crypt == pst::ndb::Crypt::kPermute) {
      EXPECT_EQ(std::set<uint8_t>(b.begin(), b.end()).size(), 256u) << "a permutation of the bytes";
    }
    pst::ndb::DecodeBlock(c.crypt, c.bid, b.data(), b.size());
    EXPECT_EQ(b, plain) << int(c.crypt) << " " << c.bid;
  }
  // Two keys give two cipher texts.
  std::vector<uint8_t> a = plain, b = plain;
  pst::ndb::EncodeBlock(pst::ndb::Crypt::kCyclic, 4, a.data(), a.size());
  pst::ndb::EncodeBlock(pst::ndb::Crypt::kCyclic, 8, b.data(), b.size());
  EXPECT_NE(a, b);
}

// Reads every property, recipient, attachment (its data to the end) and
// embedded message; returns the messages read.
int ReadWhole(IMessage* m) {
  Values all = GetProps(m, {});
  EXPECT_EQ(all.hr, S_OK);
  ComPtr<IMAPITable> table;
  EXPECT_EQ(m->GetRecipientTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(m->GetAttachmentTable(0, table.ReleaseAndGetAddressOf()), S_OK);
  mapi::RowSet rows = AllRows(table.Get(), {PR_ATTACH_NUM, PR_ATTACH_METHOD});
  int read = 1;
  for (ULONG i = 0; rows && i < rows->cRows; ++i) {
    ComPtr<IAttach> a;
    EXPECT_EQ(m->OpenAttach(rows->aRow[i].lpProps[0].Value.l, nullptr, 0, a.ReleaseAndGetAddressOf()), S_OK);
    if (!a) continue;
    ComPtr<IMessage> inner;
    ComPtr<IStream> data;
    if (SUCCEEDED(a->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                  reinterpret_cast<LPUNKNOWN*>(inner.ReleaseAndGetAddressOf()))))
      read += ReadWhole(inner.Get());
    else if (SUCCEEDED(a->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0,
                                       reinterpret_cast<LPUNKNOWN*>(data.ReleaseAndGetAddressOf())))) {
      STATSTG st{};
      data->Stat(&st, 0);
      EXPECT_EQ(ReadStream(data.Get()).size(), st.cbSize.QuadPart);
    }
  }
  return read;
}

TEST(PstOutlookFiles, EveryFolderAndItemReads) {
  const struct {
    const char* file;
    int messages;  // at least, embedded ones included
  } cases[] = {{"outlook-sample.pst", 4}, {"outlook-top-folder.pst", 4}, {"outlook-ansi-japanese.pst", 1}};
  for (const auto& c : cases) {
    const auto path = testing_support::SharedFixtures() / c.file;
    if (!std::filesystem::exists(path)) {
      std::cout << "skipped: " << path << " is absent\n";
      continue;
    }
    HRESULT hr = E_FAIL;
    ComPtr<IMsgStore> store = OpenStore(path, &hr);
    ASSERT_EQ(hr, S_OK) << c.file;
    int read = 0;
    ForEachMessage(store.Get(), [&](IMessage* m) { read += ReadWhole(m); });
    EXPECT_GE(read, c.messages) << c.file;
    std::cout << c.file << ": " << read << " messages\n";
  }
}

}  // namespace

namespace {

// Versions the reader refuses, before any check of the header's CRCs.
TEST(PstHeader, RefusesFormsItDoesNotRead) {
  testing_support::TempMachine machine;
  const auto sound = MakePst(machine.scratch(), "{}");
  const struct {
    uint16_t version;
    const char* reason;
  } cases[] = {{36, "the 4K-page form of OST files (format version 36) is not supported"},
               {99, "unknown file format version 99"}};
  for (const auto& c : cases) {
    const auto file = machine.scratch() / "version.pst";
    std::filesystem::copy_file(sound, file, std::filesystem::copy_options::overwrite_existing);
    {
      std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(10);  // wVer
      f.put(static_cast<char>(c.version)).put(static_cast<char>(c.version >> 8));
    }
    std::string reason;
    EXPECT_EQ(mapi::CheckPstFile(file.u16string(), &reason), MAPI_E_CORRUPT_STORE);
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
  }
}

}  // namespace
