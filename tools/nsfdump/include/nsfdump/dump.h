// What nsfdump prints: a database read through notes::NsfReader, as text
// for people or as JSON for scripts.
//
// JSON: {"title", "template", "folders": [{"name", "documents": [ids]}],
// "views": [names], "documents": [{"id", "items": [...], "attachments":
// [{"name", "size", "sha256"}]}]}. A text item is {"name", "type": "text",
// "flags", "values": [...]}, a date item the same with "type": "time" and
// wall-clock times without a zone; a raw item has its numeric "type", its
// bytes decoded as UTF-16LE in "text" and their count in "bytes".
#pragma once

#include <iosfwd>
#include <string>

#include "notes/nsf_reader.h"

namespace nsfdump {

enum class Format { kText, kJson };

// Writes the database; false with a message in `error` when it cannot be
// read (nothing is written then).
bool Dump(notes::NsfReader& reader, Format format, std::ostream& out, std::string* error);

// A raw item's bytes read as UTF-16LE, as UTF-8 (a lone surrogate becomes
// U+FFFD; an odd last byte is left out).
std::string RawText(const std::string& bytes);

}  // namespace nsfdump
