// libFuzzer target: a PST file as the engines read it. The input is the
// file's bytes, zero-padded to the size of a new store (so that seeds can
// leave out the empty tail), walked as pst_walk.h tells.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "pst_walk.h"
#include "testing/fuzz.h"

namespace {

// The size of a new store's file: what a shorter input is padded to.
constexpr std::size_t kNewStoreSize = 271360;

std::filesystem::path g_pst;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_pst = testing_support::FuzzMachine().scratch() / "input.pst";
  mapi_fuzz::SetUpPstWalk(g_pst);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(g_pst, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  if (size < kNewStoreSize) std::filesystem::resize_file(g_pst, kNewStoreSize);
  mapi_fuzz::WalkPst();
  return 0;
}
