// Property set GUIDs: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" or a known name.
#pragma once

#include <optional>
#include <string_view>

#include "pstgen/description.h"

namespace pstgen {

std::optional<Guid> ParseGuid(std::string_view text);
// A GUID in braces, or one of the known set names (PS_MAPI, PS_PUBLIC_STRINGS,
// PSETID_Appointment, PSETID_Task, PSETID_Address, PSETID_Common, PSETID_Log,
// PSETID_Note, PSETID_Meeting, PS_INTERNET_HEADERS, ...).
std::optional<Guid> PropertySet(std::string_view nameOrGuid);

extern const Guid kPsMapi;
extern const Guid kPsPublicStrings;
extern const Guid kPsetidCommon;

}  // namespace pstgen
