// The message as the MIME writer sees it: what an RFC 822 file can carry,
// already decoded to UTF-8 text and plain bytes. The MAPI adapter fills it;
// the writer never looks at MAPI properties.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mime {

struct Address {
  std::string name;     // UTF-8, may be empty
  std::string address;  // SMTP address, may be empty
};

struct Message;

struct Attachment {
  std::string fileName;     // UTF-8, may be empty
  std::string contentType;  // "type/subtype"; empty means application/octet-stream
  std::string contentId;    // without angle brackets; set for inline parts
  bool isInline = false;
  std::string data;                   // the bytes of an attachment by value
  std::shared_ptr<Message> embedded;  // set for an embedded message (written as message/rfc822)
};

enum class Importance { Low, Normal, High };
enum class Priority { NonUrgent, Normal, Urgent };

struct Message {
  Address from;
  std::vector<Address> to, cc, bcc;
  std::string subject;
  std::optional<std::int64_t> date;      // Unix seconds, UTC
  std::optional<std::int64_t> received;  // Unix seconds, UTC; written as a Received header
  std::string messageId, inReplyTo, references;  // as they stand in headers, with brackets
  std::optional<Importance> importance;
  std::optional<Priority> priority;
  // Header lines of the original transport headers that the writer does not
  // produce itself, in their order, values unfolded and undecoded.
  std::vector<std::pair<std::string, std::string>> extraHeaders;
  std::optional<std::string> textBody;  // UTF-8
  std::optional<std::string> htmlBody;  // UTF-8
  std::vector<Attachment> attachments;
};

}  // namespace mime
