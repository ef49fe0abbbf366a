// Parts of the parse over GMime's objects, one file each.
#pragma once

#include <string>
#include <string_view>

#include "cdo/gmime_holder.h"

namespace cdo {

// One address field: each mailbox as "Name" <address> (the address alone
// when it has no name), an empty group as its quoted name, joined by ", ".
std::string AddressText(InternetAddressList* list);

struct Bodies {
  std::string html, text;
};
// The first text/html and text/plain parts that are no attachment (no
// "attachment" disposition, no file name), never inside message/rfc822.
Bodies FindBodies(GMimeObject* root);

// The bytes in the charset as UTF-8; bytes it cannot read become U+FFFD.
// Without a charset, or with one iconv does not know: UTF-8 when the bytes
// are UTF-8, else Windows-1252.
std::string TextToUtf8(std::string_view bytes, std::string_view charset);

}  // namespace cdo
