// The main of a fuzz target in the ordinary build, in place of libFuzzer's:
// it hands the target each file of its seed folders, then each file named
// on the command line (a folder: each file in it), once, in name order.
// Arguments that begin with "-" are libFuzzer's flags and are passed over,
// so that a finding's command line replays here too. A failed check or a
// crash ends the program as any would; the name of every input is printed
// before it runs, so the last one printed is the culprit.
//
//   TARGET [FILE|FOLDER]...
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" [[gnu::weak]] int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fuzz_replay {
// The target's seed folders, from the build (replay_seeds_<target>.cpp).
extern const char* const kSeedFolders[];
}  // namespace fuzz_replay

namespace {

namespace fs = std::filesystem;

// The files of a folder in name order, or the file itself.
bool AddInputs(const fs::path& path, std::vector<fs::path>& inputs) {
  std::error_code ec;
  if (!fs::is_directory(path, ec)) {
    if (!fs::is_regular_file(path, ec)) return false;
    inputs.push_back(path);
    return true;
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(path, ec))
    if (entry.is_regular_file(ec)) files.push_back(entry.path());
  if (ec) return false;
  std::sort(files.begin(), files.end());
  inputs.insert(inputs.end(), files.begin(), files.end());
  return true;
}

bool Read(const fs::path& file, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(file, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (const char* const* seed = fuzz_replay::kSeedFolders; *seed; ++seed)
    if (!AddInputs(*seed, inputs)) {
      std::fprintf(stderr, "replay: cannot read the seed folder %s\n", *seed);
      return 2;
    }
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]).starts_with("-")) continue;
    if (!AddInputs(argv[i], inputs)) {
      std::fprintf(stderr, "replay: no such file or folder: %s\n", argv[i]);
      return 2;
    }
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<std::uint8_t> bytes;
  for (const fs::path& input : inputs) {
    std::printf("replay: %s\n", input.c_str());
    std::fflush(stdout);
    if (!Read(input, bytes)) {
      std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
      return 2;
    }
    // A block of exactly its size, as libFuzzer hands it over, so that a
    // read past the end shows under the address sanitizer.
    const auto data = std::make_unique<std::uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), data.get());
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
  }
  std::printf("replay: %zu inputs\n", inputs.size());
  return 0;
}
