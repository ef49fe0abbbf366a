#include <algorithm>
#include <cstring>

#include "compound_tree.h"

namespace com {

namespace {
char16_t Fold(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);  // Latin-1
  return c;
}
}  // namespace

bool SameElementName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

HRESULT CheckElementName(LPCOLESTR name) {
  if (!name) return STG_E_INVALIDPOINTER;
  std::u16string_view n(name);
  if (n.empty() || n.size() > kMaxElementName) return STG_E_INVALIDNAME;
  if (n.find_first_of(u"\\/:!") != std::u16string_view::npos) return STG_E_INVALIDNAME;
  return S_OK;
}

std::shared_ptr<Node> Node::Find(std::u16string_view child) const {
  for (const auto& c : children)
    if (SameElementName(c->name, child)) return c;
  return nullptr;
}

void Node::Remove(const Node* child) {
  std::erase_if(children, [child](const std::shared_ptr<Node>& c) { return c.get() == child; });
}

void ClassIdToBytes(const CLSID& id, BYTE out[16]) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<BYTE>(id.Data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[4 + i] = static_cast<BYTE>(id.Data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) out[6 + i] = static_cast<BYTE>(id.Data3 >> (8 * i));
  std::memcpy(out + 8, id.Data4, 8);
}

CLSID ClassIdFromBytes(const BYTE in[16]) {
  CLSID id{};
  for (int i = 0; i < 4; ++i) id.Data1 |= DWORD(in[i]) << (8 * i);
  id.Data2 = static_cast<WORD>(in[4] | (in[5] << 8));
  id.Data3 = static_cast<WORD>(in[6] | (in[7] << 8));
  std::memcpy(id.Data4, in + 8, 8);
  return id;
}

}  // namespace com
