// Streams whose bytes live in memory: CreateStreamOnHGlobal and the streams
// of a compound file, which share their bytes with the storage tree.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "com/stream.h"

namespace com {

using Bytes = std::vector<BYTE>;

ComPtr<IStream> MakeMemoryStream(std::shared_ptr<Bytes> data, bool writable, std::u16string name);

}  // namespace com
