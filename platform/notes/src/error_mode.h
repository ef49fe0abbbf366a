// The process's error mode: statuses returned, or every failure thrown.
#pragma once

#include "notes/lntypes.h"

namespace notes_internal {

bool ThrowAllErrors();
void SetThrowAllErrors(bool throwAll);

// Hands a call's status back to its caller: returns it, or throws it when
// it is a failure and the mode says so.
LNSTATUS Report(LNSTATUS status);

}  // namespace notes_internal
