// OpenStreamOnFile(W): the file streams of the COM stand-in.
#include "entry.h"
#include "win32/codepage.h"

namespace mapi::entry {

HRESULT OpenStreamOnFileW(LPMAPIALLOCATEBUFFER, LPMAPIFREEBUFFER, ULONG ulFlags, LPCWSTR lpszFileName, LPCWSTR,
                          LPSTREAM* lppStream) {
  if (!lppStream) return MAPI_E_INVALID_PARAMETER;
  *lppStream = nullptr;
  if (!lpszFileName) return MAPI_E_INVALID_PARAMETER;
  if (ulFlags & SOF_UNIQUEFILENAME) return MAPI_E_NO_SUPPORT;
  // Access and creation are what a file stream knows; sharing and
  // transaction flags mean nothing to a file that only this stream holds.
  return SHCreateStreamOnFileW(lpszFileName, ulFlags & (STGM_READWRITE | STGM_WRITE | STGM_CREATE), lppStream);
}

HRESULT OpenStreamOnFile(LPMAPIALLOCATEBUFFER lpAllocateBuffer, LPMAPIFREEBUFFER lpFreeBuffer, ULONG ulFlags,
                         LPCSTR lpszFileName, LPCSTR, LPSTREAM* lppStream) {
  if (!lppStream) return MAPI_E_INVALID_PARAMETER;
  *lppStream = nullptr;
  if (!lpszFileName) return MAPI_E_INVALID_PARAMETER;
  const std::u16string path = win32::AnsiToUtf16(lpszFileName);
  return entry::OpenStreamOnFileW(lpAllocateBuffer, lpFreeBuffer, ulFlags, path.c_str(), nullptr, lppStream);
}

}  // namespace mapi::entry
