#include "error_mode.h"

#include <atomic>

namespace notes_internal {

namespace {
std::atomic<bool> g_throwAll{false};
}

bool ThrowAllErrors() { return g_throwAll.load(std::memory_order_relaxed); }
void SetThrowAllErrors(bool throwAll) { g_throwAll.store(throwAll, std::memory_order_relaxed); }

LNSTATUS Report(LNSTATUS status) {
  if (status != LNNOERROR && ThrowAllErrors()) throw status;
  return status;
}

}  // namespace notes_internal
