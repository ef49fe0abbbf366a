// CDO's Message object, as the Notes import engine uses it: loaded from an
// ADO Stream through IDataSource::OpenObject(stream, "_Stream"), then read
// through its properties. The message is parsed whole when it is opened and
// kept as the object's own copy, so the stream may go at once; once open,
// no property read fails.
#pragma once

#include "com/dispatch.h"

namespace CDO {

struct IDataSource : IDispatch {
  using Base = IDispatch;
  static constexpr IID kIid = {0xCD000029, 0x8B95, 0x11D1, {0x82, 0xDB, 0x00, 0xC0, 0x4F, 0xB1, 0x62, 0x5D}};
  // Source: an object offering IStream (an ADO Stream), read from its start;
  // InterfaceName: "_Stream". E_INVALIDARG for a missing source or another
  // interface name, E_NOINTERFACE for a source without IStream, and
  // HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for input that is empty or no
  // message.
  virtual HRESULT STDMETHODCALLTYPE OpenObject(IUnknown* Source, BSTR InterfaceName) = 0;

 protected:
  ~IDataSource() = default;
};

// Before a message is opened every text is "" and the date 0.
struct IMessage : IDispatch {
  using Base = IDispatch;
  static constexpr IID kIid = {0xCD000020, 0x8B95, 0x11D1, {0x82, 0xDB, 0x00, 0xC0, 0x4F, 0xB1, 0x62, 0x5D}};
  // Local time, from the date after the last ";" of the topmost Received
  // field, else from Date; 0 when neither gives one.
  virtual HRESULT STDMETHODCALLTYPE get_ReceivedTime(DATE* pReceivedTime) = 0;
  // Decoded address lists: "Name" <address> (or the address alone) joined
  // by ", "; "" when the field is absent.
  virtual HRESULT STDMETHODCALLTYPE get_BCC(BSTR* pBCC) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CC(BSTR* pCC) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_From(BSTR* pFrom) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_To(BSTR* pTo) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Subject(BSTR* pSubject) = 0;
  // The first text/html part that is no attachment, decoded from its
  // charset, the source as it stands.
  virtual HRESULT STDMETHODCALLTYPE get_HTMLBody(BSTR* pHTMLBody) = 0;
  // The first text/plain part that is no attachment, decoded, CR LF line ends.
  virtual HRESULT STDMETHODCALLTYPE get_TextBody(BSTR* pTextBody) = 0;

 protected:
  ~IMessage() = default;
};

inline constexpr CLSID CLSID_Message = {0xCD000001, 0x8B95, 0x11D1, {0x82, 0xDB, 0x00, 0xC0, 0x4F, 0xB1, 0x62, 0x5D}};
inline constexpr const IID& IID_IMessage = IMessage::kIid;
inline constexpr const IID& IID_IDataSource = IDataSource::kIid;

}  // namespace CDO
