// A PST file read through the MAPI stand-in (a logon on a profile over the
// file, then the store, its folders' hierarchy and contents tables and
// objects, messages with their recipient and attachment tables,
// attachments, their data and embedded messages), compared property by
// property (tag, type and value) with what libpff reads of the same file.
// Where the two differ by design, a rule of kRules says why; anything else
// is a difference to mend.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "pff_reader.h"

namespace pstgen_test {

enum class Rule {
  kOwnIdentity,       // entry ids, record and instance keys, the store's name: the session's own
  kAddedWhenMissing,  // counts, flags and object types the file may leave out
  kStoreEntryIds,     // entry ids the store's properties hold name the same nodes in the session's ids
  kSubjectMarker,     // the stored subject's prefix marker is not part of the subject
  kNamedByName,       // named properties are matched by their names, not their ids
  kEmptyCells,        // a recipient row's missing cell, which libpff shows as an empty value
  kTooLarge,          // a large value answers MAPI_E_NOT_ENOUGH_MEMORY and is read through OpenProperty
  kCodePage,          // 8-bit text of an item that declares its code page converts in that page
  kUndefinedBytes,    // the bytes Windows-1252 leaves undefined convert as Windows converts them
  kDamage,            // the session refuses what fails its checks; libpff reads it
  kNoClassNoParts,    // libpff serves no recipients or attachments for a message without a class
  kRowOrder,          // a folder's rows come in its table's order; libpff's in node-id order
};

struct RuleText {
  Rule rule;
  const char* name;
  const char* why;
};
extern const RuleText kRules[12];

struct Comparison {
  std::vector<std::string> differences;  // where, tag, and both values, one line each
  std::map<Rule, int> byDesign;          // how often each rule explained a difference
  int objects = 0;                       // folders, messages, recipients and attachments compared
  int values = 0;                        // property values compared
};

// Logs on to a new profile over `pst` on the machine the process names and
// compares every object with `expected`, libpff's reading of the file (for
// an ANSI file with libpff's code page set to the machine's).
Comparison CompareThroughMapi(const std::filesystem::path& pst, const ReadFile& expected);

std::string RuleName(Rule rule);

}  // namespace pstgen_test
