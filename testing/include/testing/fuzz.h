// Helpers of the fuzz targets: a check whose failure reaches the fuzzer's
// report (scripts/fuzz closes the targets' own stderr), a machine root kept
// for the whole run, and the fields of an input read in turn.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "testing/temp_machine.h"

// The sanitizers' runtime, where the program has one (the replay build
// without sanitizers has none).
extern "C" [[gnu::weak]] void __sanitizer_report_error_summary(const char* error_summary);

namespace testing_support {

[[noreturn]] inline void FuzzFailure(const char* what) {
  if (__sanitizer_report_error_summary)
    __sanitizer_report_error_summary(what);
  else
    std::fprintf(stderr, "SUMMARY: %s\n", what);
  std::abort();
}

// The machine root of this fuzzing run, made at the first call and removed
// when the run ends.
inline const TempMachine& FuzzMachine() {
  static const auto machine = std::make_unique<TempMachine>();
  return *machine;
}

// Removes everything inside the folder, keeping the folder.
inline void EmptyFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    std::filesystem::remove_all(entry.path(), ec);
}

// Little-endian fields off the front of an input; zeros once it runs out.
class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return size_ == 0; }
  std::uint64_t Number(std::size_t bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes && size_ > 0; ++i, ++data_, --size_) v |= std::uint64_t(*data_) << (8 * i);
    return v;
  }
  // Up to `count` bytes, in a buffer of exactly their size (`got`).
  std::unique_ptr<std::uint8_t[]> Bytes(std::size_t count, std::uint32_t& got) {
    got = static_cast<std::uint32_t>(std::min(count, size_));
    if (got == 0) return nullptr;
    auto out = std::make_unique<std::uint8_t[]>(got);
    std::memcpy(out.get(), data_, got);
    data_ += got;
    size_ -= got;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace testing_support

#define FUZZ_STRINGIFY2(x) #x
#define FUZZ_STRINGIFY(x) FUZZ_STRINGIFY2(x)
// A property every input must keep; its failure is a finding.
#define FUZZ_CHECK(condition) \
  ((condition)                \
       ? static_cast<void>(0) \
       : testing_support::FuzzFailure("fuzz check failed: " #condition " at " __FILE__ ":" FUZZ_STRINGIFY(__LINE__)))
