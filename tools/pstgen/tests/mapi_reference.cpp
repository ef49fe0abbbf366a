#include "mapi_reference.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <set>

#include "mapi/holders.h"
#include "mapi/mapicode.h"
#include "mapi/mapitags.h"
#include "mapi/mapix.h"
#include "mapi/profiles.h"
#include "reference_values.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace pstgen_test {

const RuleText kRules[12] = {
    {Rule::kOwnIdentity, "own identity",
     "PR_ENTRYID, PR_RECORD_KEY, PR_INSTANCE_KEY, PR_STORE_ENTRYID, PR_STORE_RECORD_KEY, the store's "
     "PR_DISPLAY_NAME and PR_MDB_PROVIDER are the session's, whatever the file stores"},
    {Rule::kAddedWhenMissing, "added when missing",
     "PR_OBJECT_TYPE, PR_FOLDER_TYPE, PR_CONTENT_COUNT, PR_SUBFOLDERS, PR_DEPTH, PR_HASATTACH, PR_ATTACH_NUM and "
     "PR_ROWID are answered when the file has none (where it has one, it must agree)"},
    {Rule::kStoreEntryIds, "store entry ids",
     "entry ids among the store's properties name the same node in the session's form (flags, store uid, node id)"},
    {Rule::kSubjectMarker, "subject marker",
     "a stored PR_SUBJECT that begins with 0x01 and the prefix's length answers without those two characters"},
    {Rule::kNamedByName, "named by name",
     "named properties are matched by property set and name or id; the ids the session hands out are its own"},
    {Rule::kEmptyCells, "empty cells",
     "a recipient row's cell the table does not hold (its existence bit clear) is absent, where libpff shows an "
     "empty value, or zero bytes for a fixed-size cell"},
    {Rule::kTooLarge, "too large",
     "values too large for a row or an object answer MAPI_E_NOT_ENOUGH_MEMORY and read through OpenProperty"},
    {Rule::kCodePage, "code page",
     "8-bit text of an item that declares its code page or locale converts in that code page, where libpff "
     "converts the whole file in one; the stored bytes agree"},
    {Rule::kUndefinedBytes, "undefined bytes",
     "the five bytes Windows-1252 leaves undefined (81, 8D, 8F, 90, 9D) become the C1 controls of the same value, "
     "as Windows converts them, where libpff gives U+FFFD"},
    {Rule::kDamage, "damage",
     "an object, table, value or data the session refuses as damaged (MAPI_E_CORRUPT_DATA, or STG_E_READFAULT "
     "from a data stream) where libpff reads bytes whose checks fail; the contents row of such a message keeps "
     "only its keys"},
    {Rule::kNoClassNoParts, "no class, no parts",
     "libpff serves no recipients or attachments for a message without a class; the session does"},
    {Rule::kRowOrder, "row order",
     "hierarchy and contents rows come in the order the folder's table holds them, where libpff lists a "
     "folder's children in node-id order; each row is compared with libpff's item of the same node"},
};

std::string RuleName(Rule rule) {
  for (const RuleText& r : kRules)
    if (r.rule == rule) return r.name;
  return "?";
}

namespace {

enum class Kind { kStore, kFolder, kMessage, kAttachment, kRecipient };

constexpr uint16_t kDataId = 0x3701, kSubjectId = 0x0037;
constexpr uint16_t kDeclarations[] = {0x3FFD, 0x3FF1, 0x3FDE};  // code page, locale, internet code page

// What a property is on both sides: its tag, or for a named property its
// set, name or lid, and type.
using Key = std::string;

Key TagKey(std::uint32_t tag) { return TagText(tag); }
Key NamedKey(const Bytes& guid, bool isString, std::uint32_t lid, const std::string& name, std::uint16_t type) {
  return "named " + Hex(guid) + (isString ? " name " + name : " lid " + std::to_string(lid)) + " type " +
         std::to_string(type);
}

// One property on one side.
struct Value {
  std::uint32_t tag = 0;  // with the stored (libpff) or answered (session) type
  Bytes data;             // in the common form
  SCODE error = S_OK;     // the session's PT_ERROR value
  const Entry* entry = nullptr;
};
using Values = std::map<Key, Value>;

Values FromItem(const Item& item, bool withData) {
  Values out;
  for (const Entry& e : item.entries) {
    if (!withData && (e.tag >> 16) == kDataId) continue;
    const std::uint16_t type = std::uint16_t(e.tag);
    const Key key = e.named ? NamedKey(e.guid, e.isString, e.lid, e.name, type) : TagKey(e.tag);
    out[key] = {e.tag, FromStored(e.tag, e.data), S_OK, &e};
  }
  return out;
}

bool Declares(const Item& item) {
  for (std::uint16_t id : kDeclarations)
    if (item.Find(std::uint32_t(id) << 16 | PT_LONG)) return true;
  return false;
}

// The stream's bytes; *status is the failure that ended it early, if any.
Bytes ReadAll(IStream* s, HRESULT* status) {
  Bytes out;
  std::uint8_t buf[65536];
  ULONG n = 0;
  *status = S_OK;
  while (SUCCEEDED(*status = s->Read(buf, sizeof buf, &n)) && n > 0) out.insert(out.end(), buf, buf + n);
  if (SUCCEEDED(*status)) *status = S_OK;
  return out;
}

std::vector<ULONG> OwnTags(Kind kind) {
  std::vector<ULONG> tags = {PR_ENTRYID, PR_RECORD_KEY, PR_INSTANCE_KEY, PR_STORE_ENTRYID, PR_STORE_RECORD_KEY};
  if (kind == Kind::kStore) tags.insert(tags.end(), {PR_DISPLAY_NAME_W, PR_MDB_PROVIDER});
  return tags;
}
std::vector<ULONG> AddedTags(Kind kind) {
  switch (kind) {
    case Kind::kFolder: return {PR_OBJECT_TYPE, PR_FOLDER_TYPE, PR_CONTENT_COUNT, PR_SUBFOLDERS, PR_DEPTH};
    case Kind::kMessage: return {PR_OBJECT_TYPE, PR_HASATTACH};
    case Kind::kAttachment: return {PR_OBJECT_TYPE, PR_ATTACH_NUM};
    case Kind::kRecipient: return {PR_ROWID};
    default: return {PR_OBJECT_TYPE};
  }
}
bool Among(const std::vector<ULONG>& tags, std::uint32_t tag) {
  return std::any_of(tags.begin(), tags.end(), [&](ULONG t) { return PROP_ID(t) == (tag >> 16); });
}

std::uint32_t NidOfEntryId(const Bytes& id) { return id.size() == 24 ? Le32(id, 20) : 0; }

class Walker {
 public:
  Walker(const ReadFile& file, IMsgStore* store, Comparison& out)
      : file_(file), store_(store), out_(out), flags_(file.ansi ? 0 : MAPI_UNICODE) {
    if (const Entry* key = file.store.Find(PR_RECORD_KEY)) recordKey_ = key->data;
  }

  void Store() {
    Object(Kind::kStore, "store", file_.store, store_, Declares(file_.store));
    ComPtr<IMAPIFolder> root;
    ULONG type = 0;
    if (FAILED(store_->OpenEntry(0, nullptr, &IID_IMAPIFolder, 0, &type,
                                 reinterpret_cast<LPUNKNOWN*>(root.ReleaseAndGetAddressOf()))))
      return Differ("store", "the root folder does not open");
    Folder(file_.root, root.Get(), "root");
  }

 private:
  void Differ(const std::string& where, const std::string& what) { out_.differences.push_back(where + ": " + what); }
  // A call that failed: by design when the session found the file damaged.
  void Failed(const std::string& where, const std::string& what, HRESULT hr) {
    if (hr == MAPI_E_CORRUPT_DATA) return ByDesign(Rule::kDamage);
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", unsigned(hr));
    Differ(where, what + " (" + code + ")");
  }
  void ByDesign(Rule rule) { ++out_.byDesign[rule]; }

  // The session's tag for a key of libpff's; 0 when the session has none.
  ULONG TagFor(const Value& v) {
    const Entry& e = *v.entry;
    if (!e.named) return e.tag;
    GUID guid{};
    std::memcpy(&guid, e.guid.data(), std::min<std::size_t>(16, e.guid.size()));
    std::u16string name = win32::Utf8ToUtf16(e.name);
    MAPINAMEID id{&guid, e.isString ? MNID_STRING : MNID_ID, {}};
    if (e.isString) id.Kind.lpwstrName = name.data();
    else id.Kind.lID = LONG(e.lid);
    LPMAPINAMEID ids[] = {&id};
    LPSPropTagArray tags = nullptr;
    if (FAILED(store_->GetIDsFromNames(1, ids, 0, &tags)) || !tags) return 0;
    mapi::Buffer<SPropTagArray> held(tags);
    const ULONG tag = tags->cValues == 1 ? tags->aulPropTag[0] : 0;
    if (PROP_TYPE(tag) == PT_ERROR || PROP_ID(tag) < 0x8000) return 0;
    if (PROP_ID(tag) != (e.tag >> 16)) ByDesign(Rule::kNamedByName);
    return PROP_TAG(e.tag & 0xFFFF, PROP_ID(tag));
  }

  // Every property the object answers, named ones by name.
  Values Answered(IMAPIProp* obj, const std::string& where) {
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    Values out;
    if (HRESULT hr = obj->GetProps(nullptr, flags_, &count, &raw); FAILED(hr)) {
      Failed(where, "GetProps fails", hr);
      return out;
    }
    mapi::Buffer<SPropValue> held(raw);
    std::vector<ULONG> named;
    for (ULONG i = 0; i < count; ++i)
      if (PROP_ID(raw[i].ulPropTag) >= 0x8000) named.push_back(raw[i].ulPropTag);
    std::map<ULONG, Key> names = NamesOf(obj, named);
    for (ULONG i = 0; i < count; ++i) {
      const SPropValue& v = raw[i];
      const auto name = names.find(PROP_ID(v.ulPropTag));
      const Key key = name != names.end() ? name->second + " type " + std::to_string(PROP_TYPE(v.ulPropTag))
                                          : TagKey(v.ulPropTag);
      out[key] = {v.ulPropTag, FromMapi(v), PROP_TYPE(v.ulPropTag) == PT_ERROR ? v.Value.err : S_OK, nullptr};
    }
    return out;
  }

  // Named property ids to the first part of their keys.
  std::map<ULONG, Key> NamesOf(IMAPIProp* obj, const std::vector<ULONG>& tags) {
    std::map<ULONG, Key> out;
    if (tags.empty()) return out;
    mapi::Buffer<SPropTagArray> array(TagArray(tags));
    LPSPropTagArray asked = array.get();
    ULONG count = 0;
    LPMAPINAMEID* names = nullptr;
    if (FAILED(obj->GetNamesFromIDs(&asked, nullptr, 0, &count, &names)) || !names) return out;
    mapi::Buffer<LPMAPINAMEID> held(names);
    for (ULONG i = 0; i < count && i < tags.size(); ++i) {
      const MAPINAMEID* n = names[i];
      if (!n || !n->lpguid) continue;
      const Bytes guid = Raw(n->lpguid, 16);
      const Key key = n->ulKind == MNID_STRING
                          ? "named " + Hex(guid) + " name " + win32::Utf16ToUtf8(n->Kind.lpwstrName)
                          : "named " + Hex(guid) + " lid " + std::to_string(std::uint32_t(n->Kind.lID));
      out[PROP_ID(tags[i])] = key;
    }
    return out;
  }

  // One value of libpff's (or none) against the session's (or none).
  void CompareValue(Kind kind, const std::string& where, const Key& key, const Value* pff, const Value* got,
                    IMAPIProp* object) {
    ++out_.values;
    const std::uint32_t tag = pff ? pff->tag : got->tag;
    const std::string at = where + " " + key;
    if (got && got->error == MAPI_E_NOT_FOUND && PROP_TYPE(got->tag) == PT_ERROR) got = nullptr;
    if (!pff) {
      if (Among(OwnTags(kind), tag)) return ByDesign(Rule::kOwnIdentity);
      if (Among(AddedTags(kind), tag)) return ByDesign(Rule::kAddedWhenMissing);
      return Differ(at, "only the session has it: " + Hex(got->data));
    }
    if (!got) {
      if (kind == Kind::kRecipient && AnEmptyCell(*pff)) return ByDesign(Rule::kEmptyCells);
      return Differ(at, "the session lacks it; libpff " + Hex(pff->data));
    }
    if (PROP_TYPE(got->tag) == PT_ERROR && got->error == MAPI_E_CORRUPT_DATA) return ByDesign(Rule::kDamage);
    if (PROP_TYPE(got->tag) == PT_ERROR && got->error == MAPI_E_NOT_ENOUGH_MEMORY) {
      if (!object) return ByDesign(Rule::kTooLarge);
      return Streamed(at, *pff, object);
    }
    if (got->data == pff->data && PROP_TYPE(got->tag) == (pff->tag & 0xFFFF)) return;
    if (Among(OwnTags(kind), tag)) return ByDesign(Rule::kOwnIdentity);
    if (kind == Kind::kStore && SameNode(pff->data, got->data)) return ByDesign(Rule::kStoreEntryIds);
    if ((tag >> 16) == kSubjectId && WithoutMarker(pff->tag, pff->data) == got->data) return ByDesign(Rule::kSubjectMarker);
    Differ(at, "libpff " + TagText(pff->tag) + " " + Hex(pff->data) + ", the session " + TagText(got->tag) + " " +
                   Hex(got->data));
  }

  void Streamed(const std::string& at, const Value& pff, IMAPIProp* object) {
    ComPtr<IStream> stream;
    const ULONG tag = TagFor(pff);
    if (HRESULT hr = object->OpenProperty(tag, &IID_IStream, 0, 0,
                                          reinterpret_cast<LPUNKNOWN*>(stream.ReleaseAndGetAddressOf()));
        FAILED(hr))
      return Failed(at, "too large for GetProps and OpenProperty fails", hr);
    HRESULT status = S_OK;
    const Bytes read = ReadAll(stream.Get(), &status);
    if (FAILED(status)) return Failed(at, "its stream fails", status);
    if (FromStored(pff.tag, read) != pff.data) return Differ(at, "the stream holds " + Hex(read) + ", libpff " + Hex(pff.data));
    ByDesign(Rule::kTooLarge);
  }

  // What libpff shows for a cell whose existence bit is clear.
  static bool AnEmptyCell(const Value& pff) {
    const Bytes& stored = pff.entry->data;
    if (IsVariable(pff.tag & 0xFFFF)) return stored.empty();
    return std::all_of(stored.begin(), stored.end(), [](std::uint8_t b) { return b == 0; });
  }

  bool SameNode(const Bytes& stored, const Bytes& answered) const {
    return stored.size() == 24 && answered.size() == 24 && recordKey_.size() == 16 &&
           std::equal(recordKey_.begin(), recordKey_.end(), stored.begin() + 4) &&
           NidOfEntryId(stored) == NidOfEntryId(answered);
  }

  static Bytes WithoutMarker(std::uint32_t tag, const Bytes& subject) {
    const std::size_t unit = (tag & 0xFFFF) == PT_UNICODE ? 2 : 1;
    if (subject.size() < 2 * unit || subject[0] != 1) return subject;
    return Bytes(subject.begin() + 2 * unit, subject.end());
  }

  // A key without its type: what names the property whatever its width.
  static std::string Identity(const Key& key, std::uint32_t tag) {
    return key.rfind("named ", 0) == 0 ? key.substr(0, key.rfind(" type ")) : TagText(tag & 0xFFFF0000);
  }

  // Each property libpff reads, asked of the object with its stored type;
  // then every other property the object lists.
  void Object(Kind kind, const std::string& where, const Item& item, IMAPIProp* obj, bool declares) {
    ++out_.objects;
    Values expected = FromItem(item, kind != Kind::kAttachment);
    for (auto it = expected.begin(); it != expected.end();)
      it = (it->second.tag & 0xFFFF) == PT_OBJECT ? expected.erase(it) : std::next(it);  // opened, not listed
    std::vector<Key> keys;
    std::vector<ULONG> tags;
    std::set<std::string> known;
    for (const auto& [key, value] : expected) {
      known.insert(Identity(key, value.tag));
      if (ULONG tag = TagFor(value)) keys.push_back(key), tags.push_back(tag);
      else Differ(where + " " + key, "the session has no id for its name");
    }
    const Values asked = Asked(obj, keys, tags, where);
    for (const auto& [key, value] : expected) {
      const auto found = asked.find(key);
      if (found != asked.end()) CompareValue(kind, where, key, &value, &found->second, obj);
    }
    for (const auto& [key, value] : Answered(obj, where))
      if ((value.tag >> 16) != kDataId || kind != Kind::kAttachment)
        if (!known.count(Identity(key, value.tag))) CompareValue(kind, where, key, nullptr, &value, obj);
    if (file_.ansi) Texts(kind, where, expected, obj, declares);
  }

  Values Asked(IMAPIProp* obj, const std::vector<Key>& keys, const std::vector<ULONG>& tags, const std::string& where) {
    Values out;
    if (tags.empty()) return out;
    mapi::Buffer<SPropTagArray> array(TagArray(tags));
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    if (HRESULT hr = obj->GetProps(array.get(), flags_, &count, &raw); FAILED(hr) || count != tags.size()) {
      Failed(where, "GetProps of libpff's tags fails", hr);
      return out;
    }
    mapi::Buffer<SPropValue> held(raw);
    for (ULONG i = 0; i < count; ++i)
      out[keys[i]] = {raw[i].ulPropTag, FromMapi(raw[i]), PROP_TYPE(raw[i].ulPropTag) == PT_ERROR ? raw[i].Value.err : S_OK};
    return out;
  }

  static LPSPropTagArray TagArray(const std::vector<ULONG>& tags) {
    void* p = nullptr;
    MAPIAllocateBuffer(ULONG(CbNewSPropTagArray(ULONG(tags.size()))), &p);
    auto* array = static_cast<LPSPropTagArray>(p);
    array->cValues = ULONG(tags.size());
    std::copy(tags.begin(), tags.end(), array->aulPropTag);
    return array;
  }

  // The Unicode view of an ANSI file's 8-bit strings against libpff's
  // conversion in its one code page.
  void Texts(Kind kind, const std::string& where, const Values& expected, IMAPIProp* obj, bool declares) {
    for (const auto& [key, value] : expected) {
      if ((value.tag & 0xFFFF) != PT_STRING8 || !value.entry->text || Among(OwnTags(kind), value.tag)) continue;
      const ULONG tag = TagFor(value);
      if (!tag) continue;
      SPropTagArray one{1, {CHANGE_PROP_TYPE(tag, PT_UNICODE)}};
      ULONG count = 0;
      LPSPropValue raw = nullptr;
      if (FAILED(obj->GetProps(&one, MAPI_UNICODE, &count, &raw))) continue;
      mapi::Buffer<SPropValue> held(raw);
      if (PROP_TYPE(raw[0].ulPropTag) != PT_UNICODE) continue;  // too large: compared as bytes
      std::string text = win32::Utf16ToUtf8(raw[0].Value.lpszW);
      std::string theirs = *value.entry->text;
      if (text == theirs) continue;
      if ((value.tag >> 16) == kSubjectId && theirs.size() >= 2 && theirs[0] == 1 && text == theirs.substr(2)) continue;
      if (declares) {
        ByDesign(Rule::kCodePage);
        continue;
      }
      if (GetACP() == 1252 && WithUndefinedReplaced(text) == theirs) {
        ByDesign(Rule::kUndefinedBytes);
        continue;
      }
      Differ(where + " " + key, "as text: libpff \"" + theirs + "\", the session \"" + text + "\"");
    }
  }

  static std::string WithUndefinedReplaced(const std::string& utf8) {
    std::u16string text = win32::Utf8ToUtf16(utf8);
    for (char16_t& c : text)
      if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) c = 0xFFFD;
    return win32::Utf16ToUtf8(text);
  }

  // The rows of a table with a column for every property the expected
  // items hold; each row against its item.
  void Rows(Kind kind, const std::string& where, IMAPITable* table, const std::vector<const Item*>& expected,
            std::vector<std::uint32_t> nids) {
    std::vector<Values> items;
    std::map<Key, ULONG> columns;
    for (const Item* item : expected) {
      items.push_back(FromItem(*item, false));
      for (const auto& [key, value] : items.back())
        if ((value.tag & 0xFFFF) != PT_OBJECT && !columns.count(key))
          if (ULONG tag = TagFor(value)) columns[key] = tag;
    }
    std::vector<ULONG> tags = {PR_ENTRYID};
    std::vector<Key> keys = {""};
    for (const auto& [key, tag] : columns) tags.push_back(tag), keys.push_back(key);
    mapi::Buffer<SPropTagArray> array(TagArray(tags));
    LPSRowSet raw = nullptr;
    if (HRESULT hr = HrQueryAllRows(table, array.get(), nullptr, nullptr, 0, &raw); FAILED(hr))
      return Failed(where, "the table does not read", hr);
    mapi::RowSet rows(raw);
    if (rows->cRows != expected.size())
      return Differ(where, std::to_string(rows->cRows) + " rows, libpff " + std::to_string(expected.size()));
    std::set<std::uint32_t> seen;
    for (ULONG r = 0; r < rows->cRows; ++r) {
      ++out_.objects;
      const SPropValue* v = rows->aRow[r].lpProps;
      const std::string at = where + " row " + std::to_string(r);
      std::size_t item = r;
      bool damaged = false;
      if (!nids.empty()) {
        const std::uint32_t nid = NidOfEntryId(FromMapi(v[0]));
        const auto it = std::find(nids.begin(), nids.end(), nid);
        if (it == nids.end() || !seen.insert(nid).second) {
          Differ(at, "names node " + std::to_string(nid) + ", which libpff does not list or lists once");
          continue;
        }
        item = std::size_t(it - nids.begin());
        if (item != r) ByDesign(Rule::kRowOrder);
        damaged = kind == Kind::kMessage && Damaged(nid);
      }
      for (std::size_t c = 1; c < keys.size(); ++c) {
        const auto mine = items[item].find(keys[c]);
        const Value got{v[c].ulPropTag, FromMapi(v[c]), PROP_TYPE(v[c].ulPropTag) == PT_ERROR ? v[c].Value.err : S_OK};
        if (mine == items[item].end() && PROP_TYPE(got.tag) == PT_ERROR && got.error == MAPI_E_NOT_FOUND) continue;
        if (damaged && mine != items[item].end() && PROP_TYPE(got.tag) == PT_ERROR && got.error == MAPI_E_NOT_FOUND) {
          ++out_.values;
          ByDesign(Rule::kDamage);
          continue;
        }
        CompareValue(kind, at, keys[c], mine == items[item].end() ? nullptr : &mine->second, &got, nullptr);
      }
    }
  }

  // Whether the session refuses the message as damaged (its row then
  // keeps only its keys).
  bool Damaged(std::uint32_t nid) {
    HRESULT hr = S_OK;
    ComPtr<IMessage> message = OpenById<IMessage>(IdOf(nid), IID_IMessage, &hr);
    if (!message) return hr == MAPI_E_CORRUPT_DATA;
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    hr = message->GetProps(nullptr, 0, &count, &raw);
    mapi::Buffer<SPropValue> held(raw);
    return hr == MAPI_E_CORRUPT_DATA;
  }

  template <class T>
  ComPtr<T> OpenById(const Bytes& id, REFIID iid, HRESULT* status) {
    ComPtr<T> out;
    ULONG type = 0;
    *status = store_->OpenEntry(ULONG(id.size()), reinterpret_cast<LPENTRYID>(const_cast<std::uint8_t*>(id.data())),
                                &iid, 0, &type, reinterpret_cast<LPUNKNOWN*>(out.ReleaseAndGetAddressOf()));
    return out;
  }
  Bytes IdOf(std::uint32_t nid) {
    // The session's entry ids: flags, the store's uid (its record key), the node.
    Bytes id(4, 0);
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    SPropTagArray one{1, {PR_RECORD_KEY}};
    if (SUCCEEDED(store_->GetProps(&one, 0, &count, &raw))) {
      mapi::Buffer<SPropValue> held(raw);
      const Bytes uid = FromMapi(raw[0]);
      id.insert(id.end(), uid.begin(), uid.end());
    }
    PutLe32(id, nid);
    return id;
  }

  void Folder(const ReadFolder& pff, IMAPIFolder* folder, const std::string& where) {
    Object(Kind::kFolder, where, pff.props, folder, Declares(pff.props));
    ComPtr<IMAPITable> hierarchy, contents;
    std::vector<const Item*> items;
    std::vector<std::uint32_t> nids;
    for (const ReadFolder& f : pff.folders) items.push_back(&f.props), nids.push_back(f.id);
    if (FAILED(folder->GetHierarchyTable(flags_, hierarchy.ReleaseAndGetAddressOf())))
      return Differ(where, "no hierarchy table");
    Rows(Kind::kFolder, where + " hierarchy", hierarchy.Get(), items, nids);
    for (const ReadFolder& f : pff.folders) {
      const std::string at = where + "/" + (f.name.empty() ? std::to_string(f.id) : f.name);
      HRESULT hr = S_OK;
      ComPtr<IMAPIFolder> sub = OpenById<IMAPIFolder>(IdOf(f.id), IID_IMAPIFolder, &hr);
      if (!sub) {
        Failed(at, "does not open", hr);
        continue;
      }
      Folder(f, sub.Get(), at);
    }
    items.clear();
    nids.clear();
    for (const ReadMessage& m : pff.messages) items.push_back(&m.props), nids.push_back(m.id);
    if (FAILED(folder->GetContentsTable(flags_, contents.ReleaseAndGetAddressOf())))
      return Differ(where, "no contents table");
    Rows(Kind::kMessage, where + " contents", contents.Get(), items, nids);
    for (const ReadMessage& m : pff.messages) {
      const std::string at = where + " message " + std::to_string(m.id);
      HRESULT hr = S_OK;
      ComPtr<IMessage> message = OpenById<IMessage>(IdOf(m.id), IID_IMessage, &hr);
      if (!message) {
        Failed(at, "does not open", hr);
        continue;
      }
      Message(m, message.Get(), at);
    }
  }

  void Message(const ReadMessage& pff, IMessage* message, const std::string& where) {
    const bool declares = Declares(pff.props);
    Object(Kind::kMessage, where, pff.props, message, declares);
    const bool classless = !pff.props.Find(0x001A001F) && !pff.props.Find(0x001A001E);
    ComPtr<IMAPITable> recipients, attachments;
    if (HRESULT hr = message->GetRecipientTable(flags_, recipients.ReleaseAndGetAddressOf()); FAILED(hr))
      return Failed(where, "no recipient table", hr);
    if (HRESULT hr = message->GetAttachmentTable(flags_, attachments.ReleaseAndGetAddressOf()); FAILED(hr))
      return Failed(where, "no attachment table", hr);
    ULONG recipientRows = 0, attachmentRows = 0;
    recipients->GetRowCount(0, &recipientRows);
    attachments->GetRowCount(0, &attachmentRows);
    if (classless && recipientRows + attachmentRows > 0) return ByDesign(Rule::kNoClassNoParts);
    std::vector<const Item*> items;
    for (const Item& r : pff.recipients) items.push_back(&r);
    Rows(Kind::kRecipient, where + " recipients", recipients.Get(), items, {});
    items.clear();
    for (const ReadAttachment& a : pff.attachments) items.push_back(&a.props);
    Rows(Kind::kAttachment, where + " attachments", attachments.Get(), items, {});
    for (std::size_t i = 0; i < pff.attachments.size(); ++i) {
      const std::string at = where + " attachment " + std::to_string(i);
      ComPtr<IAttach> attach;
      if (HRESULT hr = message->OpenAttach(ULONG(i), nullptr, 0, attach.ReleaseAndGetAddressOf()); FAILED(hr)) {
        Failed(at, "does not open", hr);
        continue;
      }
      Attachment(pff.attachments[i], attach.Get(), at, declares);
    }
  }

  void Attachment(const ReadAttachment& pff, IAttach* attach, const std::string& where, bool declares) {
    Object(Kind::kAttachment, where, pff.props, attach, declares);
    if (const Entry* data = pff.props.Find(PR_ATTACH_DATA_BIN)) {
      ComPtr<IStream> stream;
      if (HRESULT hr = attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0,
                                            reinterpret_cast<LPUNKNOWN*>(stream.ReleaseAndGetAddressOf()));
          FAILED(hr))
        return Failed(where, "its data does not open", hr);
      ++out_.values;
      HRESULT status = S_OK;
      const Bytes read = ReadAll(stream.Get(), &status);
      // A data block that fails its checks fails the stream's read.
      if (status == STG_E_READFAULT) return ByDesign(Rule::kDamage);
      if (FAILED(status)) return Failed(where, "its data stream fails", status);
      if (read != data->data) Differ(where, "data " + Hex(read) + ", libpff " + Hex(data->data));
    }
    if (pff.message) {
      ComPtr<IMessage> inner;
      if (HRESULT hr = attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0,
                                            reinterpret_cast<LPUNKNOWN*>(inner.ReleaseAndGetAddressOf()));
          FAILED(hr))
        return Failed(where, "its embedded message does not open", hr);
      Message(*pff.message, inner.Get(), where + " embedded");
    } else if (pff.props.Find(PR_ATTACH_DATA_OBJ) && !pff.data.empty()) {
      ComPtr<IStream> stream;
      if (HRESULT hr = attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IStream, 0, 0,
                                            reinterpret_cast<LPUNKNOWN*>(stream.ReleaseAndGetAddressOf()));
          FAILED(hr))
        return Failed(where, "its object data does not open", hr);
      ++out_.values;
      HRESULT status = S_OK;
      const Bytes read = ReadAll(stream.Get(), &status);
      if (FAILED(status)) return Failed(where, "its object data stream fails", status);
      if (read != pff.data) Differ(where, "object data " + Hex(read) + ", libpff " + Hex(pff.data));
    }
  }

  const ReadFile& file_;
  IMsgStore* store_;
  Comparison& out_;
  const ULONG flags_;
  Bytes recordKey_;
};

}  // namespace

Comparison CompareThroughMapi(const std::filesystem::path& pst, const ReadFile& expected) {
  Comparison out;
  auto fail = [&](const std::string& what) {
    out.differences.push_back(what);
    return out;
  };
  mapi::profiles::Profile profile;
  profile.name = u"Reference " + win32::Utf8ToUtf16(pst.filename().string());
  profile.services.push_back(mapi::profiles::PstService(win32::Utf8ToUtf16(pst.string())));
  if (FAILED(mapi::profiles::Create(profile))) return fail("the profile is not made");
  MAPIInitialize(nullptr);
  {
    ComPtr<IMAPISession> session;
    const std::string name = win32::Utf16ToUtf8(profile.name);
    if (FAILED(MAPILogonEx(0, const_cast<LPSTR>(name.c_str()), nullptr, MAPI_EXTENDED | MAPI_NEW_SESSION,
                           session.ReleaseAndGetAddressOf()))) {
      MAPIUninitialize();
      return fail("the logon fails");
    }
    ComPtr<IMAPITable> stores;
    LPSRowSet raw = nullptr;
    SPropTagArray one{1, {PR_ENTRYID}};
    ComPtr<IMsgStore> store;
    if (SUCCEEDED(session->GetMsgStoresTable(0, stores.ReleaseAndGetAddressOf())) &&
        SUCCEEDED(HrQueryAllRows(stores.Get(), &one, nullptr, nullptr, 0, &raw))) {
      mapi::RowSet rows(raw);
      if (rows->cRows == 1) {
        const SBinary& eid = rows->aRow[0].lpProps[0].Value.bin;
        session->OpenMsgStore(0, eid.cb, reinterpret_cast<LPENTRYID>(eid.lpb), nullptr, MDB_NO_DIALOG,
                              store.ReleaseAndGetAddressOf());
      }
    }
    if (store) Walker(expected, store.Get(), out).Store();
    else out.differences.push_back("the store does not open");
    session->Logoff(0, 0, 0);
  }
  MAPIUninitialize();
  mapi::profiles::Delete(profile.name);
  return out;
}

}  // namespace pstgen_test
