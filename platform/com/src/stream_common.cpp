#include <algorithm>
#include <cstring>
#include <vector>

#include "com/com.h"
#include "com/stream.h"

namespace com {

HRESULT CopyStream(IStream* src, IStream* dst, ULONGLONG cb, ULONGLONG* read, ULONGLONG* written) {
  if (!src || !dst) return STG_E_INVALIDPOINTER;
  std::vector<BYTE> buf(64 * 1024);
  ULONGLONG totalRead = 0, totalWritten = 0;
  HRESULT hr = S_OK;
  while (totalRead < cb) {
    ULONG want = static_cast<ULONG>(std::min<ULONGLONG>(buf.size(), cb - totalRead));
    ULONG got = 0;
    hr = src->Read(buf.data(), want, &got);
    if (FAILED(hr) || got == 0) break;
    totalRead += got;
    ULONG put = 0;
    hr = dst->Write(buf.data(), got, &put);
    totalWritten += put;
    if (FAILED(hr)) break;
    if (put != got) {
      hr = STG_E_MEDIUMFULL;
      break;
    }
  }
  if (read) *read = totalRead;
  if (written) *written = totalWritten;
  return FAILED(hr) ? hr : S_OK;
}

LPOLESTR TaskMemString(const std::u16string& s) {
  auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(WCHAR)));
  if (!p) return nullptr;
  std::memcpy(p, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
  return p;
}

}  // namespace com
