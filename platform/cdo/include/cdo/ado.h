// ADO's Stream object, as the Notes import engine uses it: opened empty,
// then loaded with a file's bytes for CDO to parse. The object also offers
// IStream, which reads the loaded bytes.
#pragma once

#include "com/dispatch.h"
#include "com/stream.h"

namespace ADODB {

enum ConnectModeEnum : LONG {
  adModeUnknown = 0,
  adModeRead = 1,
  adModeWrite = 2,
  adModeReadWrite = 3,
};

enum StreamOpenOptionsEnum : LONG {
  adOpenStreamUnspecified = -1,
  adOpenStreamAsync = 1,
  adOpenStreamFromRecord = 4,
};

// Statuses of the ADO library.
constexpr HRESULT adErrInvalidArgument = static_cast<HRESULT>(0x800A0BB9u);
constexpr HRESULT adErrOpeningFile = static_cast<HRESULT>(0x800A0BBAu);
constexpr HRESULT adErrObjectClosed = static_cast<HRESULT>(0x800A0E78u);
constexpr HRESULT adErrObjectOpen = static_cast<HRESULT>(0x800A0E79u);

struct _Stream : IDispatch {
  using Base = IDispatch;
  static constexpr IID kIid = {0x00000565, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
  // Opens the stream empty; a Source other than a left-out argument
  // (VT_ERROR with DISP_E_PARAMNOTFOUND) or VT_EMPTY is refused with
  // adErrInvalidArgument. adErrObjectOpen when it is open already.
  virtual HRESULT STDMETHODCALLTYPE Open(VARIANT Source, ConnectModeEnum Mode, StreamOpenOptionsEnum Options,
                                         BSTR UserName, BSTR Password) = 0;
  // Replaces the content with the file's bytes (a Windows path) and goes to
  // its start; adErrOpeningFile when the file cannot be read,
  // adErrObjectClosed when the stream is not open.
  virtual HRESULT STDMETHODCALLTYPE LoadFromFile(BSTR FileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;

 protected:
  ~_Stream() = default;
};

inline constexpr CLSID CLSID_Stream = {0x00000566, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
inline constexpr const IID& IID__Stream = _Stream::kIid;

}  // namespace ADODB
