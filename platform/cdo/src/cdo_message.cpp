// CDO's Message: OpenObject reads the whole stream, parses it into the
// object's own values, and every property read serves one of them.
#include <string>

#include "cdo/cdo.h"
#include "cdo_objects.h"
#include "com/stream.h"
#include "message_parser.h"
#include "win32/text.h"
#include "win32/time.h"

namespace cdo {
namespace {

constexpr double kUnixEpochOleDate = 25569.0;  // 1970-01-01 as an OLE date

HRESULT ReturnText(const std::string& utf8, BSTR* out) {
  if (!out) return E_POINTER;
  const std::u16string text = win32::Utf8ToUtf16(utf8);
  *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReadAll(IStream* stream, std::string& out) {
  LARGE_INTEGER start{};
  if (HRESULT hr = stream->Seek(start, STREAM_SEEK_SET, nullptr); FAILED(hr)) return hr;
  char buffer[65536];
  for (ULONG got = 0;;) {
    if (HRESULT hr = stream->Read(buffer, sizeof buffer, &got); FAILED(hr)) return hr;
    if (got == 0) return S_OK;
    out.append(buffer, got);
  }
}

class Message final : public com::DispatchObject<Message, CDO::IMessage, CDO::IDataSource> {
 public:
  static std::span<const com::DispatchMember<Message>> Members() { return {}; }

  HRESULT STDMETHODCALLTYPE OpenObject(IUnknown* Source, BSTR InterfaceName) override {
    if (!Source || !InterfaceName || win32::WideView(InterfaceName) != u"_Stream") return E_INVALIDARG;
    std::string bytes;
    {
      ComPtr<IStream> stream;
      if (FAILED(Source->QueryInterface(IID_IStream, stream.ReleaseAndGetAddressOfVoid()))) return E_NOINTERFACE;
      if (HRESULT hr = ReadAll(stream.Get(), bytes); FAILED(hr)) return hr;
    }
    std::optional<MessageFields> parsed = ParseMessage(bytes);
    if (!parsed) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    fields_ = std::move(*parsed);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_ReceivedTime(DATE* out) override {
    if (!out) return E_POINTER;
    *out = 0;
    if (fields_.received) {
      const std::int64_t local = *fields_.received + win32::UtcOffsetSecondsAt(*fields_.received);
      *out = kUnixEpochOleDate + static_cast<double>(local) / 86400.0;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BCC(BSTR* out) override { return ReturnText(fields_.bcc, out); }
  HRESULT STDMETHODCALLTYPE get_CC(BSTR* out) override { return ReturnText(fields_.cc, out); }
  HRESULT STDMETHODCALLTYPE get_From(BSTR* out) override { return ReturnText(fields_.from, out); }
  HRESULT STDMETHODCALLTYPE get_To(BSTR* out) override { return ReturnText(fields_.to, out); }
  HRESULT STDMETHODCALLTYPE get_Subject(BSTR* out) override { return ReturnText(fields_.subject, out); }
  HRESULT STDMETHODCALLTYPE get_HTMLBody(BSTR* out) override { return ReturnText(fields_.html, out); }
  HRESULT STDMETHODCALLTYPE get_TextBody(BSTR* out) override { return ReturnText(fields_.text, out); }

 private:
  MessageFields fields_;
};

}  // namespace

ComPtr<IUnknown> NewMessage() { return ComPtr<IUnknown>(static_cast<CDO::IMessage*>(com::Make<Message>().Get())); }

}  // namespace cdo
