// The Outlook message file format: element names, property stream header
// sizes, and the small byte helpers its readers and writers share.
//
// A message is a storage holding
//   "__properties_version1.0"        the property stream: a header, then one
//                                    16-byte entry per property (tag, flags,
//                                    the value or the size of its stream)
//   "__substg1.0_TTTTtttt"           the value of each variable-length or
//                                    multi-valued property (tag in hex)
//   "__substg1.0_TTTTtttt-NNNNNNNN"  each value of a multi-valued string or
//                                    binary property
//   "__recip_version1.0_#NNNNNNNN"   one storage per recipient
//   "__attach_version1.0_#NNNNNNNN"  one storage per attachment, which holds
//                                    an embedded message or an OLE storage
//                                    as "__substg1.0_3701000D"
//   "__nameid_version1.0"            the named-property map (top level only)
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "com/storage.h"

namespace mapi::msg {

enum class Kind { kTop, kEmbedded, kRecipient, kAttachment };

// The property stream header: reserved (8); for messages next recipient
// id, next attachment id, recipient count, attachment count (4 each); and
// for the top level another 8 reserved bytes.
size_t HeaderSize(Kind kind);

inline constexpr char16_t kPropertiesStream[] = u"__properties_version1.0";
inline constexpr char16_t kNameIdStorage[] = u"__nameid_version1.0";
inline constexpr char16_t kRecipientPrefix[] = u"__recip_version1.0_#";
inline constexpr char16_t kAttachmentPrefix[] = u"__attach_version1.0_#";
inline constexpr char16_t kSubstgPrefix[] = u"__substg1.0_";

// Entry flags: readable and writable.
constexpr uint32_t kEntryFlags = 0x00000006;
// The size field of an entry whose value is a storage.
constexpr uint32_t kObjectSize = 0xFFFFFFFF;

// "__substg1.0_" + the tag in 8 upper-case hex digits (+ "-" + index).
std::u16string ValueStreamName(ULONG tag);
std::u16string ValueStreamName(ULONG tag, ULONG index);
// prefix + n in 8 upper-case hex digits, and back (empty when name is not
// prefix followed by 8 hex digits).
std::u16string NumberedName(std::u16string_view prefix, ULONG n);
std::optional<ULONG> NumberOf(std::u16string_view prefix, std::u16string_view name);

// The CRC-32 of the file format (reflected, polynomial 0xEDB88320, start 0,
// no final inversion) over UTF-16LE text: the key of a string name.
uint32_t NameCrc(std::u16string_view name);

// Little-endian values.
void PutU32(std::string& out, uint32_t v);
void PutU64(std::string& out, uint64_t v);
uint32_t GetU32(std::string_view in, size_t at);  // 0 past the end

// Whole streams of a storage. Reading an absent stream gives STG_E_FILENOTFOUND.
HRESULT ReadStream(IStorage* stg, const std::u16string& name, std::string* out);
HRESULT WriteStream(IStorage* stg, const std::u16string& name, std::string_view bytes);
// Every child element's name and type (STGTY_STREAM, STGTY_STORAGE).
HRESULT ListElements(IStorage* stg, std::vector<std::pair<std::u16string, DWORD>>* out);

// UTF-16LE bytes of text and back (an odd last byte is dropped, the text
// ends at the first NUL).
std::string Utf16Bytes(std::u16string_view text);
std::u16string TextOfUtf16(std::string_view bytes);

}  // namespace mapi::msg
