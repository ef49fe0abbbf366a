// The IStorage object over a document's tree.
#pragma once

#include <memory>

#include "compound_document.h"

namespace com {

// A storage on node of doc (null node: the document's root, which Revert
// may replace).
ComPtr<IStorage> MakeStorage(std::shared_ptr<Document> doc, std::shared_ptr<Node> node, bool writable);
// The tree behind one of our storages; null for any other IStorage.
const Node* TreeOf(IStorage* stg);

}  // namespace com
