// One docfile: its tree and where it lives (a file, a stream, or memory
// only). The tree is written whole by Save; Revert goes back to the bytes
// of the last commit or open.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "compound_tree.h"

namespace com {

struct Document {
  enum class Backing { Memory, File, Stream };
  Backing backing = Backing::Memory;
  std::filesystem::path file;
  ComPtr<IStream> stream;
  std::u16string displayName;
  bool writable = true;
  bool transacted = false;
  std::shared_ptr<Node> root;
  Bytes committed;  // the bytes of the last commit or open, for Revert

  Document();
  // A direct-mode document writes itself out when its last user lets go.
  ~Document();
  HRESULT Save();
  HRESULT Revert();

 private:
  HRESULT WriteFile(const Bytes& bytes) const;
  HRESULT WriteStream(const Bytes& bytes) const;
};

// The storage code of a POSIX errno value.
HRESULT StorageErrorFromErrno(int err);

}  // namespace com
