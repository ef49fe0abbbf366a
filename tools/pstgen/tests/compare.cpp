#include "compare.h"

#include <gtest/gtest.h>

#include "mapi/mapitags.h"
#include "mapi/tagnames.h"
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

const pstgen::Property* Find(const std::vector<pstgen::Property>& props, ULONG tag) {
  for (auto it = props.rbegin(); it != props.rend(); ++it)
    if (it->tag == tag) return &*it;
  return nullptr;
}

void ExpectFolderMatches(const pstgen::Folder& want, const ReadFolder& got, const std::string& where) {
  SCOPED_TRACE(where);
  ExpectPropsMatch(want.props, got.props, where);
  ASSERT_EQ(want.messages.size(), got.messages.size()) << where;
  for (std::size_t i = 0; i < want.messages.size(); ++i)
    ExpectMessageMatches(want.messages[i], got.messages[i], where + "/message " + std::to_string(i));
  ASSERT_EQ(want.folders.size(), got.folders.size()) << where;
  for (std::size_t i = 0; i < want.folders.size(); ++i) {
    ASSERT_EQ(std::string(win32::Utf16ToUtf8(want.folders[i].name)), got.folders[i].name) << where;
    ExpectFolderMatches(want.folders[i], got.folders[i], where + "/" + got.folders[i].name);
  }
}

}  // namespace

void ExpectPropsMatch(const std::vector<pstgen::Property>& want, const Item& got, const std::string& where) {
  for (const pstgen::Property& p : want) {
    // The last occurrence of an ID wins, as in the file.
    if (Find(want, p.tag) != &p) continue;
    const Entry* e = got.Find(p.tag);
    if (!e) {
      ADD_FAILURE() << where << ": " << TagText(p.tag) << " missing";
      continue;
    }
    ExpectValue(p.value, e->data, where + ": " + TagText(p.tag));
  }
}

void ExpectMessageMatches(const pstgen::Message& want, const ReadMessage& got, const std::string& where) {
  ExpectPropsMatch(want.props, got.props, where);
  for (const pstgen::NamedProperty& n : want.named) {
    Bytes guid(n.set.bytes, n.set.bytes + 16);
    const Entry* e = n.isString ? got.props.FindNamed(guid, win32::Utf16ToUtf8(n.name)) : got.props.FindNamed(guid, n.lid);
    std::string what = where + ": named " + (n.isString ? win32::Utf16ToUtf8(n.name) : std::to_string(n.lid));
    if (!e) {
      ADD_FAILURE() << what << " missing";
      continue;
    }
    EXPECT_EQ(n.type, e->tag & 0xFFFF) << what;
    ExpectValue(n.value, e->data, what);
  }
  ASSERT_EQ(want.recipients.size(), got.recipients.size()) << where;
  for (std::size_t i = 0; i < want.recipients.size(); ++i)
    ExpectPropsMatch(want.recipients[i].props, got.recipients[i], where + "/recipient " + std::to_string(i));
  ASSERT_EQ(want.attachments.size(), got.attachments.size()) << where;
  for (std::size_t i = 0; i < want.attachments.size(); ++i) {
    const pstgen::Attachment& a = want.attachments[i];
    const ReadAttachment& r = got.attachments[i];
    std::string at = where + "/attachment " + std::to_string(i);
    std::vector<pstgen::Property> plain;
    for (const pstgen::Property& p : a.props)
      if (PROP_ID(p.tag) != PROP_ID(PR_ATTACH_DATA_BIN)) plain.push_back(p);
    ExpectPropsMatch(plain, r.props, at);
    const pstgen::Property* data = Find(a.props, PR_ATTACH_DATA_BIN);
    if (!data) data = Find(a.props, PR_ATTACH_DATA_OBJ);
    if (a.message) {
      ASSERT_EQ(r.type, 'i') << at;
      ASSERT_TRUE(r.message) << at;
      ExpectMessageMatches(*a.message, *r.message, at + "/embedded");
    } else if (data && r.type == 'd') {
      EXPECT_EQ(Sha256(data->value), Sha256(r.data)) << at;
    }
  }
}

void ExpectStoreMatches(const pstgen::Store& want, const ReadFile& got) {
  ExpectPropsMatch(want.props, got.store, "store");
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
    ExpectFolderMatches(f, *g, name);
  }
}

}  // namespace pstgen_test
