// The item writers every document builder shares, and the conversion of
// the engine's dates to the library's. Each takes the document (a handle
// to it) by value as its last argument; items are created with flags 8 and
// the append option, so that items of one name follow each other.
#pragma once

#include <vector>

#include "mfc/oledatetime.h"
#include "mfc/strings.h"
#include "notes/lnnote.h"

inline constexpr LNITEMFLAGS kItemFlags = 8;
inline constexpr LNITEMOPTION kItemOption = 0x10000;
// HTML bodies go in raw items of at most this many UTF-16 units each.
inline constexpr std::size_t kHtmlChunkUnits = 20000;

// A text item of one entry (an empty one for an empty value). False, and
// the item missing, when the library refuses it.
bool WriteTextItem(const CString& name, const CString& value, LNDocument document);
// "ExcludeFromView": "S" and "D".
bool WriteExcludeFromView(LNDocument document);
// A text item of one entry per text, in order ("Members").
bool WriteMembersItem(const std::vector<CString>& members, LNDocument document);

// Whether the text, upper-cased, holds "CHARSET=UTF-8" / "WINDOWS-1256".
bool HasUtf8Charset(const CString& text);
bool HasArabicCharset(const CString& text);
// The HTML source as raw HTML items of at most kHtmlChunkUnits units, in
// order. A WINDOWS-1256 body that does not say UTF-8 is refused (false,
// nothing written); so is one the library stops with a raised status.
bool WriteHtmlBody(const CString& name, const CString& html, LNDocument document);

// The body rule: with the plain-body flag the text body (else the HTML
// source) as text; otherwise the HTML body when there is one and it is
// taken, else the text body as text. Always under "Body".
void WriteBody(std::int32_t plainBody, const CString& htmlBody, const CString& textBody, LNDocument document);

// Date and time as stored, without zone conversion. A refused date raises
// its Notes status.
LNDatetime ToLNDatetime(const COleDateTime& date);
// A date item of one value; a Notes status raises.
bool WriteDatetimeItem(const CString& name, const LNDatetime& value, LNDocument document);
// "PostedDate" / "TimeCreated" from a valid date of the years 1901 to
// 3999; false (nothing written) for any other date. A Notes status raises.
bool WritePostedDate(const COleDateTime& date, LNDocument document);
bool WriteTimeCreated(const COleDateTime& date, LNDocument document);
