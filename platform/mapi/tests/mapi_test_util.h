// Small helpers for the MAPI tests.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "mapi/holders.h"
#include "mapi/props.h"

namespace mapi_test {

// A tag array in a MAPI buffer.
inline mapi::Buffer<SPropTagArray> Tags(std::initializer_list<ULONG> tags) { return mapi::NewTagArray({tags.begin(), tags.size()}); }

inline std::u16string W(const SPropValue& v) { return v.Value.lpszW ? std::u16string(v.Value.lpszW) : u""; }
inline std::string A(const SPropValue& v) { return v.Value.lpszA ? std::string(v.Value.lpszA) : ""; }
inline std::string Bin(const SPropValue& v) { return std::string(mapi::PropBytes(v)); }

inline std::string ReadAll(IStream* s) {
  std::string out;
  char buf[256];
  ULONG got = 0;
  while (SUCCEEDED(s->Read(buf, sizeof buf, &got)) && got) out.append(buf, got);
  return out;
}

}  // namespace mapi_test
