#include "compare.h"

#include <gtest/gtest.h>

#include "mapi/mapitags.h"
#include "mapi/tagnames.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace pstgen_test {
namespace {

std::string TagText(ULONG tag) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", unsigned(tag));
  std::string name(mapi::NameFromTag(tag));
  return name.empty() ? buf : name + " (" + buf + ")";
}

// Values of up to four bytes are held inline: readers may hand back the
// whole 32-bit slot, whose extra bytes are zero.
void ExpectValue(const Bytes& want, const Bytes& got, const std::string& where) {
  if (want.size() < 4 && got.size() == 4) {
    Bytes padded = want;
    padded.resize(4, 0);
    EXPECT_EQ(padded, got) << where;
  } else {
    EXPECT_EQ(want, got) << where;
  }
}

Bytes Ansi(const std::uint8_t* utf16, std::size_t size) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < size; i += 2) s.push_back(char16_t(utf16[i] | utf16[i + 1] << 8));
  std::string a = win32::Utf16ToAnsi(s);
  return Bytes(a.begin(), a.end());
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// A described property as an ANSI file must hold it: Unicode strings as
// 8-bit strings in Windows-1252, multi-valued ones re-laid.
pstgen::Property AsStored(const pstgen::Property& p, bool ansi) {
  ULONG type = PROP_TYPE(p.tag);
  if (!ansi || (type != PT_UNICODE && type != PT_MV_UNICODE)) return p;
  if (type == PT_UNICODE) return {CHANGE_PROP_TYPE(p.tag, PT_STRING8), Ansi(p.value.data(), p.value.size())};
  std::uint32_t n = Le32(p.value, 0);
  std::vector<Bytes> items;
  for (std::uint32_t i = 0; i < n; ++i) {
    std::size_t from = Le32(p.value, 4 + 4 * i), to = i + 1 < n ? Le32(p.value, 8 + 4 * i) : p.value.size();
    items.push_back(Ansi(p.value.data() + from, to - from));
  }
  Bytes v(4 + 4 * n);
  for (int k = 0; k < 4; ++k) v[k] = std::uint8_t(n >> (8 * k));
  std::size_t at = v.size();
  for (std::uint32_t i = 0; i < n; ++i) {
    for (int k = 0; k < 4; ++k) v[4 + 4 * i + k] = std::uint8_t(at >> (8 * k));
    at += items[i].size();
  }
  for (const Bytes& b : items) v.insert(v.end(), b.begin(), b.end());
  return {CHANGE_PROP_TYPE(p.tag, PT_MV_STRING8), v};
}

const pstgen::Property* Find(const std::vector<pstgen::Property>& props, ULONG tag) {
  for (auto it = props.rbegin(); it != props.rend(); ++it)
    if (it->tag == tag) return &*it;
  return nullptr;
}

void ExpectFolderMatches(const pstgen::Folder& want, const ReadFolder& got, const std::string& where, bool ansi) {
  SCOPED_TRACE(where);
  ExpectPropsMatch(want.props, got.props, where, ansi);
  ASSERT_EQ(want.messages.size(), got.messages.size()) << where;
  for (std::size_t i = 0; i < want.messages.size(); ++i)
    ExpectMessageMatches(want.messages[i], got.messages[i], where + "/message " + std::to_string(i), ansi);
  ASSERT_EQ(want.folders.size(), got.folders.size()) << where;
  for (std::size_t i = 0; i < want.folders.size(); ++i) {
    ASSERT_EQ(std::string(win32::Utf16ToUtf8(want.folders[i].name)), got.folders[i].name) << where;
    ExpectFolderMatches(want.folders[i], got.folders[i], where + "/" + got.folders[i].name, ansi);
  }
}

}  // namespace

void ExpectPropsMatch(const std::vector<pstgen::Property>& want, const Item& got, const std::string& where,
                      bool ansi) {
  for (const pstgen::Property& described : want) {
    // The last occurrence of an ID wins, as in the file.
    if (Find(want, described.tag) != &described) continue;
    pstgen::Property p = AsStored(described, ansi);
    const Entry* e = got.Find(p.tag);
    if (!e) {
      ADD_FAILURE() << where << ": " << TagText(p.tag) << " missing";
      continue;
    }
    ExpectValue(p.value, e->data, where + ": " + TagText(p.tag));
  }
}

void ExpectMessageMatches(const pstgen::Message& want, const ReadMessage& got, const std::string& where, bool ansi) {
  ExpectPropsMatch(want.props, got.props, where, ansi);
  for (const pstgen::NamedProperty& n : want.named) {
    Bytes guid(n.set.bytes, n.set.bytes + 16);
    const Entry* e = n.isString ? got.props.FindNamed(guid, win32::Utf16ToUtf8(n.name)) : got.props.FindNamed(guid, n.lid);
    std::string what = where + ": named " + (n.isString ? win32::Utf16ToUtf8(n.name) : std::to_string(n.lid));
    if (!e) {
      ADD_FAILURE() << what << " missing";
      continue;
    }
    pstgen::Property stored = AsStored({PROP_TAG(n.type, 0), n.value}, ansi);
    EXPECT_EQ(PROP_TYPE(stored.tag), e->tag & 0xFFFF) << what;
    ExpectValue(stored.value, e->data, what);
  }
  ASSERT_EQ(want.recipients.size(), got.recipients.size()) << where;
  for (std::size_t i = 0; i < want.recipients.size(); ++i)
    ExpectPropsMatch(want.recipients[i].props, got.recipients[i], where + "/recipient " + std::to_string(i), ansi);
  ASSERT_EQ(want.attachments.size(), got.attachments.size()) << where;
  for (std::size_t i = 0; i < want.attachments.size(); ++i) {
    const pstgen::Attachment& a = want.attachments[i];
    const ReadAttachment& r = got.attachments[i];
    std::string at = where + "/attachment " + std::to_string(i);
    std::vector<pstgen::Property> plain;
    for (const pstgen::Property& p : a.props)
      if (PROP_ID(p.tag) != PROP_ID(PR_ATTACH_DATA_BIN)) plain.push_back(p);
    ExpectPropsMatch(plain, r.props, at, ansi);
    const pstgen::Property* data = Find(a.props, PR_ATTACH_DATA_BIN);
    if (!data) data = Find(a.props, PR_ATTACH_DATA_OBJ);
    if (a.message) {
      ASSERT_EQ(r.type, 'i') << at;
      ASSERT_TRUE(r.message) << at;
      ExpectMessageMatches(*a.message, *r.message, at + "/embedded", ansi);
    } else if (data && r.type == 'd') {
      EXPECT_EQ(Sha256(data->value), Sha256(r.data)) << at;
    }
  }
}

void ExpectStoreMatches(const pstgen::Store& want, const ReadFile& got) {
  const bool ansi = want.format == pstgen::FileFormat::kAnsi;
  EXPECT_EQ(ansi, got.ansi) << "the file's form";
  ExpectPropsMatch(want.props, got.store, "store", ansi);
  const ReadFolder* ipm = got.root.Child("Top of Personal Folders");
  ASSERT_TRUE(ipm);
  ASSERT_TRUE(got.root.Child("Search Root"));
  // The IPM subtree holds Deleted Items first, then the described folders
  // (a described "Deleted Items" is that same folder).
  std::size_t extra = 1;
  for (const pstgen::Folder& f : want.folders) extra -= (f.name == u"Deleted Items") ? 1 : 0;
  ASSERT_EQ(want.folders.size() + extra, ipm->folders.size());
  for (const pstgen::Folder& f : want.folders) {
    std::string name = win32::Utf16ToUtf8(f.name);
    const ReadFolder* g = ipm->Child(name);
    ASSERT_TRUE(g) << name;
    ExpectFolderMatches(f, *g, name, ansi);
  }
}

}  // namespace pstgen_test
