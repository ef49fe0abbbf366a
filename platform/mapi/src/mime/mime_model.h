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
  std::string contentType;  // "type/subtype"; empty: taken from the file name
  std::string contentId;    // without angle brackets; set for inline parts
  bool isInline = false;
  std::string data;                   // the bytes of an attachment by value
  std::shared_ptr<Message> embedded;  // set for an embedded message (written as message/rfc822)
};

enum class Importance { Low, Normal, High };
enum class Priority { NonUrgent, Normal, Urgent };

using HeaderField = std::pair<std::string, std::string>;  // name, unfolded value (UTF-8)

struct Message {
  Address from;    // no From without an address
  Address sender;  // written as Sender when it has an address
  std::vector<Address> to, cc, bcc;
  std::string subject;
  std::optional<std::int64_t> date;      // Unix seconds, UTC
  std::optional<std::int64_t> received;  // Unix seconds, UTC; written as a Received header
  std::string messageId, inReplyTo, references;  // as they stand in headers, with brackets
  std::optional<Importance> importance;
  std::optional<Priority> priority;
  // Trace fields (Received, Return-Path) of the original transport headers,
  // in their order: they go to the top, below our own Received.
  std::vector<HeaderField> traceHeaders;
  // The other transport header fields that the writer does not produce
  // itself, in their order.
  std::vector<HeaderField> extraHeaders;
  std::optional<std::string> textBody;  // UTF-8
  std::optional<std::string> htmlBody;  // bytes in htmlCharset
  std::string htmlCharset = "utf-8";
  std::vector<Attachment> attachments;
};

}  // namespace mime
