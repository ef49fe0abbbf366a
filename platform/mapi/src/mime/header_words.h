// Header text in 7-bit ASCII: RFC 2047 encoded words for text that needs
// them, display names, addresses, MIME parameters (RFC 2231 beside RFC 2047
// for file names), and folding into lines of at most 78 characters.
//
// Encoded words are always "Q" words, which have no padding: GMime misreads
// a padded "B" word followed by another one. Adjacent encoded words are
// separated by white space, which readers drop between them, so a run of
// text that needs encoding keeps its own spaces inside the words ("_").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mime/mime_model.h"

namespace mime {

// True when the text can stand in a header as it is: printable ASCII and
// tabs, nothing that reads as an encoded word.
bool IsPlainHeaderText(std::string_view utf8);

// Unstructured text (Subject, other free text): words that need it become
// encoded words; line breaks become spaces.
std::string EncodeUnstructured(std::string_view utf8);
// A header value taken from other headers: only words with 8-bit or control
// characters are encoded; encoded words already there stay.
std::string EncodeHeaderText(std::string_view utf8);

// A display name: as it is, quoted, or as encoded words.
std::string EncodePhrase(std::string_view utf8);

// A mailbox: "name <address>", or the address alone; a name without a usable
// address becomes an empty group ("name:;"); "" when there is neither.
std::string FormatMailbox(const Address& a);
// The mailboxes that format to something, separated by ", ".
std::string FormatAddressList(const std::vector<Address>& list);
// The address when it can stand in a header as an addr-spec (its local
// part quoted where it needs to be); "" when it cannot.
std::string AddrSpec(std::string_view address);

// A MIME parameter "; attribute=value" with the value as a token or a
// quoted string.
std::string Parameter(std::string_view attribute, std::string_view value);
// A file name parameter as RFC 2231 asks: plain when it is short ASCII,
// else percent-encoded UTF-8, in numbered pieces when long.
std::string Rfc2231Parameter(std::string_view attribute, std::string_view utf8);
// The same value as a quoted string of RFC 2047 encoded words, the form
// mail readers look for in the "name" parameter of Content-Type.
std::string Rfc2047Parameter(std::string_view attribute, std::string_view utf8);

// Appends "Name: value" CR LF, folded before white space so that lines stay
// within 78 characters wherever the value has room to fold.
void AppendHeader(std::string& out, std::string_view name, std::string_view value);

}  // namespace mime
