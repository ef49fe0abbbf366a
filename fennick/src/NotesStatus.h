// The status of a Notes call whether the library returns it or raises it.
#pragma once

#include "notes/lntypes.h"

template <class Call>
LNSTATUS StatusOf(Call call) {
  try {
    return call();
  } catch (LNSTATUS status) {
    return status;
  }
}

// Raises a status the library returned, so that returned and raised
// failures take one road.
inline void RaiseIfFailed(LNSTATUS status) {
  if (status != LNNOERROR) throw status;
}
