// The MIME converter: turns a MAPI message into one RFC 822 message. It is
// an in-process COM server ("libbrackenford_mimeconv.so"), created by
// CLSID_IConverterSession through CoCreateInstance.
//
// Output choices: MAPIToMIMEStm always writes MIME (never TNEF), so
// CCSF_SMTP and CCSF_USE_TNEF give the same file; Bcc recipients are always
// written, since the file is read back by the import rather than sent.
#pragma once

#include "com/stream.h"
#include "mapi/interfaces.h"

inline constexpr CLSID CLSID_IConverterSession = {
    0x4E3A7680, 0xB77A, 0x11D0, {0x9D, 0xA5, 0x00, 0xC0, 0x4F, 0xD6, 0x56, 0x85}};

constexpr ULONG CCSF_SMTP = 0x0002;
constexpr ULONG CCSF_NOHEADERS = 0x0004;
constexpr ULONG CCSF_USE_TNEF = 0x0010;
constexpr ULONG CCSF_INCLUDE_BCC = 0x0020;
constexpr ULONG CCSF_8BITHEADERS = 0x0040;
constexpr ULONG CCSF_USE_RTF = 0x0080;
constexpr ULONG CCSF_PLAIN_TEXT_ONLY = 0x1000;
constexpr ULONG CCSF_NO_MSGID = 0x4000;
constexpr ULONG CCSF_EMBEDDED_MESSAGE = 0x8000;

enum ENCODINGTYPE { IET_BINARY = 0, IET_BASE64 = 1, IET_UUENCODE = 2, IET_QP = 3, IET_7BIT = 4, IET_8BIT = 5 };
enum CCSF_SAVE_FORMAT { SAVE_RFC822 = 0, SAVE_RFC1521 = 1 };

struct IConverterSession : IUnknown {
  using Base = IUnknown;
  static constexpr IID kIid = {0x4B401570, 0xB77B, 0x11D0, {0x9D, 0xA5, 0x00, 0xC0, 0x4F, 0xD6, 0x56, 0x85}};
  virtual HRESULT STDMETHODCALLTYPE SetAdrBook(LPADRBOOK pab) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEncoding(ENCODINGTYPE et) = 0;
  virtual HRESULT STDMETHODCALLTYPE PlaceHolder1() = 0;
  virtual HRESULT STDMETHODCALLTYPE MIMEToMAPI(LPSTREAM pstm, LPMESSAGE pmsg, LPCSTR pszSrcSrv, ULONG ulFlags) = 0;
  // Writes the whole message into pstm at its current position.
  virtual HRESULT STDMETHODCALLTYPE MAPIToMIMEStm(LPMESSAGE pmsg, LPSTREAM pstm, ULONG ulFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE PlaceHolder2() = 0;
  virtual HRESULT STDMETHODCALLTYPE PlaceHolder3() = 0;
  virtual HRESULT STDMETHODCALLTYPE PlaceHolder4() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTextWrapping(BOOL fWrapText, ULONG ulWrapWidth) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSaveFormat(CCSF_SAVE_FORMAT mstSaveFormat) = 0;
  virtual HRESULT STDMETHODCALLTYPE PlaceHolder5() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCharset(BOOL fApply, void* hcharset, int csetapplytype) = 0;

 protected:
  ~IConverterSession() = default;
};
using LPCONVERTERSESSION = IConverterSession*;
inline constexpr const IID& IID_IConverterSession = IConverterSession::kIid;
