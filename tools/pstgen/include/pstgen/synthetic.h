// Synthetic PST files for benchmarks: many items of every class over a
// realistic folder tree, written as they are made.
#pragma once

#include <cstdint>
#include <filesystem>

namespace pstgen {

struct SyntheticOptions {
  std::uint64_t items = 1000;
  std::uint64_t seed = 1;
};

void WriteSynthetic(const SyntheticOptions& options, const std::filesystem::path& path);

}  // namespace pstgen
