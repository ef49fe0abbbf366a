// Property values owned by C++ code: building, copying into MAPI buffers,
// and answering a requested tag from a stored value (string widths, missing
// properties as PT_ERROR).
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mapi/holders.h"
#include "win32/codepage.h"

namespace mapi {

// One property value in its own MAPI buffer (every pointer member points
// into blocks linked to it).
using Prop = Buffer<SPropValue>;

// Deep copy of src into *dst; the pointed-to data is allocated with
// MAPIAllocateMore on parent. PT_OBJECT values copy as their tag and x.
SCODE CopyProp(const SPropValue& src, void* parent, SPropValue* dst);
// src in a buffer of its own.
Prop DupProp(const SPropValue& src);
// Byte size of the data src points to (strings with terminator, arrays).
size_t PropDataSize(const SPropValue& src);

// The tags as a tag array in a MAPI buffer; null when it cannot be allocated.
Buffer<SPropTagArray> NewTagArray(std::span<const ULONG> tags);
// Whether the tag's property id is among tags (which may be null).
bool InTags(const SPropTagArray* tags, ULONG tag);

// Builders for exact values in tests and providers.
Prop MakeLong(ULONG tag, LONG v);
Prop MakeI8(ULONG tag, LONGLONG v);
Prop MakeBool(ULONG tag, bool v);
Prop MakeDouble(ULONG tag, double v);
Prop MakeTime(ULONG tag, FILETIME v);
Prop MakeError(ULONG tag, SCODE err);
Prop MakeUnicode(ULONG tag, std::u16string_view v);
Prop MakeString8(ULONG tag, std::string_view v);
Prop MakeBinary(ULONG tag, std::string_view bytes);
Prop MakeBinary(ULONG tag, const std::vector<BYTE>& bytes);
Prop MakeGuid(ULONG tag, const GUID& v);
Prop MakeMvUnicode(ULONG tag, const std::vector<std::u16string>& v);
Prop MakeMvString8(ULONG tag, const std::vector<std::string>& v);
Prop MakeMvLong(ULONG tag, const std::vector<LONG>& v);
Prop MakeMvBinary(ULONG tag, const std::vector<std::string>& v);

// Writes into *out the answer to a request for `tag` from the stored value
// (null when the object lacks the property):
// - PT_UNSPECIFIED takes the stored type; strings then follow MAPI_UNICODE
//   in flags;
// - PT_UNICODE and PT_STRING8 (single and multi-valued) convert between
//   each other through codepage;
// - a missing property or another type gives PT_ERROR / MAPI_E_NOT_FOUND
//   and the result MAPI_W_ERRORS_RETURNED; PT_OBJECT gives MAPI_E_NO_SUPPORT
//   (objects are opened with OpenProperty).
// Returns S_OK, MAPI_W_ERRORS_RETURNED or MAPI_E_NOT_ENOUGH_MEMORY.
SCODE AnswerProp(const SPropValue* stored, ULONG tag, ULONG flags, UINT codepage, void* parent, SPropValue* out);
// The tag under which a stored value is listed for "all properties":
// strings in the width that flags ask for.
ULONG ListedTag(ULONG storedTag, ULONG flags);

// Text of a string property of either width (UTF-16 for PT_STRING8 through
// codepage); empty for other types.
std::u16string PropText(const SPropValue& v, UINT codepage = CP_ACP);
// Bytes of a PT_BINARY value.
std::string_view PropBytes(const SPropValue& v);

}  // namespace mapi
