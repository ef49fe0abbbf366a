// The body tree: text, HTML or both as multipart/alternative; inline parts
// with content ids in multipart/related beside the HTML; attachments and
// embedded messages beside the body in multipart/mixed.
#include "mime/mime_writer.h"

#include <string_view>
#include <vector>

#include "mime/content_types.h"
#include "mime/header_words.h"
#include "mime/transfer_encoding.h"

namespace mime {
namespace {

struct Node {
  enum Kind { Text, Multipart, Attached, Embedded } kind = Text;
  std::string subtype;    // text: "plain" or "html"; multipart: "mixed", ...
  std::string charset;    // text
  std::string canonical;  // text with CR LF line ends
  const Attachment* attachment = nullptr;
  std::vector<Node> children;
};

bool InRelatedPart(const Message& m, const Attachment& a) {
  return m.htmlBody && a.isInline && !a.contentId.empty() && !a.embedded;
}

Node TextNode(const char* subtype, std::string_view text, std::string charset) {
  Node n;
  n.subtype = subtype;
  n.charset = std::move(charset);
  n.canonical = CanonicalLines(text);
  return n;
}

Node AttachmentNode(const Attachment& a) {
  Node n;
  n.kind = a.embedded ? Node::Embedded : Node::Attached;
  n.attachment = &a;
  return n;
}

Node MultipartNode(const char* subtype, std::vector<Node> children) {
  Node n;
  n.kind = Node::Multipart;
  n.subtype = subtype;
  n.children = std::move(children);
  return n;
}

Node HtmlWithInlineParts(const Message& m) {
  Node html = TextNode("html", *m.htmlBody, m.htmlCharset);
  std::vector<Node> parts;
  for (const Attachment& a : m.attachments)
    if (InRelatedPart(m, a)) parts.push_back(AttachmentNode(a));
  if (parts.empty()) return html;
  parts.insert(parts.begin(), std::move(html));
  return MultipartNode("related", std::move(parts));
}

std::vector<Node> Bodies(const Message& m) {
  std::vector<Node> out;
  if (!m.htmlBody) {
    if (m.textBody) out.push_back(TextNode("plain", *m.textBody, "utf-8"));
    return out;
  }
  Node html = HtmlWithInlineParts(m);
  if (!m.textBody) {
    out.push_back(std::move(html));
    return out;
  }
  std::vector<Node> both;
  both.push_back(TextNode("plain", *m.textBody, "utf-8"));
  both.push_back(std::move(html));
  out.push_back(MultipartNode("alternative", std::move(both)));
  return out;
}

Node Tree(const Message& m) {
  std::vector<Node> parts = Bodies(m);
  const bool hasBody = !parts.empty();
  for (const Attachment& a : m.attachments)
    if (!InRelatedPart(m, a)) parts.push_back(AttachmentNode(a));
  if (parts.empty()) return TextNode("plain", "", "utf-8");  // a message always has a body
  if (hasBody && parts.size() == 1) return std::move(parts.front());
  return MultipartNode("mixed", std::move(parts));
}

bool UsableContentId(std::string_view id) {
  return !id.empty() && IsPlainHeaderText(id) && id.find_first_of(" \t<>") == std::string_view::npos;
}

class Writer {
 public:
  explicit Writer(std::string& out) : out_(out) {}

  void WriteMessage(const Message& m) {
    AppendMessageHeaders(out_, m);
    out_ += "MIME-Version: 1.0\r\n";
    Entity(Tree(m));
  }

 private:
  // Headers, the blank line and the body; the body ends with CR LF.
  void Entity(const Node& n) {
    switch (n.kind) {
      case Node::Text: TextEntity(n); break;
      case Node::Multipart: MultipartEntity(n); break;
      case Node::Attached: AttachedEntity(*n.attachment); break;
      case Node::Embedded: EmbeddedEntity(*n.attachment); break;
    }
  }

  void TextEntity(const Node& n) {
    const Encoding encoding = TextEncoding(n.canonical);
    AppendHeader(out_, "Content-Type", "text/" + n.subtype + Parameter("charset", n.charset));
    AppendHeader(out_, "Content-Transfer-Encoding", EncodingName(encoding));
    out_ += "\r\n";
    AppendEncoded(out_, encoding, n.canonical);
  }

  void MultipartEntity(const Node& n) {
    const std::string boundary = "=_part_" + std::to_string(++boundaries_) + "_";
    std::string type = "multipart/" + n.subtype;
    if (n.subtype == "related") type += Parameter("type", "text/html");
    AppendHeader(out_, "Content-Type", type + Parameter("boundary", boundary));
    out_ += "\r\n";
    for (const Node& child : n.children) {
      out_.append("--").append(boundary).append("\r\n");
      Entity(child);
      out_ += "\r\n";  // with the next line, the delimiter
    }
    out_.append("--").append(boundary).append("--\r\n");
  }

  void Disposition(const Attachment& a, bool isInline) {
    std::string value = isInline ? "inline" : "attachment";
    if (!a.fileName.empty()) value += Rfc2231Parameter("filename", a.fileName);
    AppendHeader(out_, "Content-Disposition", value);
  }

  void AttachedEntity(const Attachment& a) {
    std::string type = AttachmentContentType(a.contentType, a.fileName);
    if (!a.fileName.empty()) type += Rfc2047Parameter("name", a.fileName);
    AppendHeader(out_, "Content-Type", type);
    AppendHeader(out_, "Content-Transfer-Encoding", "base64");
    Disposition(a, a.isInline);
    if (UsableContentId(a.contentId)) AppendHeader(out_, "Content-ID", "<" + a.contentId + ">");
    out_ += "\r\n";
    AppendBase64(out_, a.data);
  }

  // Our own output is 7-bit with CR LF throughout, as message/rfc822 asks.
  void EmbeddedEntity(const Attachment& a) {
    AppendHeader(out_, "Content-Type", "message/rfc822");
    Disposition(a, false);
    out_ += "\r\n";
    WriteMessage(*a.embedded);
  }

  std::string& out_;
  int boundaries_ = 0;
};

// Enough for the output in nearly every case, so that it is never copied
// while it grows.
size_t EstimatedSize(const Message& m) {
  size_t size = 4096 + (m.textBody ? m.textBody->size() * 5 / 4 : 0) + (m.htmlBody ? m.htmlBody->size() * 5 / 4 : 0);
  for (const Attachment& a : m.attachments)
    size += 512 + (a.embedded ? EstimatedSize(*a.embedded) : a.data.size() / 57 * 78 + 80);
  return size;
}

}  // namespace

std::string WriteMessage(const Message& m) {
  std::string out;
  out.reserve(EstimatedSize(m));
  Writer(out).WriteMessage(m);
  return out;
}

}  // namespace mime
