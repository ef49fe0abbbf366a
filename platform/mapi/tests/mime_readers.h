// Independent readers of the writer's output, decoding into the same model
// that went in, and the comparison of the two.
#pragma once

#include <string>

#include "mime/mime_model.h"

namespace mime_test {

// Every header of the read message lands in extraHeaders, decoded.
mime::Message ReadWithGMime(const std::string& bytes);
mime::Message ReadWithPython(const std::string& bytes);

// Expects every value of `expected` in `got`: addresses, subject, dates,
// bodies (line ends as LF), attachments and embedded messages; the extra
// headers of `expected` must be among those of `got`.
void ExpectSameMessage(const mime::Message& expected, const mime::Message& got, const std::string& reader);

// The bytes follow RFC 5322 as the converter writes it: CR LF line ends
// only, lines of at most 998 characters, 7-bit throughout, encoded words
// never touching, header lines within 78 characters unless unbreakable.
void ExpectConforming(const std::string& bytes);

// The value of the first header of that name, or "".
std::string HeaderValue(const mime::Message& m, const std::string& name);

}  // namespace mime_test
