// The body an RTF document carries: the HTML it encapsulates (\fromhtml1)
// or its plain text.
#pragma once

#include <string>
#include <string_view>

namespace mime {

struct RtfBody {
  bool isHtml = false;
  std::string utf8;  // CR LF line ends in text
};

RtfBody RtfToBody(std::string_view rtf);

}  // namespace mime
