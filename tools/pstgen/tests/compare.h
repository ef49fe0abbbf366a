// Checks that what libpff reads back matches a description: the folder
// tree, item counts, every property value, recipients, attachment bytes
// (SHA-256) and embedded messages. In an ANSI file the described Unicode
// strings are expected as 8-bit strings in Windows-1252.
#pragma once

#include <string>

#include "pff_reader.h"
#include "pstgen/description.h"

namespace pstgen_test {

void ExpectStoreMatches(const pstgen::Store& want, const ReadFile& got);
void ExpectMessageMatches(const pstgen::Message& want, const ReadMessage& got, const std::string& where,
                          bool ansi = false);
void ExpectPropsMatch(const std::vector<pstgen::Property>& want, const Item& got, const std::string& where,
                      bool ansi = false);

}  // namespace pstgen_test
