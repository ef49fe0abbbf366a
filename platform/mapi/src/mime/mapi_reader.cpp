#include "mime/mapi_reader.h"

#include <strings.h>

#include <algorithm>

#include "com/storage.h"
#include "mapi/holders.h"
#include "mapi/props.h"
#include "mime/charsets.h"
#include "mime/rtf_decompress.h"
#include "mime/rtf_text.h"
#include "win32/codepage.h"
#include "win32/text.h"

namespace mime {
namespace {

// Not in the shared tag list.
constexpr ULONG PR_SENDER_SMTP_ADDRESS_W = PROP_TAG(PT_UNICODE, 0x5D01);
constexpr ULONG PR_SENT_REPRESENTING_SMTP_ADDRESS_W = PROP_TAG(PT_UNICODE, 0x5D02);
constexpr ULONG ATT_MHTML_REF = 4;
// Flags a store may set in PR_RECIPIENT_TYPE beside the type.
constexpr LONG MAPI_SUBMITTED = static_cast<LONG>(0x80000000u);
constexpr LONG MAPI_P1 = 0x10000000;

// The message properties read, in this order.
enum MessageProp {
  kSubject, kRepName, kRepSmtp, kRepEmail, kRepType, kSenderName, kSenderSmtp, kSenderEmail, kSenderType,
  kSubmit, kDelivery, kCreation, kMessageId, kInReplyTo, kReferences, kImportance, kPriority, kHeaders,
  kBody, kHtml, kCpid, kRtf, kMessagePropCount
};
constexpr ULONG kMessageTags[kMessagePropCount] = {
    PR_SUBJECT_W, PR_SENT_REPRESENTING_NAME_W, PR_SENT_REPRESENTING_SMTP_ADDRESS_W,
    PR_SENT_REPRESENTING_EMAIL_ADDRESS_W, PR_SENT_REPRESENTING_ADDRTYPE_W, PR_SENDER_NAME_W,
    PR_SENDER_SMTP_ADDRESS_W, PR_SENDER_EMAIL_ADDRESS_W, PR_SENDER_ADDRTYPE_W, PR_CLIENT_SUBMIT_TIME,
    PR_MESSAGE_DELIVERY_TIME, PR_CREATION_TIME, PR_INTERNET_MESSAGE_ID_W, PR_IN_REPLY_TO_ID_W,
    PR_INTERNET_REFERENCES_W, PR_IMPORTANCE, PR_PRIORITY, PR_TRANSPORT_MESSAGE_HEADERS_W, PR_BODY_W, PR_HTML,
    PR_INTERNET_CPID, PR_RTF_COMPRESSED};

enum RecipientProp { kRType, kRName, kRSmtp, kREmail, kRAddrType, kRecipientPropCount };
constexpr ULONG kRecipientTags[kRecipientPropCount] = {PR_RECIPIENT_TYPE, PR_DISPLAY_NAME_W, PR_SMTP_ADDRESS_W,
                                                       PR_EMAIL_ADDRESS_W, PR_ADDRTYPE_W};

enum AttachProp { kMethod, kLongName, kShortName, kDisplayName, kMimeTag, kContentId, kFlags, kAttachPropCount };
constexpr ULONG kAttachTags[kAttachPropCount] = {PR_ATTACH_METHOD, PR_ATTACH_LONG_FILENAME_W, PR_ATTACH_FILENAME_W,
                                                 PR_DISPLAY_NAME_W, PR_ATTACH_MIME_TAG_W, PR_ATTACH_CONTENT_ID_W,
                                                 PR_ATTACH_FLAGS};

// A fetched set of values, indexed like the tag array it was asked with.
class Values {
 public:
  HRESULT Fetch(IMAPIProp* obj, const SPropTagArray* tags) {
    ULONG count = 0;
    HRESULT hr = obj->GetProps(const_cast<SPropTagArray*>(tags), MAPI_UNICODE, &count, mapi::Out(values_));
    count_ = values_ ? count : 0;
    return FAILED(hr) ? hr : S_OK;
  }
  void Take(SPropValue* row, ULONG count) { row_ = row, count_ = count; }
  const SPropValue* Get(size_t i, ULONG type) const {
    const SPropValue* base = values_ ? values_.get() : row_;
    if (i >= count_ || PROP_TYPE(base[i].ulPropTag) != type) return nullptr;
    return &base[i];
  }
  std::string Text(size_t i) const {
    const SPropValue* v = Get(i, PT_UNICODE);
    return v && v->Value.lpszW ? win32::Utf16ToUtf8(v->Value.lpszW) : std::string();
  }
  std::optional<LONG> Long(size_t i) const {
    const SPropValue* v = Get(i, PT_LONG);
    return v ? std::optional<LONG>(v->Value.l) : std::nullopt;
  }
  std::optional<std::int64_t> Time(size_t i) const {
    const SPropValue* v = Get(i, PT_SYSTIME);
    if (!v) return std::nullopt;
    ULONGLONG ticks = (static_cast<ULONGLONG>(v->Value.ft.dwHighDateTime) << 32) | v->Value.ft.dwLowDateTime;
    return (static_cast<std::int64_t>(ticks) - 116444736000000000LL) / 10000000LL;
  }
  // A value too large for GetProps comes back as MAPI_E_NOT_ENOUGH_MEMORY.
  bool TooLarge(size_t i) const {
    const SPropValue* v = Get(i, PT_ERROR);
    return v && v->Value.err == MAPI_E_NOT_ENOUGH_MEMORY;
  }

 private:
  mapi::Buffer<SPropValue> values_;
  SPropValue* row_ = nullptr;
  ULONG count_ = 0;
};

std::string ReadStream(IMAPIProp* obj, ULONG tag, const IID& iid = IID_IStream) {
  ComPtr<IUnknown> unk;
  if (FAILED(obj->OpenProperty(tag, &iid, 0, 0, unk.ReleaseAndGetAddressOf()))) return {};
  ComPtr<IStream> stream = unk.As<IStream>();
  if (!stream) return {};
  // Read straight into a string of the size the stream gives, then on to
  // its end in case it has more.
  STATSTG st{};
  size_t expected = 0;
  if (SUCCEEDED(stream->Stat(&st, STATFLAG_NONAME)) && st.cbSize.QuadPart < (1ull << 30))
    expected = static_cast<size_t>(st.cbSize.QuadPart);
  std::string out(expected, '\0');
  size_t have = 0;
  ULONG got = 0;
  while (have < expected && SUCCEEDED(stream->Read(out.data() + have, static_cast<ULONG>(expected - have), &got)) &&
         got)
    have += got;
  out.resize(have);
  if (have < expected) return out;
  char buf[65536];
  while (SUCCEEDED(stream->Read(buf, sizeof buf, &got)) && got) out.append(buf, got);
  return out;
}

std::optional<std::string> TextOrStream(IMAPIProp* obj, const Values& v, size_t i, ULONG tag) {
  if (v.Get(i, PT_UNICODE)) return v.Text(i);
  if (!v.TooLarge(i)) return std::nullopt;
  std::string bytes = ReadStream(obj, tag);
  return win32::Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2));
}

std::optional<std::string> BinaryOrStream(IMAPIProp* obj, const Values& v, size_t i, ULONG tag) {
  if (const SPropValue* value = v.Get(i, PT_BINARY)) return std::string(mapi::PropBytes(*value));
  if (v.TooLarge(i)) return ReadStream(obj, tag);
  return std::nullopt;
}

// The charset that labels the HTML bytes: the message's code page, else the
// one the document names, else UTF-8 when the bytes are UTF-8, else
// Windows-1252. Text in UTF-16 goes out as UTF-8.
void SetHtmlBody(std::string bytes, std::optional<LONG> cpid, Message& out) {
  std::string charset;
  if (cpid)
    if (auto name = CharsetOfCodePage(static_cast<unsigned>(*cpid))) charset = *name;
  if (charset.empty())
    if (std::string named = HtmlMetaCharset(bytes); !named.empty() && ToUtf8(bytes, named)) charset = named;
  if (charset.starts_with("utf-16")) {
    std::optional<std::string> utf8 = ToUtf8(bytes, charset);
    bytes = utf8 ? std::move(*utf8) : std::string();
    charset = "utf-8";
  }
  if ((charset.empty() || charset == "utf-8") && !IsValidUtf8(bytes)) charset = "windows-1252";
  if (charset.empty()) charset = "utf-8";
  out.htmlBody = WithHtmlMetaCharset(std::move(bytes), charset);
  out.htmlCharset = std::move(charset);
}

// The bodies: PR_BODY and PR_HTML, and what the RTF body adds where they are
// missing (the HTML it encapsulates, or its text).
void ReadBodies(IMAPIProp* obj, const Values& v, Message& out) {
  out.textBody = TextOrStream(obj, v, kBody, PR_BODY_W);
  if (std::optional<std::string> html = BinaryOrStream(obj, v, kHtml, PR_HTML))
    SetHtmlBody(std::move(*html), v.Long(kCpid), out);
  if (out.htmlBody) return;
  std::optional<std::string> compressed = BinaryOrStream(obj, v, kRtf, PR_RTF_COMPRESSED);
  std::optional<std::string> rtf = compressed ? DecompressRtf(*compressed) : std::nullopt;
  if (!rtf) return;
  RtfBody body = RtfToBody(*rtf);
  if (body.isHtml) SetHtmlBody(std::move(body.utf8), 65001, out);
  else if (!out.textBody) out.textBody = std::move(body.utf8);
}

// An SMTP address: the SMTP property, else the e-mail address of an SMTP
// entry. Other address types (EX) are no internet address.
std::string Smtp(const Values& v, size_t smtp, size_t email, size_t type) {
  std::string s = v.Text(smtp);
  if (s.find('@') != std::string::npos) return s;
  std::string t = v.Text(type);
  return (strcasecmp(t.c_str(), "SMTP") == 0 || t.empty()) && v.Text(email).find('@') != std::string::npos
             ? v.Text(email)
             : std::string();
}

// From: the represented sender with the best address the message holds for
// it, else the sender's; Sender when the sender is someone else.
void ReadOriginator(const Values& v, Message& out) {
  const Address rep{v.Text(kRepName), Smtp(v, kRepSmtp, kRepEmail, kRepType)};
  const Address sender{v.Text(kSenderName), Smtp(v, kSenderSmtp, kSenderEmail, kSenderType)};
  const bool sameAddress = strcasecmp(rep.address.c_str(), sender.address.c_str()) == 0;
  if (!rep.address.empty()) {
    out.from = {rep.name.empty() && sameAddress ? sender.name : rep.name, rep.address};
    if (!sender.address.empty() && !sameAddress) out.sender = sender;
  } else {
    // A represented name without an address of its own names the sender.
    out.from = {rep.name.empty() ? sender.name : rep.name, sender.address};
  }
}

// Header fields of the transport headers, unfolded (the white space that
// began each continuation line stays).
std::vector<HeaderField> HeaderLines(const std::string& text) {
  std::vector<HeaderField> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) break;
    if (line[0] == ' ' || line[0] == '\t') {
      // A continuation of nothing but blanks adds nothing.
      if (!out.empty() && line.find_first_not_of(" \t") != std::string::npos) out.back().second += line;
    } else if (size_t colon = line.find(':'); colon != std::string::npos && colon > 0) {
      size_t start = line.find_first_not_of(" \t", colon + 1);
      std::string name = line.substr(0, colon);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
      out.emplace_back(std::move(name), start == std::string::npos ? "" : line.substr(start));
    }
  }
  return out;
}

bool IsTraceField(const std::string& name) {
  return strcasecmp(name.c_str(), "received") == 0 || strcasecmp(name.c_str(), "return-path") == 0;
}

// Transport headers the writer produces itself from the properties.
bool WrittenByUs(const std::string& name) {
  static const char* const kOwn[] = {"from", "to", "cc", "bcc", "subject", "date", "message-id", "in-reply-to",
                                     "references", "importance", "x-priority", "priority", "mime-version",
                                     "content-type", "content-transfer-encoding", "content-disposition",
                                     "content-id", "sender"};
  for (const char* own : kOwn)
    if (strcasecmp(own, name.c_str()) == 0) return true;
  return false;
}

void ReadHeaders(IMessage* msg, const Values& v, Message& out) {
  out.subject = v.Text(kSubject);
  out.date = v.Time(kSubmit) ? v.Time(kSubmit) : v.Time(kDelivery) ? v.Time(kDelivery) : v.Time(kCreation);
  out.received = v.Time(kDelivery);
  out.messageId = v.Text(kMessageId);
  out.inReplyTo = v.Text(kInReplyTo);
  out.references = v.Text(kReferences);
  if (auto imp = v.Long(kImportance); imp && *imp >= 0 && *imp <= 2) out.importance = static_cast<Importance>(*imp);
  if (auto pri = v.Long(kPriority); pri && *pri >= -1 && *pri <= 1) out.priority = static_cast<Priority>(*pri + 1);
  for (auto& field : HeaderLines(TextOrStream(msg, v, kHeaders, PR_TRANSPORT_MESSAGE_HEADERS_W).value_or(""))) {
    if (IsTraceField(field.first)) out.traceHeaders.push_back(std::move(field));
    else if (!WrittenByUs(field.first)) out.extraHeaders.push_back(std::move(field));
  }
}

HRESULT ReadRecipients(IMessage* msg, Message& out) {
  ComPtr<IMAPITable> table;
  HRESULT hr = msg->GetRecipientTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  mapi::Buffer<SPropTagArray> tags = mapi::NewTagArray(kRecipientTags);
  mapi::RowSet rows;
  hr = HrQueryAllRows(table.Get(), tags.get(), nullptr, nullptr, 0, mapi::Out(rows));
  if (FAILED(hr)) return hr;
  for (ULONG r = 0; rows && r < rows->cRows; ++r) {
    Values v;
    v.Take(rows->aRow[r].lpProps, rows->aRow[r].cValues);
    const LONG type = v.Long(kRType).value_or(MAPI_TO);
    if (type & MAPI_P1) continue;  // a copy kept for resending
    Address a{v.Text(kRName), Smtp(v, kRSmtp, kREmail, kRAddrType)};
    switch (type & ~MAPI_SUBMITTED) {
      case MAPI_CC: out.cc.push_back(std::move(a)); break;
      case MAPI_BCC: out.bcc.push_back(std::move(a)); break;
      default: out.to.push_back(std::move(a)); break;
    }
  }
  return S_OK;
}

HRESULT ReadAttachment(IAttach* att, Attachment& out, int depth) {
  mapi::Buffer<SPropTagArray> tags = mapi::NewTagArray(kAttachTags);
  Values v;
  HRESULT hr = v.Fetch(att, tags.get());
  if (FAILED(hr)) return hr;
  for (size_t name : {kLongName, kShortName, kDisplayName})
    if (out.fileName.empty()) out.fileName = v.Text(name);
  out.contentType = v.Text(kMimeTag);
  out.contentId = v.Text(kContentId);
  out.isInline = !out.contentId.empty() || (v.Long(kFlags).value_or(0) & ATT_MHTML_REF);
  LONG method = v.Long(kMethod).value_or(ATTACH_BY_VALUE);
  if (method == static_cast<LONG>(ATTACH_EMBEDDED_MSG)) {
    if (depth + 1 >= kMaxNesting) return S_FALSE;
    ComPtr<IUnknown> unk;
    hr = att->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, unk.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    out.embedded = std::make_shared<Message>();
    return ReadMapiMessage(unk.As<IMessage>().Get(), *out.embedded, depth + 1);
  }
  if (method == static_cast<LONG>(ATTACH_BY_VALUE)) out.data = ReadStream(att, PR_ATTACH_DATA_BIN);
  else if (method == static_cast<LONG>(ATTACH_OLE)) out.data = ReadStream(att, PR_ATTACH_DATA_OBJ, IID_IStreamDocfile);
  else return S_FALSE;  // a reference to a file elsewhere carries no bytes
  return S_OK;
}

HRESULT ReadAttachments(IMessage* msg, Message& out, int depth) {
  ComPtr<IMAPITable> table;
  HRESULT hr = msg->GetAttachmentTable(MAPI_UNICODE, table.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  const ULONG numTag[] = {PR_ATTACH_NUM};
  mapi::Buffer<SPropTagArray> tags = mapi::NewTagArray(numTag);
  mapi::RowSet rows;
  hr = HrQueryAllRows(table.Get(), tags.get(), nullptr, nullptr, 0, mapi::Out(rows));
  if (FAILED(hr)) return hr;
  for (ULONG r = 0; rows && r < rows->cRows; ++r) {
    const SPropValue& num = rows->aRow[r].lpProps[0];
    if (num.ulPropTag != PR_ATTACH_NUM) continue;
    ComPtr<IAttach> att;
    hr = msg->OpenAttach(static_cast<ULONG>(num.Value.l), nullptr, MAPI_BEST_ACCESS, att.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
    Attachment a;
    hr = ReadAttachment(att.Get(), a, depth);
    if (FAILED(hr)) return hr;
    if (hr == S_OK) out.attachments.push_back(std::move(a));
  }
  return S_OK;
}

}  // namespace

HRESULT ReadMapiMessage(IMessage* message, Message& out, int depth) {
  if (!message) return E_INVALIDARG;
  mapi::Buffer<SPropTagArray> tags = mapi::NewTagArray(kMessageTags);
  if (!tags) return E_OUTOFMEMORY;
  Values v;
  HRESULT hr = v.Fetch(message, tags.get());
  if (FAILED(hr)) return hr;
  ReadOriginator(v, out);
  ReadHeaders(message, v, out);
  ReadBodies(message, v, out);
  if (FAILED(hr = ReadRecipients(message, out))) return hr;
  return ReadAttachments(message, out, depth);
}

}  // namespace mime
