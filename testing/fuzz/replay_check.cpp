// A target for the replay main's own tests (testing/CMakeLists.txt): it
// fails on an input that starts with "fail", and on any input handed over
// before LLVMFuzzerInitialize ran.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "testing/fuzz.h"

namespace {
bool g_initialized = false;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_initialized = true;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FUZZ_CHECK(g_initialized);
  FUZZ_CHECK(data != nullptr);
  FUZZ_CHECK(size < 4 || std::memcmp(data, "fail", 4) != 0);
  return 0;
}
