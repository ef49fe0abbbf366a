// Header text for non-ASCII values, written by us rather than by GMime:
// GMime 3.2.13 misreads a padded "B" encoded word followed by another one
// (it decodes the run as one base64 stream and stops at the padding), and
// it produces that pattern itself for long values. Encoded words here are
// always "Q" words, which have no padding, split on character boundaries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mime/mime_model.h"

namespace mime {

// True when the text needs no encoding in an unstructured header.
bool IsPlainHeaderText(std::string_view utf8);

// The value as RFC 2047 encoded words. Unstructured text folds between the
// words; a phrase (a display name) joins them with nothing between, since
// Python's parser reads whitespace between encoded words of a phrase as a
// space while RFC 2047 readers drop it.
enum class WordContext { Text, Phrase };
std::string EncodeWords(std::string_view utf8, WordContext context);

// "name <address>" with the name quoted or encoded as it needs.
std::string FormatMailbox(const Address& a);
// Mailboxes separated by ",\n " (folded after each comma).
std::string FormatAddressList(const std::vector<Address>& list);

}  // namespace mime
