// Synthetic PST files for benchmarks: many items of every class over a
// realistic folder tree, written as they are made.
#pragma once

#include <cstdint>
#include <filesystem>

namespace pstgen {

struct SyntheticOptions {
  std::uint64_t items = 1000;
  std::uint64_t seed = 1;
  // Every this many items one more mail with a 9 MB attachment, for large
  // files; 0: only the one such mail near the start.
  std::uint64_t bigEvery = 0;
};

void WriteSynthetic(const SyntheticOptions& options, const std::filesystem::path& path);

}  // namespace pstgen
