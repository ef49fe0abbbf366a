// How item values are kept in the file: text and date lists as a sequence
// of entries, each a 32-bit little-endian byte count and that many bytes;
// dates as "YYYY-MM-DDTHH:MM:SS.hh". Attachment content: stored or zlib.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notes/lnvalues.h"

namespace notes_internal {

std::string EncodeList(const std::vector<std::string>& entries);
// False when the bytes are not such a list.
bool DecodeList(std::string_view bytes, std::vector<std::string>* entries);

std::string StoredDatetime(const LNDatetime& value);
// The stored form for people: without ".00" hundredths.
std::string DisplayDatetime(std::string_view stored);

enum class Method { kStored = 0, kZlib = 1 };
// The content as a zlib stream, at deflate's fastest level; none for
// content that does not shrink (images, archives, most office files),
// judged by how its first part deflated, so that such content costs little
// before it is stored as it is. Any level inflates alike: what earlier
// writers stored reads the same.
std::optional<std::string> Deflate(std::string_view content);
// False when the data does not inflate to `size` bytes.
bool Expand(std::string_view data, Method method, std::size_t size, std::string* content);

}  // namespace notes_internal
