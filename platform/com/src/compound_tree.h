// The in-memory tree behind a docfile. The whole file is read at open and
// written whole at commit: libgsf can write only one stream at a time and
// only once, so each stream is written complete, in one pass over the tree.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "com/storage.h"
#include "memory_stream.h"

namespace com {

struct Node {
  bool storage = false;
  std::u16string name;
  CLSID clsid = GUID_NULL;
  DWORD stateBits = 0;
  std::shared_ptr<Bytes> data = std::make_shared<Bytes>();  // streams only
  std::vector<std::shared_ptr<Node>> children;             // storages only

  std::shared_ptr<Node> Find(std::u16string_view child) const;
  void Remove(const Node* child);
};

// Class ids are stored as raw little-endian bytes.
void ClassIdToBytes(const CLSID& clsid, BYTE out[16]);
CLSID ClassIdFromBytes(const BYTE in[16]);

bool SameElementName(std::u16string_view a, std::u16string_view b);
// STG_E_INVALIDNAME unless name is a valid element name.
HRESULT CheckElementName(LPCOLESTR name);

// The compound file bytes of a tree, and the tree of compound file bytes
// (STG_E_FILEALREADYEXISTS when the bytes are not a docfile, the code
// Windows gives for "exists but is not a storage").
HRESULT SerializeTree(const Node& root, Bytes* out);
HRESULT ParseTree(const Bytes& in, std::shared_ptr<Node>* root);

}  // namespace com
