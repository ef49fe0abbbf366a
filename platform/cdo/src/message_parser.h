// The RFC 822 message behind CDO's Message: parsed with GMime into the
// values the Message object serves, in UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cdo {

struct MessageFields {
  std::optional<std::int64_t> received;  // Unix seconds
  std::string from, to, cc, bcc;         // "Name" <address>, ... (decoded)
  std::string subject;                   // decoded, unfolded
  std::string html;                      // the HTML body's source
  std::string text;                      // the text body, CR LF line ends
};

// Nothing for input that is empty or that GMime finds no message in.
std::optional<MessageFields> ParseMessage(std::string_view bytes);

}  // namespace cdo
