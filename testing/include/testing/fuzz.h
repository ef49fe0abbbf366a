// Helpers of the libFuzzer targets: a check whose failure reaches the
// fuzzer's report (scripts/fuzz closes the targets' own stderr), and a
// machine root kept for the whole run.
#pragma once

#include <sanitizer/common_interface_defs.h>

#include <cstdlib>
#include <memory>

#include "testing/temp_machine.h"

namespace testing_support {

[[noreturn]] inline void FuzzFailure(const char* what) {
  __sanitizer_report_error_summary(what);
  std::abort();
}

// The machine root of this fuzzing run, made at the first call and removed
// when the run ends.
inline const TempMachine& FuzzMachine() {
  static const auto machine = std::make_unique<TempMachine>();
  return *machine;
}

}  // namespace testing_support

#define FUZZ_STRINGIFY2(x) #x
#define FUZZ_STRINGIFY(x) FUZZ_STRINGIFY2(x)
// A property every input must keep; its failure is a finding.
#define FUZZ_CHECK(condition) \
  ((condition)                \
       ? static_cast<void>(0) \
       : testing_support::FuzzFailure("fuzz check failed: " #condition " at " __FILE__ ":" FUZZ_STRINGIFY(__LINE__)))
