// The Notes object library stand-in: everything a Notes program calls.
#pragma once

#include "notes/lndatabase.h"
#include "notes/lnerror.h"
#include "notes/lnnote.h"
#include "notes/lnsession.h"
#include "notes/lntypes.h"
#include "notes/lnvalues.h"
