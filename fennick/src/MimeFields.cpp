#include "MimeFields.h"

#include "cdo/ado.h"
#include "com/com.h"
#include "com/variant.h"

namespace {

// In-process server, in-process handler or local server.
constexpr DWORD kClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

template <class Interface>
ComPtr<Interface> Create(REFCLSID clsid) {
  ComPtr<Interface> object;
  if (FAILED(CoCreateInstance(clsid, nullptr, kClassContext, IidOf<Interface>(), object.ReleaseAndGetAddressOfVoid())))
    return nullptr;
  return object;
}

// A text property; `value` is left as it was when the read fails.
void ReadText(CDO::IMessage* message, HRESULT (STDMETHODCALLTYPE CDO::IMessage::*get)(BSTR*), CString& value) {
  com::Bstr text;
  if (SUCCEEDED((message->*get)(text.ReleaseAndGetAddressOf()))) value = CString(text.View());
}

}  // namespace

ComPtr<CDO::IMessage> LoadMimeMessage(const CString& emlPath) {
  ComPtr<ADODB::_Stream> stream = Create<ADODB::_Stream>(ADODB::CLSID_Stream);
  if (!stream) return nullptr;
  const com::Bstr none(u"");
  if (FAILED(stream->Open(com::MissingArgument(), ADODB::adModeUnknown, ADODB::adOpenStreamUnspecified, none.Get(),
                          none.Get())))
    return nullptr;
  if (FAILED(stream->LoadFromFile(com::Bstr(emlPath).Get()))) return nullptr;

  ComPtr<CDO::IMessage> message = Create<CDO::IMessage>(CDO::CLSID_Message);
  if (!message) return nullptr;
  ComPtr<CDO::IDataSource> source = message.As<CDO::IDataSource>();
  if (!source || FAILED(source->OpenObject(stream.Get(), com::Bstr(u"_Stream").Get()))) return nullptr;
  return message;
}

void ReadMimeFields(const CString& emlPath, MimeValues& values) {
  const com::InitializeScope com;  // for the length of one reading
  try {
    const ComPtr<CDO::IMessage> message = LoadMimeMessage(emlPath);
    if (!message) return;
    DATE received = 0;
    if (SUCCEEDED(message->get_ReceivedTime(&received))) values.received = received;
    ReadText(message.Get(), &CDO::IMessage::get_BCC, values.bcc);
    ReadText(message.Get(), &CDO::IMessage::get_CC, values.cc);
    ReadText(message.Get(), &CDO::IMessage::get_From, values.from);
    ReadText(message.Get(), &CDO::IMessage::get_To, values.to);
    ReadText(message.Get(), &CDO::IMessage::get_Subject, values.subject);
    ReadText(message.Get(), &CDO::IMessage::get_HTMLBody, values.htmlBody);
    ReadText(message.Get(), &CDO::IMessage::get_TextBody, values.textBody);
  } catch (...) {
    // Whatever was read stays; the builder goes on with the item text's values.
  }
}
