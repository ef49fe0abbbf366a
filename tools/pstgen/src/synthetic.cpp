#include "pstgen/synthetic.h"

#include "pstgen/writer.h"

namespace pstgen {

void WriteSynthetic(const SyntheticOptions&, const std::filesystem::path& path) {
  PstWriter w(path);
  w.Finish();
}

}  // namespace pstgen
