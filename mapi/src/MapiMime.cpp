// Saving a message as MIME: the converter writes into a memory stream,
// which is then copied whole into the file.
#include "mapisupport/MapiMime.h"

#include <optional>

#include "com/com.h"
#include "com/stream.h"
#include "mapi/mimeconv.h"
#include "mapisupport/ErrorLog.h"
#include "mapisupport/ImportProcs.h"

namespace {

// The converter's result; nothing when it throws.
std::optional<HRESULT> Convert(IConverterSession* converter, LPMESSAGE lpMessage, LPSTREAM lpMem,
                               ULONG ulConvertFlags) {
  try {
    return converter->MAPIToMIMEStm(lpMessage, lpMem, ulConvertFlags);
  } catch (...) {
    return std::nullopt;
  }
}

// Copies the memory stream from its start into the file and commits it;
// the first failing call's status, else S_OK.
HRESULT CopyToFile(LPSTREAM lpMem, LPSTREAM lpFile) {
  HRESULT hRes = S_OK;
  LARGE_INTEGER start{};
  WC_H(lpMem->Seek(start, STREAM_SEEK_SET, nullptr));
  if (FAILED(hRes)) return hRes;
  ULARGE_INTEGER all;
  all.QuadPart = ~0ULL;
  WC_H(lpMem->CopyTo(lpFile, all, nullptr, nullptr));
  if (FAILED(hRes)) return hRes;
  WC_H(lpFile->Commit(STGC_DEFAULT));
  return hRes;
}

}  // namespace

HRESULT SaveMessageToEml(LPMESSAGE lpMessage, LPCWSTR szFileName, ULONG ulConvertFlags) {
  if (!lpMessage || !szFileName) return E_INVALIDARG;

  HRESULT hRes = S_OK;
  ComPtr<IConverterSession> converter;
  WC_H(CoCreateInstance(CLSID_IConverterSession, nullptr, CLSCTX_INPROC_SERVER, IID_IConverterSession,
                        reinterpret_cast<LPVOID*>(converter.ReleaseAndGetAddressOf())));
  // Without a registered converter there is nothing to do, and that is
  // reported as success.
  if (hRes == REGDB_E_CLASSNOTREG) return S_OK;
  if (FAILED(hRes)) return hRes;

  ComPtr<IStream> mem;
  WC_H(CreateStreamOnHGlobal(nullptr, TRUE, mem.ReleaseAndGetAddressOf()));
  if (FAILED(hRes)) return hRes;

  const std::optional<HRESULT> converted = Convert(converter.Get(), lpMessage, mem.Get(), ulConvertFlags);
  if (!converted) return S_FALSE;
  hRes = *converted;
  if (hRes != S_OK) LogHResult(hRes, 0, __FILE__, __LINE__, false, true);
  if (FAILED(hRes)) return hRes;

  ComPtr<IStream> file;
  const HRESULT hOpen = MyOpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE, szFileName,
                                           nullptr, file.ReleaseAndGetAddressOf());
  if (FAILED(hOpen)) {
    LogHResult(hOpen, 0, __FILE__, __LINE__, false, true);
    return hOpen;
  }
  // An opener that reports success without a stream has opened nothing.
  if (!file) return E_FAIL;
  // A warning of the conversion stands unless a later call fails.
  const HRESULT hCopy = CopyToFile(mem.Get(), file.Get());
  return FAILED(hCopy) ? hCopy : hRes;
}
