// Code pages other than Windows-1252 and UTF-8, converted through iconv:
// the East Asian double-byte pages, the other Windows single-byte pages,
// ISO-2022-JP and a few ISO and EUC pages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "win32/types.h"

namespace win32::iconv_pages {

struct Charset {
  UINT codePage;
  const char* name;  // iconv's name for it
  bool stateful;     // escape sequences switch sets (ISO-2022-JP)
};

// The charset of a code page, or null when this machine cannot convert it.
const Charset* Find(UINT codePage);
// The code pages Find answers, ascending.
std::vector<UINT> Available();

// ERROR_SUCCESS, or ERROR_NO_UNICODE_TRANSLATION when strict and the bytes
// hold a sequence the page lacks (otherwise it becomes U+FFFD).
DWORD Decode(const Charset& charset, std::string_view in, bool strict, std::u16string& out);
// Characters the page lacks become defaultChar and set usedDefault.
void Encode(const Charset& charset, std::u16string_view in, char defaultChar, bool& usedDefault, std::string& out);

}  // namespace win32::iconv_pages
