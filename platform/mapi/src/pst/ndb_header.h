// The file's HEADER and its ROOT: which form the file has, how its blocks
// are encoded, where the two B-trees start and how long the file is.
#pragma once

#include <cstdint>

#include "pst/ndb_types.h"

namespace pst::ndb {

enum class Crypt : uint8_t { kNone = 0, kPermute = 1, kCyclic = 2 };

struct BRef {
  uint64_t bid = 0;
  uint64_t ib = 0;
};

struct Header {
  Form form = Form::kUnicode;
  uint16_t version = 0;  // wVer
  Crypt crypt = Crypt::kNone;
  uint64_t fileEof = 0;  // ROOT.ibFileEof
  BRef nbt;              // ROOT.BREFNBT: the node B-tree's root page
  BRef bbt;              // ROOT.BREFBBT: the block B-tree's root page
};

// The bytes a header takes at most (the Unicode form's).
constexpr size_t kHeaderSize = 564;

// Decodes and checks the header (magic, version, CRCs, sentinel, encoding)
// and that the file holds the size the ROOT gives; Damage names what fails.
Header ParseHeader(const uint8_t* bytes, size_t size, uint64_t fileSize);

}  // namespace pst::ndb
