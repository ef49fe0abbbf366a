// What a PST file holds, as pstgen writes it: the store, its folders, their
// messages with recipients, attachments and named properties. Values are
// held already encoded as the file stores them (little-endian, UTF-16LE
// strings, multi-valued layouts), see pstgen/values.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "win32/types.h"

namespace pstgen {

using Bytes = std::vector<std::uint8_t>;

struct Property {
  ULONG tag = 0;
  Bytes value;
};

struct Guid {
  std::uint8_t bytes[16] = {};  // in file order (Data1-3 little-endian)
  bool operator==(const Guid&) const = default;
};

struct NamedProperty {
  Guid set;
  bool isString = false;
  std::uint32_t lid = 0;   // when !isString
  std::u16string name;     // when isString
  ULONG type = 0;
  Bytes value;
};

struct Message;

struct Recipient {
  std::vector<Property> props;  // PR_RECIPIENT_TYPE, PR_DISPLAY_NAME_W, ...
};

struct Attachment {
  std::vector<Property> props;       // PR_ATTACH_METHOD, names, PR_ATTACH_DATA_BIN, ...
  std::unique_ptr<Message> message;  // method 5: the embedded message
};

struct Message {
  std::string id;               // names the message for "contact:" entry IDs of later messages
  bool withoutClass = false;    // no PR_MESSAGE_CLASS_W at all
  std::vector<Property> props;  // PR_MESSAGE_CLASS_W and all others
  std::vector<NamedProperty> named;
  std::vector<Recipient> recipients;
  std::vector<Attachment> attachments;
};

struct Folder {
  std::u16string name;
  std::u16string containerClass;
  std::vector<Property> props;
  std::vector<Message> messages;
  std::vector<Folder> folders;
};

// Unicode files (64-bit, Outlook 2003 on) or ANSI files (32-bit, Outlook 97
// to 2002, whose strings are 8-bit in the store's code page).
enum class FileFormat { kUnicode, kAnsi };

struct Store {
  FileFormat format = FileFormat::kUnicode;
  std::u16string displayName = u"Personal Folders";
  std::vector<Property> props;
  std::vector<Message> messages;  // in the IPM subtree itself, the top of the personal folders
  std::vector<Folder> folders;    // below the IPM subtree
};

}  // namespace pstgen
