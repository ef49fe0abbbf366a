// Content transfer encodings, written straight into the output: base64 for
// bytes, quoted-printable or 7bit for text, every line ended by CR LF.
#pragma once

#include <string>
#include <string_view>

namespace mime {

enum class Encoding { SevenBit, QuotedPrintable, Base64 };

const char* EncodingName(Encoding e);

// Text with CR LF line ends (lone CR and LF become CR LF).
std::string CanonicalLines(std::string_view text);

// The encoding for canonical text: 7bit for plain ASCII lines that end in
// CR LF, base64 when much of it is 8-bit, else quoted-printable. 7bit text
// never holds "=_", which starts every boundary.
Encoding TextEncoding(std::string_view canonical);

// Each appends the encoded content, ending with CR LF.
void AppendBase64(std::string& out, std::string_view data);
void AppendQuotedPrintable(std::string& out, std::string_view canonical);
void AppendSevenBit(std::string& out, std::string_view canonical);

void AppendEncoded(std::string& out, Encoding e, std::string_view data);

}  // namespace mime
