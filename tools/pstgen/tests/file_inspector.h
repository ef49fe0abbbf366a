// Looks at a written file's structures directly: the B-tree depths and the
// deepest data tree, which no reader API reports.
#pragma once

#include <cstdint>
#include <filesystem>

namespace pstgen_test {

struct FileShape {
  bool ansi = false;       // 32-bit BIDs and offsets
  int nbtLevels = 0;       // levels above the leaves of the node B-tree
  int bbtLevels = 0;       // same for the block B-tree
  int deepestDataTree = 0; // 0: single blocks only, 1: XBLOCK, 2: XXBLOCK
  int deepestSubnodeTree = 0;  // 0: SLBLOCK only, 1: SIBLOCK
  std::uint64_t blocks = 0;
};

FileShape InspectFile(const std::filesystem::path& path);

}  // namespace pstgen_test
