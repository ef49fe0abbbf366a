// Property values of both readers in one form, so that libpff's stored
// bytes and the MAPI stand-in's SPropValue compare byte for byte: fixed
// values as their little-endian bytes (a boolean as one byte 0 or 1),
// strings to their first terminator, multi-valued variable ones as a count
// and each piece with its size.
#pragma once

#include <cstdint>
#include <string>

#include "mapi/mapidefs.h"
#include "pff_reader.h"

namespace pstgen_test {

// Stored bytes of a property of type tag & 0xFFFF, as libpff reads them.
Bytes FromStored(std::uint32_t tag, const Bytes& stored);
// A value the stand-in answers.
Bytes FromMapi(const SPropValue& v);

// The size of a fixed-size type's value; 0 for the others.
std::size_t FixedSize(ULONG baseType);
bool IsVariable(ULONG type);

// Bytes for a message: hex, shortened with a digest when long.
std::string Hex(const Bytes& b);
std::string TagText(std::uint32_t tag);
Bytes Raw(const void* p, std::size_t n);
void PutLe32(Bytes& out, std::uint32_t v);
std::uint32_t Le32(const Bytes& b, std::size_t at);

}  // namespace pstgen_test
