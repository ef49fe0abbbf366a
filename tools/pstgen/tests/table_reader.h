// Reads a table context straight from the file (node B-tree, block B-tree,
// data and subnode trees, heap, BTH, TCINFO): libpff reads folder contents
// from node parents, never from the folders' hierarchy and contents tables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <vector>

namespace pstgen_test {

struct RawTable {
  std::vector<std::uint32_t> columns;
  std::vector<std::map<std::uint32_t, std::vector<std::uint8_t>>> rows;  // in row order, present cells only
  std::size_t indexedRows = 0;                                          // records of the row index
};

// The table of a top-level node (e.g. a folder's NID with type 0x0D/0x0E/0x0F).
RawTable ReadRawTable(const std::filesystem::path& pst, std::uint64_t nid);

}  // namespace pstgen_test
