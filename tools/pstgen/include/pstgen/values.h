// Property values from their description form to the bytes the file holds.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "pstgen/description.h"

namespace pstgen {

struct DescriptionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "2024-03-15T13:05:00Z" (fraction of seconds optional) as a FILETIME.
std::uint64_t FileTimeFromIso(std::string_view text);
// "hex:...", "base64:...", "oneoff:Name|SMTP|address" (a one-off entry ID)
// or "rtf:{\\rtf1...}" (RTF compressed for PR_RTF_COMPRESSED) as bytes.
Bytes BinaryFromText(std::string_view text);
// A one-off entry ID: an address that no address book holds.
Bytes OneOffEntryId(const std::u16string& name, const std::u16string& addressType, const std::u16string& address);
// "contact:ID" stands for the contact entry ID (a distribution list member)
// of the message whose "id" is ID; the writer puts it in when it writes the
// value, so that message must come first. These mark the place until then.
Bytes ContactReference(std::string_view id);
std::optional<std::string> ContactReferenceId(const Bytes& value);
// The contact entry ID that wraps a message's entry ID.
Bytes ContactEntryId(const Bytes& messageEntryId);
// UTF-8 text in a Windows code page (1252, 1251, 932, 65001, ...).
Bytes EncodeCodePage(std::string_view utf8, std::uint32_t codePage);

// The file form of a multi-valued value from its items' bytes, and the items
// of a variable-size one (strings, binaries) back.
Bytes JoinMultiValued(ULONG singleType, const std::vector<Bytes>& items);
std::vector<Bytes> SplitMultiValued(const Bytes& value);

// A value of the given property type, single- or multi-valued; codePage
// serves PT_STRING8. Throws DescriptionError naming what is wrong.
Bytes EncodeValue(ULONG type, const nlohmann::json& value, std::uint32_t codePage);

}  // namespace pstgen
